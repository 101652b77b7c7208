#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/TextFormat.h"
#include "support/ParserSettings.h"
#include "support/RecordingWorkLog.h"
#include "support/TapeSignals.h"
#include "tape/TapeSignalWriter.h"
#include "tape/WaveParserAmp.h"

namespace varnetta {
namespace {

using testing::DefaultTolerances;
using testing::RecordingWorkLog;

constexpr std::int32_t kPeriod = 10;
constexpr char kPath[] = "/ленты/проба.wav";
constexpr char kLabel[] = "Уровни:Левый";

// Address 512, 300 data bytes whose checksum is 294, the name ПРОБА.
TapeRecord SampleRecord() {
  std::vector<std::uint8_t> data(300, 0);
  data[0] = 'a';
  data[1] = 'b';
  data[2] = 'c';
  return {512, testing::NameOf({0xF0, 0xF2, 0xEF, 0xE2, 0xE1}), data};
}

TapeSignal WriteSample(const TapeRecord& record, bool inverted = false) {
  TapeSignalOptions options;
  options.period = kPeriod;
  options.inverted = inverted;
  return *WriteTapeSignal({&record, 1}, options);
}

struct Recognition {
  RecognitionStage stage;
  TapeFile record;
  std::vector<std::string> report;
};

Recognition Recognize(CWaveParserProto& parser, SignalView signal) {
  RecordingWorkLog log;
  parser.SetOwner(&log);
  Recognition recognition{RecognitionStage::Tuning, {}, {}};
  recognition.stage = parser.Recognize(recognition.record, signal, CWaveParserProto::MeanLevel(signal), kPath, kLabel);
  parser.SetOwner(nullptr);
  recognition.report = log.messages;
  return recognition;
}

std::int32_t At(std::int64_t sample) { return static_cast<std::int32_t>(sample); }

// The report of the sample file from the first marker's search on, for the
// level parser; tuneEnd is where the tuning sequence ended.
std::vector<std::string> ReportFromFirstMarker(const TapeFileLayout& layout, std::int32_t tuneEnd,
                                               bool inverse) {
  std::vector<std::string> texts = {
      FormatText("Поиск первого маркера с %d : ", tuneEnd),
      FormatText("найден. Тек.позиция %d\r\n", At(layout.sync2Start)),
  };
  if (inverse) texts.push_back("Сигнал опознан как ИНВЕРСНЫЙ!\r\n");
  const std::vector<std::string> rest = {
      "Поиск второго маркера.\r\nСинхро: ",
      FormatText("начало: %d длина: %d. Тек.позиция %d\r\n", At(layout.sync2Start),
                 At(layout.secondMarker - layout.sync2Start), At(layout.secondMarker)),
      "Второй маркер: ",
      FormatText("найден. Заголовок с %d\r\n", At(layout.header)),
      "Чтение заголовка: ",
      "Успешно\r\n",
      "Содержимое заголовка:\r\n Адрес: 001000\r\n Длина: 000454\r\n",
      " Имя: \"ПРОБА\"\r\n",
      "Поиск третьего маркера.\r\nСинхро: ",
      FormatText("начало: %d длина: %d. Тек.позиция %d\r\n", At(layout.sync3Start),
                 At(layout.thirdMarker - layout.sync3Start), At(layout.thirdMarker)),
      "Третий маркер: ",
      FormatText("найден. Данные с %d\r\n", At(layout.data)),
      "Чтение данных: ",
      "Успешно.\r\n",
      "Чтение контрольной суммы: ",
      "Успешно. КС=000446\r\n",
      FormatText("Найдена финишная последовательность с %d\r\n", At(layout.finish + 8 * kPeriod)),
      "Конец распознавания.\r\n",
  };
  texts.insert(texts.end(), rest.begin(), rest.end());
  return texts;
}

std::vector<std::string> Head() {
  return {"---------------------------------------[Уровни:Левый]\r\n",
          "Распознаём файл: /ленты/проба.wav\r\nНастроечная последовательность: "};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RecognitionReport, DirectRecordingTextByText) {
  const TapeRecord written = SampleRecord();
  const TapeSignal signal = WriteSample(written);
  const TapeFileLayout& layout = signal.layouts[0];
  CWaveParserAmp parser(DefaultTolerances());
  const Recognition got = Recognize(parser, signal.samples);
  ASSERT_EQ(got.stage, RecognitionStage::Complete);

  // The first impulse only starts the run; the run ends at the first marker.
  const std::int32_t tuneStart = At(layout.tuneStart + kPeriod);
  const std::int32_t tuneEnd = At(layout.firstMarker);
  const auto expected =
      Concat(Concat(Head(), {FormatText("начало: %d длина: %d\r\n", tuneStart, tuneEnd - tuneStart)}),
             ReportFromFirstMarker(layout, tuneEnd, false));
  EXPECT_EQ(got.report, expected);

  EXPECT_EQ(got.record.tuneStart, tuneStart);
  EXPECT_EQ(got.record.tuneEnd, tuneEnd);
  EXPECT_EQ(got.record.sync2End, layout.secondMarker);
  EXPECT_EQ(got.record.headerStart, layout.header);
  EXPECT_EQ(got.record.sync3End, layout.thirdMarker);
  EXPECT_EQ(got.record.dataStart, layout.data);
  EXPECT_EQ(got.record.checksum, 294);
  EXPECT_FALSE(parser.State().inverse);
}

TEST(RecognitionReport, InvertedRecordingSaysSo) {
  const TapeRecord written = SampleRecord();
  const TapeSignal signal = WriteSample(written, true);
  const TapeFileLayout& layout = signal.layouts[0];
  CWaveParserAmp parser(DefaultTolerances());
  const Recognition got = Recognize(parser, signal.samples);
  ASSERT_EQ(got.stage, RecognitionStage::Complete);
  EXPECT_TRUE(parser.State().inverse);

  // The tuning sequence is measured in direct polarity, from the low half of
  // each written impulse, so it ends half a period before the marker; from
  // the marker on the inverse polarity measures the written impulses.
  const TapeFile& record = got.record;
  EXPECT_EQ(record.tuneEnd, layout.firstMarker - kPeriod / 2);
  const auto expected = Concat(Concat(Head(), {FormatText("начало: %d длина: %d\r\n", record.tuneStart,
                                                          record.tuneEnd - record.tuneStart)}),
                               ReportFromFirstMarker(layout, record.tuneEnd, true));
  EXPECT_EQ(got.report, expected);
  EXPECT_EQ(*parser.data, written.data);
}

// Samples of the bits of these bytes at the sample period: a 0-bit is two
// impulses of T, a 1-bit one of 2T and one of T.
std::int64_t BitSamples(std::initializer_list<std::uint8_t> bytes) {
  std::int64_t samples = 0;
  for (std::uint8_t byte : bytes) {
    for (int i = 0; i < 8; ++i) samples += ((byte >> i) & 1) != 0 ? 3 * kPeriod : 2 * kPeriod;
  }
  return samples;
}

TEST(RecognitionReport, EndsWithTheFailureOfTheStageThatWasCut) {
  struct Case {
    RecognitionStage stopsAt;
    std::function<std::int64_t(const TapeFileLayout&)> cut;
    std::string prompt;
    // The failure text, given the position at which the parser stopped.
    std::function<std::string(const TapeFileLayout&, std::int32_t)> failure;
  };
  const auto fixed = [](const char* text) {
    return [text](const TapeFileLayout&, std::int32_t) { return std::string(text); };
  };
  const auto errorAt = [](const TapeFileLayout&, std::int32_t position) {
    return FormatText("Ошибка. Тек.позиция %d\r\n", position);
  };
  const Case cases[] = {
      {RecognitionStage::Tuning, [](const TapeFileLayout& l) { return l.tuneStart + 3000 * kPeriod; },
       "Распознаём файл: /ленты/проба.wav\r\nНастроечная последовательность: ", fixed("не найдена.\r\n")},
      // The marker's bit is cut: the position stays at the end of its half-wave.
      {RecognitionStage::FirstMarker, [](const TapeFileLayout& l) { return l.firstMarker + 4 * kPeriod + 3; }, "",
       [](const TapeFileLayout& l, std::int32_t) {
         return FormatText("не найден. Тек.позиция %d\r\n", At(l.firstMarker + 2 * kPeriod));
       }},
      {RecognitionStage::SecondSync, [](const TapeFileLayout& l) { return l.sync2Start + 5 * kPeriod; },
       "Поиск второго маркера.\r\nСинхро: ", fixed("не найдена.\r\n")},
      {RecognitionStage::SecondMarker, [](const TapeFileLayout& l) { return l.secondMarker + 4 * kPeriod + 3; },
       "Второй маркер: ", fixed("не найден.\r\n")},
      {RecognitionStage::Header, [](const TapeFileLayout& l) { return l.header + 50 * kPeriod; },
       "Чтение заголовка: ", errorAt},
      {RecognitionStage::ThirdSync, [](const TapeFileLayout& l) { return l.sync3Start + 5 * kPeriod; },
       "Поиск третьего маркера.\r\nСинхро: ", fixed("не найдена.\r\n")},
      {RecognitionStage::ThirdMarker, [](const TapeFileLayout& l) { return l.thirdMarker + 4 * kPeriod + 3; },
       "Третий маркер: ", fixed("не найден.\r\n")},
      {RecognitionStage::Data, [](const TapeFileLayout& l) { return l.data + 500 * kPeriod; }, "Чтение данных: ", errorAt},
      {RecognitionStage::Checksum, [](const TapeFileLayout& l) { return l.checksum + 10 * kPeriod; },
       "Чтение контрольной суммы: ", errorAt},
  };
  const TapeSignal signal = WriteSample(SampleRecord());
  const TapeFileLayout& layout = signal.layouts[0];
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.stopsAt));
    const std::int64_t cut = c.cut(layout);
    CWaveParserAmp parser(DefaultTolerances());
    const Recognition got =
        Recognize(parser, SignalView(signal.samples).first(static_cast<std::size_t>(cut)));
    EXPECT_EQ(got.stage, c.stopsAt);
    ASSERT_GE(got.report.size(), 3U);
    EXPECT_EQ(got.report.back(), c.failure(layout, parser.State().position));
    const std::string& prompt = got.report[got.report.size() - 2];
    if (c.prompt.empty()) {
      EXPECT_EQ(prompt, FormatText("Поиск первого маркера с %d : ", got.record.tuneEnd));
    } else {
      EXPECT_EQ(prompt, c.prompt);
    }
    EXPECT_LT(parser.State().position, cut);
  }
}

