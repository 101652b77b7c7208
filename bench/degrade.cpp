// Applies one degradation to a recording, as a worn tape, a poor player or a
// careless capture would: reads IN.wav, writes OUT.wav (16-bit PCM, 8-bit for
// quant8). The same seed gives the same output on every platform: randomness
// is mt19937's raw draws, scaled here rather than by std distributions.
//
// "Signal RMS" below is measured over the recording's non-silent part: the
// 10 ms blocks (all channels together) whose mean square is within 20 dB of
// the loudest block's.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <bit>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "audio/AudioClip.h"
#include "audio/WavWriter.h"

namespace {

using varnetta::Signal;
constexpr double kPi = std::numbers::pi;

constexpr const char* kUsage =
    "usage: %s IN.wav OUT.wav KIND STRENGTH [--seed N] [options]\n"
    "\n"
    "  white SNR_DB     white Gaussian noise, signal RMS over noise RMS across the full band\n"
    "  pink SNR_DB      pink noise (Voss-McCartney, 16 rows plus a white row), same measure\n"
    "  brown SNR_DB     brown noise (leaky integral of white noise, flat below 20 Hz), same measure\n"
    "                   --reference-db L: take the signal RMS as L dBFS (for noise on silence)\n"
    "  wow PERCENT      peak speed deviation: a 0.7 Hz wow carrying 70%% of it plus a 7 Hz\n"
    "                   flutter carrying 30%%, random phases, by time-varying resampling\n"
    "  speed FACTOR     played FACTOR times as fast (1.1: 10%% fast, shorter)\n"
    "  wander K         baseline wander: 4 sines of 0.3 to 8 Hz, random phases and weights,\n"
    "                   their sum's peak K times the signal RMS\n"
    "  highpass HZ      AC coupling: first-order high-pass with its corner at HZ\n"
    "  allpass N        N first-order all-pass sections, corner --corner HZ (default 2000)\n"
    "  dropout N        N dropouts of --length MS (default 10) to --depth DB below (default 40),\n"
    "                   each starting at a random place inside the signal, or the one at\n"
    "                   --at SECONDS; 1 ms raised-cosine edges (a quarter of MS when shorter)\n"
    "  hum LEVEL_DB     mains hum at --mains HZ (default 60) with harmonics up to the 7th, each\n"
    "                   12 dB below the one before, random phases; its RMS LEVEL_DB above the\n"
    "                   signal RMS (or --reference-db L)\n"
    "  clip FRACTION    clipped at FRACTION of the peak, both sides\n"
    "  quant8 GAIN_DB   scaled by GAIN_DB (0 or below) and written as 8-bit PCM\n"
    "  delay D          mono in, stereo out: the right channel D samples late\n";

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

struct Request {
  std::string input;
  std::string output;
  std::string kind;
  double strength = 0.0;
  std::uint32_t seed = 1;
  bool hasReference = false;
  double referenceDb = 0.0;
  double cornerHz = 2000.0;
  double lengthMs = 10.0;
  double depthDb = 40.0;
  double atSeconds = -1.0;  // below 0: random places
  double mainsHz = 60.0;
};

bool ParseArguments(int argc, char** argv, Request& request) {
  if (argc < 5 || (argc - 5) % 2 != 0) return false;
  request.input = argv[1];
  request.output = argv[2];
  request.kind = argv[3];
  if (!ParseNumber(std::string_view(argv[4]), request.strength) || !std::isfinite(request.strength)) return false;
  for (int i = 5; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    const std::string_view value = argv[i + 1];
    bool parsed = false;
    if (name == "--seed") {
      parsed = ParseNumber(value, request.seed);
    } else if (name == "--reference-db") {
      parsed = ParseNumber(value, request.referenceDb);
      request.hasReference = true;
    } else if (name == "--corner") {
      parsed = ParseNumber(value, request.cornerHz) && request.cornerHz > 0.0;
    } else if (name == "--length") {
      parsed = ParseNumber(value, request.lengthMs) && request.lengthMs > 0.0;
    } else if (name == "--depth") {
      parsed = ParseNumber(value, request.depthDb) && request.depthDb >= 0.0;
    } else if (name == "--at") {
      parsed = ParseNumber(value, request.atSeconds) && request.atSeconds >= 0.0;
    } else if (name == "--mains") {
      parsed = ParseNumber(value, request.mainsHz) && request.mainsHz > 0.0;
    }
    if (!parsed) return false;
  }
  return true;
}

class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  // [0, 1)
  double Uniform() { return static_cast<double>(engine_()) / 4294967296.0; }
  // Box-Muller, one value per pair of draws.
  double Normal() {
    const double u = 1.0 - Uniform();  // (0, 1]
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * kPi * Uniform());
  }

 private:
  std::mt19937 engine_;
};

