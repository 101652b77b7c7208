#include "rescue/DeepRecovery.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "common/TextFormat.h"
#include "recognition/LogFiles.h"
#include "recognition/LogLines.h"
#include "recognition/TapeFileOutput.h"
#include "rescue/SampleWindow.h"
#include "rescue/SlotDecoder.h"
#include "rescue/TapeGrammar.h"
#include "rescue/ToneClock.h"
#include "rescue/ToneSearch.h"

namespace varnetta {

namespace {

// A reading counts as read with confidence when none of its bits was a near
// thing and the bits on the whole stood well clear of the alternatives.
constexpr float kMinBitConfidence = 0.05f;
constexpr float kMinMeanConfidence = 0.5f;
// The samples over which the lag between the channels is measured.
constexpr std::int32_t kAlignSpan = 2048;
constexpr std::int32_t kMaxChannelLag = 24;

struct Variant {
  const char* label;
  std::vector<ChannelWeight> weights;
};

bool Trusted(const SymbolReading& reading) {
  return reading.checksumMatches && reading.minConfidence >= kMinBitConfidence &&
         reading.meanConfidence >= kMinMeanConfidence;
}

// Whether a reading replaces the best one so far: the first, or the first
// that can be trusted.
bool Better(const SymbolReading& reading, const std::optional<SymbolReading>& best) {
  return !best || (Trusted(reading) && !Trusted(*best));
}

const char* Verdict(const SymbolReading& reading) {
  if (Trusted(reading)) return "Успешное восстановление.\r\n";
  return reading.checksumMatches ? "КС совпала, но биты прочитаны неуверенно.\r\n" : "Ошибка КС.\r\n";
}

std::vector<double> ReadSpan(const StretchSource& source, std::int32_t channel, std::int32_t first,
                             std::int32_t count) {
  std::vector<double> samples(static_cast<std::size_t>(std::max(0, count)));
  if (count > 0) source.Read(channel, first, samples);
  return samples;
}

// The lag of the right channel behind the left (in whole samples) and the
// sign that brings it into phase, from their correlation over the span.
ChannelWeight AlignedRight(const StretchSource& source, std::int32_t first, std::int32_t end) {
  const std::int32_t count = std::min(kAlignSpan, end - first - 2 * kMaxChannelLag);
  ChannelWeight right{1, 1.0, 0};
  if (count <= 0) return right;
  const std::vector<double> left = ReadSpan(source, 0, first + kMaxChannelLag, count);
  const std::vector<double> other = ReadSpan(source, 1, first, count + 2 * kMaxChannelLag);
  double best = 0.0;
  for (std::int32_t lag = -kMaxChannelLag; lag <= kMaxChannelLag; ++lag) {
    double sum = 0.0;
    for (std::int32_t i = 0; i < count; ++i) {
      sum += left[static_cast<std::size_t>(i)] * other[static_cast<std::size_t>(i + kMaxChannelLag + lag)];
    }
    if (std::abs(sum) > std::abs(best)) {
      best = sum;
      right = {1, sum < 0.0 ? -1.0 : 1.0, lag};
    }
  }
  return right;
}

std::vector<Variant> Variants(const StretchSource& source, const ToneRun& run, std::int32_t end) {
  if (source.ChannelCount() < 2) return {{"Левый", {{0, 1.0, 0}}}};
  const ChannelWeight right = AlignedRight(source, run.first, end);
  return {{"Микс", {{0, 1.0, 0}, right}}, {"Левый", {{0, 1.0, 0}}}, {"Правый", {{1, 1.0, 0}}}};
}

const char* StageText(GrammarStage stage) {
  switch (stage) {
    case GrammarStage::FirstMarker: return "после первого маркера нет единичного бита";
    case GrammarStage::Sync2: return "нет синхропоследовательности перед заголовком";
    case GrammarStage::SecondMarker: return "после второго маркера нет единичного бита";
    case GrammarStage::Header: return "ошибка в заголовке";
    case GrammarStage::Sync3: return "нет синхропоследовательности перед данными";
    case GrammarStage::ThirdMarker: return "после третьего маркера нет единичного бита";
    case GrammarStage::Data: return "ошибка в данных";
    case GrammarStage::Finish: return "нет завершающего импульса там, где его ставит длина";
    default: return "маркер не найден";
  }
}

// The outcome of one run of the decoder: its best reading, or how far it got.
struct Attempt {
  std::string label;
  std::optional<SymbolReading> reading;  // whole readings only
  std::optional<GrammarFailure> failure;
  DecodeOutcome outcome;
};

std::string AttemptText(const Attempt& a) {
  std::string text = "  " + a.label + ": ";
  if (a.reading) {
    const SymbolReading& r = *a.reading;
    text += FormatText("файл \"%s\", адрес %o, длина %o, ", TapeNameToText(r.record.name).c_str(),
                       unsigned{r.record.address}, unsigned{r.record.length});
    text += r.checksumMatches ? "КС совпала" : "ошибка КС";
    text += FormatText(", достоверность %.2f (наименьшая %.2f), конец на %d.", r.meanConfidence, r.minConfidence,
                       r.end);
  } else if (a.failure) {
    text += FormatText("остановка на %d: %s.", a.failure->position, StageText(a.failure->stage));
  } else {
    text += FormatText("маркер не найден, сигнал потерян на %d.", a.outcome.position);
  }
  return text + "\r\n";
}

Attempt Decode(const DeepRecoveryInputs& in, const ToneRun& run, std::int32_t end, const Variant& variant,
               bool inverse) {
  SampleWindow window(in.source, variant.weights, run.first, end, run.period);
  const SlotClock clock = ToneClock(window, run, inverse);
  TapeGrammar grammar;
  Attempt attempt{std::string(variant.label) + (inverse ? " (инверсия)" : ""), std::nullopt, std::nullopt, {}};
  attempt.outcome = DecodeSlots(window, clock, inverse, grammar, in.stop);
  for (const SymbolReading& reading : grammar.Readings()) {
    if (Better(reading, attempt.reading)) attempt.reading = reading;
  }
  if (grammar.Furthest() != nullptr) attempt.failure = *grammar.Furthest();
  return attempt;
}

bool SweepSavedChecksum(const Tally& sweepSaved, std::uint16_t checksum) {
  return std::any_of(sweepSaved.begin(), sweepSaved.end(),
                     [&](const TallyEntry& e) { return e.checksum == checksum; });
}

// Writes the reading and tells the work log and the list log; returns the
// written file, or none.
std::optional<RecoveredFile> Save(const DeepRecoveryInputs& in, const SymbolReading& reading, bool good) {
  Tally written;
  const bool saved = SaveTapeFile(written, in.recording.dir, in.settings.UseLongBinFormat != 0,
                                  good ? "" : kBadChecksumSuffix, reading.record, &reading.data);
  in.report.AppendWorkLog(saved ? "Файл сохранён.\r\n" : "Ошибка сохранения файла.\r\n");
  if (!saved || written.empty()) return std::nullopt;
  RecoveredFile file{written.front(), reading.record.tuneStart, reading.end, good};
  AppendToLog(in.recording.logs.list, ListLogRecoveredFile(file), in.report);
  return file;
}

}  // namespace

double StretchRms(const StretchSource& source, std::int32_t first, std::int32_t end) {
  double sum = 0.0;
  std::vector<double> block(65536);
  for (std::int32_t at = first; at < end; at += static_cast<std::int32_t>(block.size())) {
    const std::span<double> part(block.data(), static_cast<std::size_t>(std::min<std::int32_t>(65536, end - at)));
    source.Read(0, at, part);
    for (double x : part) sum += x * x;
  }
  return end > first ? std::sqrt(sum / (end - first)) : 0.0;
}

std::string ListLogRecoveredFile(const RecoveredFile& file) {
  return FormatText("\t(ГВ, %9d, %9d):\t", file.first, file.end) + ListLogSavedFiles(Tally{file.entry});
}

DeepRecoveryResult RecoverStretch(const DeepRecoveryInputs& in, const RecoveryStretch& stretch,
                                  const Tally& sweepSaved) {
  DeepRecoveryResult result;
  in.report.SetStage("Глубокое восстановление");
  std::vector<ToneRun> runs;
  for (std::int32_t c = 0; c < std::min(2, in.source.ChannelCount()); ++c) {
    const std::vector<ToneRun> found = FindToneRuns(in.source, c, stretch.first, stretch.end, stretch.gateRms, in.stop);
    runs.insert(runs.end(), found.begin(), found.end());
  }
  runs = JoinToneRuns(std::move(runs));
  in.report.AppendWorkLog(FormatText("Глубокое восстановление, отсчёты %d - %d: найдено тонов: %d.\r\n",
                                     stretch.first, stretch.end, static_cast<int>(runs.size())));
  std::int32_t readUpTo = stretch.first;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const ToneRun run = runs[r];
    if (in.stop.IsRequested()) {
      result.stopped = true;
      return result;
    }
    if (run.end <= readUpTo) continue;
    in.report.AppendWorkLog(FormatText("Тон с отсчёта %d, период %.2f.\r\n", run.first, run.period));
    std::optional<SymbolReading> best;
    std::int32_t lostAt = run.end;
    for (const Variant& variant : Variants(in.source, run, stretch.end)) {
      for (bool inverse : {false, true}) {
        const Attempt attempt = Decode(in, run, stretch.end, variant, inverse);
        if (attempt.outcome.reason == DecodeEnd::LockLost) lostAt = std::min(lostAt, attempt.outcome.position);
        if (attempt.reading || attempt.failure) in.report.AppendWorkLog(AttemptText(attempt));
        if (attempt.reading && Better(*attempt.reading, best)) best = attempt.reading;
        if (best && Trusted(*best)) break;
      }
      if (best && Trusted(*best)) break;
    }
    if (!best) {
      in.report.AppendWorkLog("Не удалось.\r\n");
      // A dropout inside the tone threw every clock off: the tone is
      // entered again after it.
      const std::int32_t again = lostAt + kToneBlock;
      if (run.end - again >= 2 * kToneBlock) runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(r) + 1, {again, run.end, run.period});
      continue;
    }
    const bool good = Trusted(*best);
    in.report.AppendWorkLog(Verdict(*best));
    readUpTo = best->end;
    const bool saveBad = !good && in.settings.IgnoreCRC != 0 && !best->checksumMatches &&
                         !SweepSavedChecksum(sweepSaved, best->record.checksum);
    if (!good && !saveBad) continue;
    if (std::optional<RecoveredFile> file = Save(in, *best, good)) result.saved.push_back(*file);
  }
  return result;
}

}  // namespace varnetta
