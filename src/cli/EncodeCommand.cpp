#include "cli/EncodeCommand.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/WavWriter.h"
#include "cli/Usage.h"
#include "common/Signal.h"
#include "recognition/BinLayout.h"
#include "tape/TapeSignalWriter.h"

namespace varnetta {

namespace {

constexpr std::uint32_t kDefaultRate = 44100;
// The default impulse period in samples is the sample rate divided by this
// (12 samples at 44100 Hz).
constexpr double kDefaultImpulsesPerSecond = 3675.0;
constexpr double kDefaultGapSeconds = 1.0;
constexpr double kEdgeSilenceSeconds = 0.5;

struct EncodeRequest {
  std::vector<std::string> bins;
  std::string output;
  std::uint32_t rate = kDefaultRate;
  WavSampleFormat format = WavSampleFormat::Pcm16;
  std::optional<double> period;
  double amplitude = 0.5;
  bool stereo = false;
  std::int64_t offset = 0;
  std::optional<std::string> name;
  bool inverted = false;
  double gapSeconds = kDefaultGapSeconds;
  std::optional<std::int32_t> tuneImpulses;
  double jitter = 0.0;
  std::uint32_t jitterSeed = 1;
};

void PrintEncodeHelp() {
  std::printf(
      "Usage: varnetta-cli encode [options] BIN... -o OUT.wav\n"
      "\n"
      "Writes a tape recording of the .bin files (short or long layout), one tape file\n"
      "after another, that varnetta-cli decodes back to the same files (decode a\n"
      "recording of several files with --multi-file). OUT.wav must not exist yet.\n"
      "\n"
      "Options:\n"
      "  -o, --output FILE   the WAV file to write\n"
      "  --rate HZ           sample rate, default 44100\n"
      "  --bits B            8, 16, 24, 32 or float, default 16\n"
      "  --period T          impulse period in samples (fractions allowed), default rate / 3675\n"
      "  --amplitude A       peak level, above 0 and at most 1, default 0.5\n"
      "  --stereo            write two channels carrying the same signal\n"
      "  --offset N          stereo, with the right channel N samples later (earlier when negative)\n"
      "  --inverse           negate every sample\n"
      "  --gap SECONDS       silence between two tape files, default 1\n"
      "  --tune N            tuning impulses before each file, default 4096\n"
      "  --jitter J          make each half-wave up to J samples longer or shorter (uniformly\n"
      "                      distributed), at most an eighth of the period; default 0\n"
      "  --jitter-seed N     seed of that jitter, default 1\n"
      "  --name NAME         the tape name (one BIN only); otherwise the name in a long .bin,\n"
      "                      else the file name without its extension\n");
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<WavSampleFormat> ParseBits(std::string_view text) {
  if (text == "8") return WavSampleFormat::Pcm8;
  if (text == "16") return WavSampleFormat::Pcm16;
  if (text == "24") return WavSampleFormat::Pcm24;
  if (text == "32") return WavSampleFormat::Pcm32;
  if (text == "float") return WavSampleFormat::Float32;
  return std::nullopt;
}

// Applies one option that takes a value; an error text when it is bad.
std::optional<std::string> ApplyValueOption(EncodeRequest& request, std::string_view name, std::string_view value) {
  const std::string shown(value);
  if (name == "-o" || name == "--output") {
    request.output = shown;
  } else if (name == "--rate") {
    if (!ParseNumber(value, request.rate) || request.rate == 0) return "invalid sample rate '" + shown + "'";
  } else if (name == "--bits") {
    const std::optional<WavSampleFormat> format = ParseBits(value);
    if (!format) return "invalid bit depth '" + shown + "': expected 8, 16, 24, 32 or float";
    request.format = *format;
  } else if (name == "--period") {
    double period = 0.0;
    if (!ParseNumber(value, period) || !std::isfinite(period)) return "invalid impulse period '" + shown + "'";
    request.period = period;
  } else if (name == "--amplitude") {
    if (!ParseNumber(value, request.amplitude) || !(request.amplitude > 0.0 && request.amplitude <= 1.0)) {
      return "invalid amplitude '" + shown + "': expected a number above 0 and at most 1";
    }
  } else if (name == "--offset") {
    if (!ParseNumber(value, request.offset) || request.offset < -kMaxSignalLength || request.offset > kMaxSignalLength) {
      return "invalid offset '" + shown + "'";
    }
    request.stereo = true;
  } else if (name == "--gap") {
    if (!ParseNumber(value, request.gapSeconds) || !(request.gapSeconds >= 0.0 && request.gapSeconds < 3600.0)) {
      return "invalid gap '" + shown + "'";
    }
  } else if (name == "--tune") {
    std::int32_t impulses = 0;
    if (!ParseNumber(value, impulses) || impulses < 0) return "invalid tuning length '" + shown + "'";
    request.tuneImpulses = impulses;
  } else if (name == "--jitter") {
    if (!ParseNumber(value, request.jitter) || !(request.jitter >= 0.0)) return "invalid jitter '" + shown + "'";
  } else if (name == "--jitter-seed") {
    if (!ParseNumber(value, request.jitterSeed)) return "invalid jitter seed '" + shown + "'";
  } else if (name == "--name") {
    request.name = shown;
  } else {
    return "unknown option '" + std::string(name) + "'";
  }
  return std::nullopt;
}

bool TakesValue(std::string_view name) { return name != "--stereo" && name != "--inverse"; }

std::optional<EncodeRequest> ParseEncodeArguments(int argc, char** argv) {
  EncodeRequest request;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.empty() || argument[0] != '-') {
      request.bins.emplace_back(argument);
      continue;
    }
    OptionWithValue option = SplitOption(argument);
    std::optional<std::string> error;
    if (option.name == "--stereo" && !option.value) {
      request.stereo = true;
    } else if (option.name == "--inverse" && !option.value) {
      request.inverted = true;
    } else if (!TakesValue(option.name) || (!option.value && !TakeNextValue(argc, argv, i, option))) {
      error = "option " + std::string(option.name) + (TakesValue(option.name) ? " needs a value" : " takes no value");
    } else {
      error = ApplyValueOption(request, option.name, *option.value);
    }
    if (error) {
      ReportUsageError(*error);
      return std::nullopt;
    }
  }
  if (request.bins.empty()) {
    ReportUsageError("encode: no .bin file given");
    return std::nullopt;
  }
  if (request.output.empty()) {
    ReportUsageError("encode: no output file given (-o OUT.wav)");
    return std::nullopt;
  }
  if (request.name && request.bins.size() > 1) {
    ReportUsageError("encode: --name goes with one .bin file only");
    return std::nullopt;
  }
  return request;
}

std::optional<TapeRecord> ReadTapeRecord(const std::string& path, const std::optional<std::string>& name) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "varnetta-cli: cannot read %s\n", path.c_str());
    return std::nullopt;
  }
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::optional<BinContents> contents = DecodeBinFile(bytes);
  if (!contents) {
    std::fprintf(stderr, "varnetta-cli: %s is not a .bin file: its size fits neither layout\n", path.c_str());
    return std::nullopt;
  }
  if (contents->data.empty()) {
    // The decoder refuses a header of length 0, so such a tape could never be read back.
    std::fprintf(stderr, "varnetta-cli: %s holds no data bytes; a tape file needs at least one\n", path.c_str());
    return std::nullopt;
  }
  TapeRecord record;
  record.address = contents->address;
  record.data = std::move(contents->data);
  if (name) {
    record.name = TextToTapeName(*name);
  } else if (contents->name) {
    record.name = *contents->name;
  } else {
    record.name = TextToTapeName(std::filesystem::path(path).stem().string());
  }
  return record;
}