std::size_t Length(const varnetta::AudioClip& clip) {
  return clip.channels.empty() ? 0 : clip.channels.front().size();
}

// Which 10 ms blocks hold signal, and its RMS over them.
struct Activity {
  std::size_t blockSize = 1;
  std::vector<bool> active;
  double rms = 0.0;
};

Activity MeasureActivity(const varnetta::AudioClip& clip) {
  Activity activity;
  activity.blockSize = std::max<std::size_t>(1, clip.sampleRate / 100);
  const std::size_t length = Length(clip);
  std::vector<double> blockSquares;
  for (std::size_t start = 0; start < length; start += activity.blockSize) {
    const std::size_t end = std::min(length, start + activity.blockSize);
    double sum = 0.0;
    for (const Signal& channel : clip.channels) {
      for (std::size_t i = start; i < end; ++i) sum += channel[i] * channel[i];
    }
    blockSquares.push_back(sum / static_cast<double>((end - start) * clip.channels.size()));
  }
  const double loudest = blockSquares.empty() ? 0.0 : *std::max_element(blockSquares.begin(), blockSquares.end());
  double sum = 0.0;
  std::size_t count = 0;
  for (const double square : blockSquares) {
    const bool on = loudest > 0.0 && square >= loudest * 0.01;
    activity.active.push_back(on);
    if (on) {
      sum += square;
      ++count;
    }
  }
  activity.rms = count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
  return activity;
}

double Rms(const Signal& s) {
  double sum = 0.0;
  for (const double x : s) sum += x * x;
  return s.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(s.size()));
}

double ReferenceRms(const varnetta::AudioClip& clip, const Request& request) {
  return request.hasReference ? std::pow(10.0, request.referenceDb / 20.0) : MeasureActivity(clip).rms;
}

Signal WhiteNoise(std::size_t length, Random& random) {
  Signal noise(length);
  for (double& x : noise) x = random.Normal();
  return noise;
}

// Row k is drawn anew every 2^k samples (the row of the counter's lowest set
// bit), so the sum falls by 3 dB an octave over 16 octaves.
Signal PinkNoise(std::size_t length, Random& random) {
  constexpr int kRows = 16;
  double rows[kRows];
  double sum = 0.0;
  for (double& row : rows) {
    row = random.Normal();
    sum += row;
  }
  Signal noise(length);
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint32_t counter = static_cast<std::uint32_t>(i + 1);
    const int row = std::min(std::countr_zero(counter), kRows - 1);
    const double fresh = random.Normal();
    sum += fresh - rows[row];
    rows[row] = fresh;
    noise[i] = sum + random.Normal();
  }
  return noise;
}

Signal BrownNoise(std::size_t length, double sampleRate, Random& random) {
  const double pole = std::exp(-2.0 * kPi * 20.0 / sampleRate);
  Signal noise(length);
  double y = 0.0;
  for (double& x : noise) {
    y = pole * y + random.Normal();
    x = y;
  }
  return noise;
}

// Adds `noise` to a channel, scaled to the given RMS.
void AddScaled(Signal& channel, const Signal& noise, double rms) {
  const double scale = rms / std::max(Rms(noise), 1e-300);
  for (std::size_t i = 0; i < channel.size(); ++i) channel[i] += noise[i] * scale;
}

