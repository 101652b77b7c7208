#include "tape/WaveParserProto.h"

#include <cstdlib>
#include <string>

#include "common/TextFormat.h"
#include "tape/ImpulseRuns.h"
#include "tape/TapeFormat.h"

namespace varnetta {

using impulse_runs::UsableLength;

namespace {

// The weight of each length in the average.
constexpr double kAverageWeight = 1.0 / kAveragedImpulses;

}  // namespace


CWaveParserProto::CWaveParserProto(const ImpulseTolerances& tolerances) : tolerances_(tolerances) {}

CWaveParserProto::~CWaveParserProto() = default;

void CWaveParserProto::SetOwner(WorkLogSink* owner) { owner_ = owner; }

void CWaveParserProto::SetTolerances(const ImpulseTolerances& tolerances) { tolerances_ = tolerances; }

void CWaveParserProto::SearchFrom(std::int32_t position, double level) {
  state_.position = position;
  state_.level = level;
  state_.inverse = false;
}

double CWaveParserProto::MeanLevel(SignalView signal) {
  const std::size_t n = UsableLength(signal);
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += signal[i];
  return n == 0 ? 0.0 : sum / static_cast<double>(n);
}

void CWaveParserProto::PushLength(std::int32_t length) {
  const std::int32_t old = state_.history[static_cast<std::size_t>(state_.historyIndex)];
  state_.history[static_cast<std::size_t>(state_.historyIndex)] = length;
  if (old != 0) state_.period = state_.period - old * kAverageWeight;
  if (length != 0) state_.period = length * kAverageWeight + state_.period;
  state_.historyIndex = state_.historyIndex == kAveragedImpulses - 1 ? 0 : state_.historyIndex + 1;
}

void CWaveParserProto::ClearAverage() {
  state_.period = 0.0;
  state_.history.fill(0);
  state_.historyIndex = 0;
}

// Every class is tested by both of its bounds as the double comparison says,
// so a ratio that compares with nothing (NaN) belongs to no class.
CWaveParserProto::ImpulseClass CWaveParserProto::ClassOf(std::int32_t length) const {
  const ClassBounds& bounds = tolerances_.bounds;
  const double r = length / state_.period;
  if (r < bounds.zero) return ImpulseClass::kTooShort;
  if (bounds.zero <= r && r < bounds.one) return ImpulseClass::kZero;
  if (bounds.one <= r && r < bounds.marker) return ImpulseClass::kOne;
  if (bounds.marker <= r && r < bounds.finish) return ImpulseClass::kMarker;
  if (bounds.finish <= r) return ImpulseClass::kFinish;
  return ImpulseClass::kNone;
}

bool CWaveParserProto::IsMarkerHalfWave(std::size_t n) const {
  const ClassBounds& bounds = tolerances_.bounds;
  const double r = static_cast<double>(n) / state_.period;
  return bounds.markerHalfWave <= r && r <= bounds.marker;
}

bool CWaveParserProto::AcceptFirstMarker(SignalView signal, std::size_t markerEnd, bool lowSide) {
  if (lowSide) state_.inverse = true;
  state_.position = static_cast<std::int32_t>(markerEnd);
  int bit = 0;
  return ReadBit(signal, bit) && bit == 1;
}

// Moves to the end of the last irregular impulse before the first run of
// minCount regular ones (or before the end of the signal), in the state
// FindSequence's loop has there, so that the loop goes on from there with
// the same result; in noise it would otherwise spend most of its time.
void CWaveParserProto::SkipToLastIrregularImpulse(SignalView signal, std::int32_t minCount) {
  std::int32_t cursor = state_.position;
  const std::int32_t first = NextImpulse(signal, cursor);
  if (first < 0) return;
  impulse_runs::RegularityTracker tracker{state_.lastLength, tolerances_.tuneScatter, minCount};
  if (tracker.Add(static_cast<std::size_t>(first), static_cast<std::size_t>(cursor))) {
    TrackImpulsesAfter(signal, static_cast<std::size_t>(cursor), tracker);
  }
  if (!tracker.sawIrregular) return;
  state_.position = static_cast<std::int32_t>(tracker.irregularEnd);
  state_.lastLength = static_cast<std::int32_t>(tracker.irregularLength);
  ClearAverage();
}

bool CWaveParserProto::FindSequence(SignalView signal, std::int32_t minCount, bool restoreOnEnd,
                                    std::int32_t& start, std::int32_t& length) {
  SkipToLastIrregularImpulse(signal, minCount);
  const auto n = static_cast<std::int64_t>(UsableLength(signal));
  std::int32_t count = 0;
  bool found = false;
  std::int32_t runStart = state_.position;
  std::int32_t foundStart = 0;
  while (state_.position < n) {
    const std::int32_t before = state_.position;
    const std::int32_t impulse = NextImpulse(signal, state_.position);
    if (impulse < 0) {
      if (restoreOnEnd) state_.position = before;
      return false;
    }
    const std::int64_t scatter = static_cast<std::int64_t>(impulse) - state_.lastLength;
    if (std::abs(scatter) > tolerances_.tuneScatter) {
      if (found) {
        state_.position = before;
        start = foundStart;
        length = state_.position - foundStart;
        return true;
      }
      count = 0;
      ClearAverage();
      runStart = state_.position;
    } else {
      PushLength(impulse);
      ++count;
      if (!found && count >= minCount) {
        found = true;
        foundStart = runStart;
      }
    }
    state_.lastLength = impulse;
  }
  return false;
}

bool CWaveParserProto::FindMarker(SignalView signal) {
  ImpulseClass kind = ImpulseClass::kTooShort;
  do {
    const std::int32_t impulse = NextImpulse(signal, state_.position);
    if (impulse < 0) return false;
    kind = ClassOf(impulse);
  } while (kind == ImpulseClass::kTooShort || kind == ImpulseClass::kZero || kind == ImpulseClass::kOne);
  int bit = 0;
  return ReadBit(signal, bit) && bit == 1;
}

bool CWaveParserProto::FindFinish(SignalView signal) {
  const std::int32_t impulse = NextImpulse(signal, state_.position);
  return impulse >= 0 && ClassOf(impulse) == ImpulseClass::kFinish;
}

bool CWaveParserProto::ReadBit(SignalView signal, int& bit) {
  const std::int32_t saved = state_.position;
  const std::int32_t dataImpulse = NextImpulse(signal, state_.position);
  if (dataImpulse < 0) {
    state_.position = saved;
    return false;
  }
  const std::int32_t referenceImpulse = NextImpulse(signal, state_.position);
  if (referenceImpulse < 0) {
    state_.position = saved;
    return false;
  }
  PushLength(referenceImpulse);
  switch (ClassOf(dataImpulse)) {
    case ImpulseClass::kZero:
      bit = 0;
      return true;
    case ImpulseClass::kOne:
      bit = 1;
      return true;
    default:
      state_.position = saved;
      return false;
  }
}

bool CWaveParserProto::ReadByte(SignalView signal, std::uint8_t& byte) {
  byte = 0;
  for (int index = 0; index < 8; ++index) {
    int bit = 0;
    if (!ReadBit(signal, bit)) return false;
    if (bit == 1) byte = static_cast<std::uint8_t>(byte | (1U << index));
  }
  return true;
}

bool CWaveParserProto::ReadByteOfWord(SignalView signal, std::uint16_t& word, int byteIndex) {
  std::uint8_t byte = 0;
  const bool read = ReadByte(signal, byte);
  const int shift = 8 * byteIndex;
  word = static_cast<std::uint16_t>((word & ~(0xFF << shift)) | (byte << shift));
  return read;
}

std::int32_t CWaveParserProto::MeasureTunePeriod(SignalView signal, double signalLevel) {
  state_.level = signalLevel;
  state_.position = 0;
  ClearAverage();
  std::int32_t start = 0;
  std::int32_t length = 0;
  const bool found = FindSequence(signal, kTuneRunLength, false, start, length);
  state_.position = 0;
  return found ? static_cast<std::int32_t>(state_.period + 0.5) : -1;
}

void CWaveParserProto::Report(std::string_view text) const {
  if (owner_ != nullptr) owner_->AppendWorkLog(text);
}

RecognitionStage CWaveParserProto::Recognize(TapeFile& record, SignalView signal, double signalLevel,
                                             std::string_view recordingPath, std::string_view label) {
  using enum RecognitionStage;
  state_.position = 0;
  if (ReadsLevel()) state_.level = signalLevel;
  state_.inverse = false;
  state_.lastLength = 0;
  ClearAverage();
  record = TapeFile{};

  Report(FormatText("---------------------------------------[%s]\r\n", std::string(label).c_str()));
  Report(FormatText("Распознаём файл: %s\r\nНастроечная последовательность: ",
                    std::string(recordingPath).c_str()));
  if (!RecognizeTuning(record, signal)) return Tuning;
  if (!RecognizeFirstMarker(signal)) return FirstMarker;

  Report("Поиск второго маркера.\r\nСинхро: ");
  if (!RecognizeSync(signal, record.sync2Start, record.sync2End)) return SecondSync;
  Report("Второй маркер: ");
  if (!RecognizeMarker(signal)) return SecondMarker;
  record.headerStart = state_.position;
  Report(FormatText("найден. Заголовок с %d\r\n", record.headerStart));
  if (!RecognizeHeader(record, signal)) return Header;

  Report("Поиск третьего маркера.\r\nСинхро: ");
  if (!RecognizeSync(signal, record.sync3Start, record.sync3End)) return ThirdSync;
  Report("Третий маркер: ");
  if (!RecognizeMarker(signal)) return ThirdMarker;
  record.dataStart = state_.position;
  Report(FormatText("найден. Данные с %d\r\n", record.dataStart));
  if (!RecognizeDataLength(record.length)) return DataLength;
  if (!RecognizeData(signal, record.length)) return Data;
  if (!RecognizeChecksum(record, signal)) return Checksum;

  if (FindFinish(signal)) {
    Report(FormatText("Найдена финишная последовательность с %d\r\n", state_.position));
  }
  Report("Конец распознавания.\r\n");
  return Complete;
}

bool CWaveParserProto::RecognizeTuning(TapeFile& record, SignalView signal) {
  std::int32_t start = 0;
  std::int32_t length = 0;
  if (!FindSequence(signal, kTuneRunLength, true, start, length)) {
    Report("не найдена.\r\n");
    return false;
  }
  record.tuneStart = start;
  record.tuneEnd = state_.position;
  Report(FormatText("начало: %d длина: %d\r\n", record.tuneStart, length));
  return true;
}

bool CWaveParserProto::RecognizeFirstMarker(SignalView signal) {
  Report(FormatText("Поиск первого маркера с %d : ", state_.position));
  if (!FindFirstMarker(signal)) {
    Report(FormatText("не найден. Тек.позиция %d\r\n", state_.position));
    return false;
  }
  Report(FormatText("найден. Тек.позиция %d\r\n", state_.position));
  if (state_.inverse) Report("Сигнал опознан как ИНВЕРСНЫЙ!\r\n");
  return true;
}

bool CWaveParserProto::RecognizeSync(SignalView signal, std::int32_t& syncStart, std::int32_t& syncEnd) {
  std::int32_t start = 0;
  std::int32_t length = 0;
  if (!FindSequence(signal, kSyncRunLength, true, start, length)) {
    Report("не найдена.\r\n");
    return false;
  }
  syncStart = start;
  syncEnd = state_.position;
  Report(FormatText("начало: %d длина: %d. Тек.позиция %d\r\n", start, length, state_.position));
  return true;
}

bool CWaveParserProto::RecognizeMarker(SignalView signal) {
  if (FindMarker(signal)) return true;
  Report("не найден.\r\n");
  return false;
}

bool CWaveParserProto::RecognizeHeader(TapeFile& record, SignalView signal) {
  Report("Чтение заголовка: ");
  bool read = ReadByteOfWord(signal, record.address, 0) && ReadByteOfWord(signal, record.address, 1) &&
              ReadByteOfWord(signal, record.length, 0) && ReadByteOfWord(signal, record.length, 1);
  for (std::size_t i = 0; read && i < record.name.size(); ++i) read = ReadByte(signal, record.name[i]);
  if (!read) {
    Report(FormatText("Ошибка. Тек.позиция %d\r\n", state_.position));
    return false;
  }
  Report("Успешно\r\n");
  Report(FormatText("Содержимое заголовка:\r\n Адрес: %06o\r\n Длина: %06o\r\n",
                    static_cast<unsigned>(record.address), static_cast<unsigned>(record.length)));
  Report(FormatText(" Имя: \"%s\"\r\n", TapeNameToText(record.name).c_str()));
  return true;
}

bool CWaveParserProto::RecognizeDataLength(std::uint16_t length) {
  if (length != 0) return true;
  Report("Ошибка в заголовке - нулевая длина.\r\n");
  return false;
}

bool CWaveParserProto::RecognizeData(SignalView signal, std::uint16_t length) {
  data.emplace(length, std::uint8_t{0});
  Report("Чтение данных: ");
  for (std::uint8_t& byte : *data) {
    if (!ReadByte(signal, byte)) {
      Report(FormatText("Ошибка. Тек.позиция %d\r\n", state_.position));
      return false;
    }
  }
  Report("Успешно.\r\n");
  return true;
}

bool CWaveParserProto::RecognizeChecksum(TapeFile& record, SignalView signal) {
  Report("Чтение контрольной суммы: ");
  if (!ReadByteOfWord(signal, record.checksum, 0) || !ReadByteOfWord(signal, record.checksum, 1)) {
    Report(FormatText("Ошибка. Тек.позиция %d\r\n", state_.position));
    return false;
  }
  Report(FormatText("Успешно. КС=%06o\r\n", static_cast<unsigned>(record.checksum)));
  return true;
}

}  // namespace varnetta