TapeSignalOptions SignalOptions(const EncodeRequest& request) {
  TapeSignalOptions options;
  options.period = request.period.value_or(request.rate / kDefaultImpulsesPerSecond);
  options.amplitude = request.amplitude;
  options.inverted = request.inverted;
  options.leadingSilence = std::llround(kEdgeSilenceSeconds * request.rate);
  options.trailingSilence = options.leadingSilence;
  options.gapSilence = std::llround(request.gapSeconds * request.rate);
  if (request.tuneImpulses) options.tuneImpulses = *request.tuneImpulses;
  options.jitter = request.jitter;
  options.jitterSeed = request.jitterSeed;
  return options;
}

// The recording's channels: the signal, or it twice with the right channel
// shifted by offset samples (silence fills what the shift opens).
std::vector<Signal> Channels(Signal signal, const EncodeRequest& request) {
  if (!request.stereo) return {std::move(signal)};
  const auto shift = static_cast<std::size_t>(std::llabs(request.offset));
  Signal early = signal;
  early.resize(signal.size() + shift, 0.0);
  Signal late(shift, 0.0);
  late.insert(late.end(), signal.begin(), signal.end());
  if (request.offset >= 0) return {std::move(early), std::move(late)};
  return {std::move(late), std::move(early)};
}

// Reads the .bin files and writes the recording; the exit status.
int WriteRecording(const EncodeRequest& request) {
  std::vector<TapeRecord> records;
  for (const std::string& bin : request.bins) {
    std::optional<TapeRecord> record = ReadTapeRecord(bin, request.name);
    if (!record) return 1;
    records.push_back(std::move(*record));
  }
  const TapeSignalOptions options = SignalOptions(request);
  const std::string problem = TapeSignalProblem(records, options);
  if (!problem.empty()) {
    std::fprintf(stderr, "varnetta-cli: cannot write this tape: %s\n", problem.c_str());
    return 1;
  }
  std::optional<TapeSignal> tape = WriteTapeSignal(records, options);
  if (!tape) return 1;
  // The shift lengthens both channels by the offset.
  if (static_cast<std::int64_t>(tape->samples.size()) + std::llabs(request.offset) > kMaxSignalLength) {
    std::fprintf(stderr, "varnetta-cli: cannot write this tape: the signal would be longer than %lld samples\n",
                 static_cast<long long>(kMaxSignalLength));
    return 1;
  }
  std::string error;
  if (!WriteWavFile(request.output, Channels(std::move(tape->samples), request), request.rate, request.format,
                    error)) {
    std::fprintf(stderr, "varnetta-cli: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int RunEncodeCommand(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
      PrintEncodeHelp();
      return 0;
    }
  }
  const std::optional<EncodeRequest> request = ParseEncodeArguments(argc, argv);
  if (!request) return kExitUsage;
  try {
    return WriteRecording(*request);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "varnetta-cli: not enough memory to write %s\n", request->output.c_str());
    return 1;
  }
}

}  // namespace varnetta