void AddNoise(varnetta::AudioClip& clip, const Request& request) {
  Random random(request.seed);
  const double rms = ReferenceRms(clip, request) / std::pow(10.0, request.strength / 20.0);
  for (Signal& channel : clip.channels) {
    const Signal noise = request.kind == "white" ? WhiteNoise(channel.size(), random)
                         : request.kind == "pink"
                             ? PinkNoise(channel.size(), random)
                             : BrownNoise(channel.size(), clip.sampleRate, random);
    AddScaled(channel, noise, rms);
  }
}

// Windowed-sinc reader of a channel at fractional positions (Lanczos, 8 lobes),
// its kernel tabulated at 1/1024 of a sample.
class Interpolator {
 public:
  Interpolator() : table_((kPhases + 1) * 2 * kLobes) {
    for (int phase = 0; phase <= kPhases; ++phase) {
      const double fraction = static_cast<double>(phase) / kPhases;
      for (int tap = 0; tap < 2 * kLobes; ++tap) {
        const double x = static_cast<double>(tap - kLobes + 1) - fraction;
        table_[static_cast<std::size_t>(phase * 2 * kLobes + tap)] = Lanczos(x);
      }
    }
  }

  double At(const Signal& s, double position) const {
    const double floorPosition = std::floor(position);
    const auto base = static_cast<std::int64_t>(floorPosition);
    const auto phase = static_cast<int>(std::lround((position - floorPosition) * kPhases));
    const double* kernel = &table_[static_cast<std::size_t>(phase * 2 * kLobes)];
    double sum = 0.0;
    for (int tap = 0; tap < 2 * kLobes; ++tap) {
      const std::int64_t i = base + tap - kLobes + 1;
      if (i >= 0 && i < static_cast<std::int64_t>(s.size())) sum += s[static_cast<std::size_t>(i)] * kernel[tap];
    }
    return sum;
  }

 private:
  static constexpr int kLobes = 8;
  static constexpr int kPhases = 1024;

  static double Lanczos(double x) {
    if (std::fabs(x) < 1e-12) return 1.0;
    if (std::fabs(x) >= kLobes) return 0.0;
    const double px = kPi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
  }

  std::vector<double> table_;
};

// Resamples every channel: output sample n is the input read at position(n).
template <class Position>
void Resample(varnetta::AudioClip& clip, Position position) {
  const Interpolator interpolator;
  const auto inputLength = static_cast<double>(Length(clip));
  std::vector<double> positions;
  for (std::size_t n = 0;; ++n) {
    const double p = position(static_cast<double>(n));
    if (!(p < inputLength)) break;
    positions.push_back(p);
  }
  for (Signal& channel : clip.channels) {
    Signal out(positions.size());
    for (std::size_t n = 0; n < positions.size(); ++n) out[n] = interpolator.At(channel, positions[n]);
    channel = std::move(out);
  }
}

void WowAndFlutter(varnetta::AudioClip& clip, const Request& request) {
  Random random(request.seed);
  const double peak = request.strength / 100.0;
  struct Tone {
    double hz, share, phase;
  };
  const Tone tones[] = {{0.7, 0.7, 2.0 * kPi * random.Uniform()}, {7.0, 0.3, 2.0 * kPi * random.Uniform()}};
  const double rate = clip.sampleRate;
  // Speed 1 + sum(share * peak * sin(w t + phase)); the position read is its integral.
  Resample(clip, [&](double n) {
    const double t = n / rate;
    double seconds = t;
    for (const Tone& tone : tones) {
      const double w = 2.0 * kPi * tone.hz;
      seconds += tone.share * peak / w * (std::cos(tone.phase) - std::cos(w * t + tone.phase));
    }
    return seconds * rate;
  });
}