TEST(RecognitionReport, NoTuningSequenceGivesThreeTexts) {
  const TapeSignal signal = WriteSample(SampleRecord());
  CWaveParserAmp parser(DefaultTolerances());
  const Recognition got =
      Recognize(parser, SignalView(signal.samples).first(static_cast<std::size_t>(2000 * kPeriod)));
  EXPECT_EQ(got.stage, RecognitionStage::Tuning);
  EXPECT_EQ(got.report, Concat(Head(), {"не найдена.\r\n"}));
  EXPECT_FALSE(got.record.HeaderRead());
  EXPECT_EQ(got.record.tuneStart, -1);
}

TEST(RecognitionReport, FailedBitPutsThePositionBackToItsStart) {
  const TapeRecord written = SampleRecord();
  const TapeSignal signal = WriteSample(written);
  const TapeFileLayout& layout = signal.layouts[0];
  // Into the third name byte (0xEF): its first three bits are read, the
  // fourth is cut.
  const std::int64_t fourthBit =
      layout.header + BitSamples({0x00, 0x02, 0x2C, 0x01, 0xF0, 0xF2}) + 3 * 3 * kPeriod;
  CWaveParserAmp parser(DefaultTolerances());
  const Recognition got =
      Recognize(parser, SignalView(signal.samples).first(static_cast<std::size_t>(fourthBit + 5)));
  EXPECT_EQ(got.stage, RecognitionStage::Header);
  EXPECT_EQ(parser.State().position, fourthBit);
  EXPECT_EQ(got.report.back(), FormatText("Ошибка. Тек.позиция %d\r\n", At(fourthBit)));
  EXPECT_EQ(got.record.address, 512);
  EXPECT_EQ(got.record.length, 300);
  EXPECT_EQ(got.record.name[0], 0xF0);
  EXPECT_EQ(got.record.name[1], 0xF2);
  EXPECT_EQ(got.record.name[2], 0x07);  // the bits read before the failure
  EXPECT_EQ(got.record.name[3], 0xFF);
  EXPECT_EQ(got.record.sync3Start, -1);
}