void BaselineWander(varnetta::AudioClip& clip, const Request& request) {
  Random random(request.seed);
  struct Tone {
    double w, weight, phase;
  };
  std::vector<Tone> tones;
  for (int k = 0; k < 4; ++k) {
    const double hz = 0.3 + 7.7 * random.Uniform();
    tones.push_back({2.0 * kPi * hz / clip.sampleRate, 0.5 + 0.5 * random.Uniform(), 2.0 * kPi * random.Uniform()});
  }
  Signal wander(Length(clip));
  double peak = 0.0;
  for (std::size_t i = 0; i < wander.size(); ++i) {
    double sum = 0.0;
    for (const Tone& tone : tones) sum += tone.weight * std::sin(tone.w * static_cast<double>(i) + tone.phase);
    wander[i] = sum;
    peak = std::max(peak, std::fabs(sum));
  }
  const double scale = request.strength * MeasureActivity(clip).rms / std::max(peak, 1e-300);
  for (Signal& channel : clip.channels) {
    for (std::size_t i = 0; i < channel.size(); ++i) channel[i] += wander[i] * scale;
  }
}

// Bilinear transform of s / (s + wc), the corner prewarped.
void HighPass(varnetta::AudioClip& clip, const Request& request) {
  const double k = std::tan(kPi * request.strength / clip.sampleRate);
  const double b0 = 1.0 / (1.0 + k);
  const double a1 = (k - 1.0) / (1.0 + k);
  for (Signal& channel : clip.channels) {
    double x1 = 0.0, y1 = 0.0;
    for (double& x : channel) {
      const double y = b0 * (x - x1) - a1 * y1;
      x1 = x;
      y1 = y;
      x = y;
    }
  }
}

// (c + z^-1) / (1 + c z^-1): flat magnitude, 90 degrees of phase at the corner.
void AllPass(varnetta::AudioClip& clip, const Request& request) {
  const double k = std::tan(kPi * request.cornerHz / clip.sampleRate);
  const double c = (k - 1.0) / (k + 1.0);
  const auto sections = static_cast<int>(request.strength);
  for (Signal& channel : clip.channels) {
    for (int s = 0; s < sections; ++s) {
      double x1 = 0.0, y1 = 0.0;
      for (double& x : channel) {
        const double y = c * x + x1 - c * y1;
        x1 = x;
        y1 = y;
        x = y;
      }
    }
  }
}

void Dropouts(varnetta::AudioClip& clip, const Request& request) {
  const std::size_t length = Length(clip);
  const auto span = static_cast<std::size_t>(std::llround(request.lengthMs / 1000.0 * clip.sampleRate));
  const std::size_t edge = std::max<std::size_t>(
      1, std::min(static_cast<std::size_t>(clip.sampleRate / 1000), span / 4));
  const double floor = std::pow(10.0, -request.depthDb / 20.0);
  std::vector<std::size_t> starts;
  if (request.atSeconds >= 0.0) {
    starts.push_back(static_cast<std::size_t>(std::llround(request.atSeconds * clip.sampleRate)));
  } else {
    const Activity activity = MeasureActivity(clip);
    std::vector<std::size_t> activeBlocks;
    for (std::size_t b = 0; b < activity.active.size(); ++b) {
      if (activity.active[b]) activeBlocks.push_back(b);
    }
    Random random(request.seed);
    for (int k = 0; k < static_cast<int>(request.strength) && !activeBlocks.empty(); ++k) {
      const auto pick = static_cast<std::size_t>(random.Uniform() * static_cast<double>(activeBlocks.size()));
      const auto within = static_cast<std::size_t>(random.Uniform() * static_cast<double>(activity.blockSize));
      starts.push_back(activeBlocks[pick] * activity.blockSize + within);
    }
  }
  for (const std::size_t start : starts) {
    for (std::size_t i = 0; i < span && start + i < length; ++i) {
      // Depth in dB follows a raised cosine on the edges.
      const std::size_t fromEdge = std::min(i, span - 1 - i);
      const double shape =
          fromEdge >= edge ? 1.0 : 0.5 - 0.5 * std::cos(kPi * static_cast<double>(fromEdge) / static_cast<double>(edge));
      const double gain = std::pow(floor, shape);
      for (Signal& channel : clip.channels) channel[start + i] *= gain;
    }
  }
}

void Hum(varnetta::AudioClip& clip, const Request& request) {
  Random random(request.seed);
  Signal hum(Length(clip));
  for (int harmonic = 1; harmonic <= 7; ++harmonic) {
    const double amplitude = std::pow(10.0, -12.0 * (harmonic - 1) / 20.0);
    const double w = 2.0 * kPi * request.mainsHz * harmonic / clip.sampleRate;
    const double phase = 2.0 * kPi * random.Uniform();
    for (std::size_t i = 0; i < hum.size(); ++i) hum[i] += amplitude * std::sin(w * static_cast<double>(i) + phase);
  }
  const double rms = ReferenceRms(clip, request) * std::pow(10.0, request.strength / 20.0);
  for (Signal& channel : clip.channels) AddScaled(channel, hum, rms);
}

void Clip(varnetta::AudioClip& clip, const Request& request) {
  double peak = 0.0;
  for (const Signal& channel : clip.channels) {
    for (const double x : channel) peak = std::max(peak, std::fabs(x));
  }
  const double limit = request.strength * peak;
  for (Signal& channel : clip.channels) {
    for (double& x : channel) x = std::clamp(x, -limit, limit);
  }
}

void Gain(varnetta::AudioClip& clip, double db) {
  const double gain = std::pow(10.0, db / 20.0);
  for (Signal& channel : clip.channels) {
    for (double& x : channel) x *= gain;
  }
}

void StereoDelay(varnetta::AudioClip& clip, const Request& request) {
  const auto delay = static_cast<std::size_t>(request.strength);
  Signal left = std::move(clip.channels.front());
  Signal right(delay, 0.0);
  right.insert(right.end(), left.begin(), left.end());
  left.resize(right.size(), 0.0);
  clip.channels = {std::move(left), std::move(right)};
}

// Applies the degradation; false for an unknown kind or a strength out of range.
bool Apply(varnetta::AudioClip& clip, const Request& request) {
  const std::string& kind = request.kind;
  const double s = request.strength;
  if (kind == "white" || kind == "pink" || kind == "brown") {
    AddNoise(clip, request);
  } else if (kind == "wow") {
    if (!(s >= 0.0 && s < 50.0)) return false;
    WowAndFlutter(clip, request);
  } else if (kind == "speed") {
    if (!(s >= 0.5 && s <= 2.0)) return false;
    Resample(clip, [&](double n) { return n * s; });
  } else if (kind == "wander") {
    BaselineWander(clip, request);
  } else if (kind == "highpass") {
    if (!(s > 0.0 && s < clip.sampleRate / 2.0)) return false;
    HighPass(clip, request);
  } else if (kind == "allpass") {
    if (!(s >= 0.0 && s <= 1000.0) || request.cornerHz >= clip.sampleRate / 2.0) return false;
    AllPass(clip, request);
  } else if (kind == "dropout") {
    if (!(s >= 0.0 && s <= 10000.0)) return false;
    Dropouts(clip, request);
  } else if (kind == "hum") {
    Hum(clip, request);
  } else if (kind == "clip") {
    if (!(s > 0.0 && s <= 1.0)) return false;
    Clip(clip, request);
  } else if (kind == "quant8") {
    if (!(s <= 0.0)) return false;
    Gain(clip, s);
  } else if (kind == "delay") {
    if (!(s >= 0.0 && s <= 1e7) || clip.channels.size() != 1) return false;
    StereoDelay(clip, request);
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  if (!ParseArguments(argc, argv, request)) {
    std::fprintf(stderr, kUsage, argv[0]);
    return 2;
  }
  varnetta::AudioClip clip;
  if (!clip.Load(request.input)) return 1;
  if (Length(clip) == 0 || !Apply(clip, request)) {
    std::fprintf(stderr, "%s: cannot apply %s %g to %s\n", argv[0], request.kind.c_str(), request.strength,
                 request.input.c_str());
    std::fprintf(stderr, kUsage, argv[0]);
    return 2;
  }
  const auto format = request.kind == "quant8" ? varnetta::WavSampleFormat::Pcm8 : varnetta::WavSampleFormat::Pcm16;
  std::string error;
  if (!varnetta::WriteWavFile(request.output, clip.channels, clip.sampleRate, format, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }
  return 0;
}