TEST(RecognitionReport, RecordingEndingAfterTheChecksumHasNoFinishText) {
  const TapeSignal signal = WriteSample(SampleRecord());
  const TapeFileLayout& layout = signal.layouts[0];
  CWaveParserAmp parser(DefaultTolerances());
  const Recognition got =
      Recognize(parser, SignalView(signal.samples).first(static_cast<std::size_t>(layout.finish + 3)));
  EXPECT_EQ(got.stage, RecognitionStage::Complete);
  ASSERT_GE(got.report.size(), 2U);
  EXPECT_EQ(got.report[got.report.size() - 2], "Успешно. КС=000446\r\n");
  EXPECT_EQ(got.report.back(), "Конец распознавания.\r\n");
}

TEST(RecognitionReport, ZeroLengthFailsAfterTheThirdMarkerAndKeepsEarlierData) {
  const TapeRecord first = SampleRecord();
  CWaveParserAmp parser(DefaultTolerances());
  ASSERT_EQ(Recognize(parser, WriteSample(first).samples).stage, RecognitionStage::Complete);

  TapeRecord empty = first;
  empty.data.clear();
  const TapeSignal signal = WriteSample(empty);
  const Recognition got = Recognize(parser, signal.samples);
  EXPECT_EQ(got.stage, RecognitionStage::DataLength);
  ASSERT_GE(got.report.size(), 2U);
  EXPECT_EQ(got.report[got.report.size() - 2],
            FormatText("найден. Данные с %d\r\n", At(signal.layouts[0].data)));
  EXPECT_EQ(got.report.back(), "Ошибка в заголовке - нулевая длина.\r\n");
  EXPECT_EQ(got.record.length, 0);
  EXPECT_EQ(parser.data, first.data);
}

}  // namespace
}  // namespace varnetta
