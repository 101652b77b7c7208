// Recovery benchmark: ladders of degradations of tape recordings made with
// the tape signal writer, each decoded by the whole driver with deep recovery
// off (the sweep alone) and on. For each ladder it prints the break point of
// both (the strongest rung at which every seed and size was recovered), the
// recordings recovered per rung, the false accepts (a written file that is
// not the truth) and the CPU time per recording; then a fixed negative set
// (noise of several colours, music- and speech-like signals, tape signal
// damaged beyond repair, recordings cut inside a file) on which any written
// file that is not the truth is a false accept.
//
// Every recording is 44.1 kHz mono with T = 16 samples unless its ladder
// says otherwise, and carries white noise 30 dB below the signal besides its
// own degradation. Randomness comes from mt19937's raw draws, which the
// standard fixes, so the figures repeat on any platform.
//
// Usage: recovery_ladders [--seeds N] [--sizes 2048,16384] [--ladder NAME] [--no-negatives]
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "QuietReporter.h"
#include "app/ProcessingContext.h"
#include "app/RecordingDriver.h"
#include "audio/WavWriter.h"
#include "recognition/BinLayout.h"
#include "tape/TapeSignalWriter.h"

namespace varnetta {
namespace {

namespace fs = std::filesystem;


// Uniform in [0, 1) and standard normal, from raw draws.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  double Uniform() { return static_cast<double>(engine_()) / 4294967296.0; }
  double Normal() {
    const double u = std::max(Uniform(), 1e-300);
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * std::numbers::pi * Uniform());
  }

 private:
  std::mt19937 engine_;
};

double Rms(const Signal& s) {
  double sum = 0.0;
  std::size_t n = 0;
  for (double x : s) {
    if (x != 0.0) {
      sum += x * x;
      ++n;
    }
  }
  return n == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(n));
}

void AddWhite(Signal& s, double rms, Random& r) {
  for (double& x : s) x += rms * r.Normal();
}

// Pink noise by a three-pole filter of white noise, scaled to the RMS.
void AddPink(Signal& s, double rms, Random& r) {
  Signal pink(s.size());
  double b0 = 0, b1 = 0, b2 = 0;
  for (double& p : pink) {
    const double w = r.Normal();
    b0 = 0.99765 * b0 + w * 0.0990460;
    b1 = 0.96300 * b1 + w * 0.2965164;
    b2 = 0.57000 * b2 + w * 1.0526913;
    p = b0 + b1 + b2 + w * 0.1848;
  }
  const double scale = rms / Rms(pink);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] += scale * pink[i];
}

double SnrRms(const Signal& s, double db) { return Rms(s) / std::pow(10.0, db / 20.0); }

// Reads the signal at a varying speed: output sample n takes the input at
// the sum of the speeds before it, linearly interpolated.
Signal Warp(const Signal& s, const std::function<double(double)>& speedAt, double rate) {
  Signal out;
  double at = 0.0;
  while (at + 1.0 < static_cast<double>(s.size())) {
    const auto i = static_cast<std::size_t>(at);
    out.push_back(s[i] + (s[i + 1] - s[i]) * (at - static_cast<double>(i)));
    at += speedAt(static_cast<double>(out.size()) / rate);
  }
  return out;
}

struct Recording {
  std::vector<Signal> channels;
  std::uint32_t rate = 44100;
};

struct Rung {
  std::string label;
  std::function<Recording(const TapeRecord&, std::uint32_t seed)> make;
};

struct Ladder {
  std::string name;
  std::vector<Rung> rungs;  // mild to severe
};

TapeSignalOptions BaseOptions() {
  TapeSignalOptions o;
  o.period = 16.0;
  o.leadingSilence = 20000;
  o.trailingSilence = 20000;
  return o;
}

Signal Tape(const TapeRecord& record, const TapeSignalOptions& options) {
  return WriteTapeSignal(std::span(&record, 1), options)->samples;
}

// The tape signal with the base noise and a degradation applied to it.
Rung Degraded(std::string label, std::function<void(Signal&, Random&)> degrade,
              TapeSignalOptions options = BaseOptions()) {
  return {std::move(label), [degrade, options](const TapeRecord& record, std::uint32_t seed) {
            Random r(seed * 7919u + 1u);
            Signal s = Tape(record, options);
            degrade(s, r);
            AddWhite(s, SnrRms(s, 30.0), r);
            return Recording{{s}, 44100};
          }};
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

std::vector<Ladder> Ladders() {
  std::vector<Ladder> ladders;
  auto add = [&](std::string name, std::vector<double> steps, std::string unit,
                 std::function<Rung(double, std::string)> rung) {
    Ladder ladder{std::move(name), {}};
    for (double v : steps) ladder.rungs.push_back(rung(v, Number(v) + unit));
    ladders.push_back(std::move(ladder));
  };
  add("white noise", {12, 9, 6, 3, 1, 0, -1, -2}, " dB", [](double db, std::string l) {
    return Degraded(l, [db](Signal& s, Random& r) { AddWhite(s, SnrRms(s, db), r); });
  });
  add("pink noise", {12, 9, 6, 3, 1, 0}, " dB", [](double db, std::string l) {
    return Degraded(l, [db](Signal& s, Random& r) { AddPink(s, SnrRms(s, db), r); });
  });
  add("edge jitter", {0.25, 0.5, 0.75, 1.0, 1.15}, " samples RMS", [](double rms, std::string l) {
    TapeSignalOptions o = BaseOptions();
    o.jitter = rms * std::sqrt(3.0);  // uniform of this half-width
    return Degraded(l, [](Signal&, Random&) {}, o);
  });
  add("wow and flutter", {5, 10, 15, 20, 25, 30}, "% peak", [](double peak, std::string l) {
    return Degraded(l, [peak](Signal& s, Random&) {
      const double p = peak / 100.0;
      s = Warp(s,
               [p](double t) {
                 return 1.0 + p * (0.8 * std::sin(2 * std::numbers::pi * 0.7 * t) +
                                   0.2 * std::sin(2 * std::numbers::pi * 7.0 * t));
               },
               44100.0);
    });
  });
  add("baseline wander", {0.5, 1, 1.5, 2, 3, 4}, " x RMS", [](double k, std::string l) {
    return Degraded(l, [k](Signal& s, Random& r) {
      const double a = k * Rms(s) * std::numbers::sqrt2 / 1.5;
      const double f[] = {0.5 + r.Uniform(), 1.3 + 2 * r.Uniform(), 3.1 + 5 * r.Uniform()};
      for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        for (double fi : f) s[i] += a / 3.0 * 1.5 * std::sin(2 * std::numbers::pi * fi * t + fi);
      }
    });
  });
  add("AC coupling", {300, 600, 1000, 1500, 2000}, " Hz", [](double hz, std::string l) {
    return Degraded(l, [hz](Signal& s, Random&) {
      const double rc = 1.0 / (2 * std::numbers::pi * hz), dt = 1.0 / 44100.0, alpha = rc / (rc + dt);
      double prevIn = 0, prevOut = 0;
      for (double& x : s) {
        const double out = alpha * (prevOut + x - prevIn);
        prevIn = x;
        prevOut = out;
        x = out;
      }
    });
  });
  add("all-pass sections", {2, 4, 8, 16, 24}, " at 2 kHz", [](double n, std::string l) {
    return Degraded(l, [n](Signal& s, Random&) {
      const double t = std::tan(std::numbers::pi * 2000.0 / 44100.0), c = (t - 1) / (t + 1);
      for (int k = 0; k < static_cast<int>(n); ++k) {
        double prevIn = 0, prevOut = 0;
        for (double& x : s) {
          const double out = c * x + prevIn - c * prevOut;
          prevIn = x;
          prevOut = out;
          x = out;
        }
      }
    });
  });
  add("dropouts of 8 ms", {1, 3, 5, 8}, " to -20 dB", [](double n, std::string l) {
    return Degraded(l, [n](Signal& s, Random& r) {
      const std::size_t length = 353, margin = 200000;
      for (int k = 0; k < static_cast<int>(n); ++k) {
        const auto at = margin + static_cast<std::size_t>(r.Uniform() * static_cast<double>(s.size() - 2 * margin));
        for (std::size_t i = at; i < std::min(s.size(), at + length); ++i) s[i] *= 0.1;
      }
    });
  });
  add("mains hum", {0.25, 0.5, 1, 2, 3, 4}, " x RMS", [](double k, std::string l) {
    return Degraded(l, [k](Signal& s, Random&) {
      const double a = k * Rms(s) * std::numbers::sqrt2;
      for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        double hum = 0;
        for (int h = 1; h <= 7; ++h) hum += std::pow(0.25, h - 1) * std::sin(2 * std::numbers::pi * 60.0 * h * t);
        s[i] += a * hum;
      }
    });
  });
  add("tuning length", {2048, 1024, 512, 256, 128}, " impulses", [](double n, std::string l) {
    TapeSignalOptions o = BaseOptions();
    o.tuneImpulses = static_cast<std::int32_t>(n);
    return Degraded(l, [](Signal&, Random&) {}, o);
  });
  add("tuning broken by a dropout", {10, 20, 35, 50}, " ms", [](double ms, std::string l) {
    return Degraded(l, [ms](Signal& s, Random&) {
      const auto at = static_cast<std::size_t>(20000 + 2000 * 16);
      for (std::size_t i = at; i < at + static_cast<std::size_t>(ms * 44.1); ++i) s[i] = 0.0;
    });
  });
  add("clipping", {0.5, 0.25, 0.1, 0.05}, " of the peak", [](double f, std::string l) {
    return Degraded(l, [f](Signal& s, Random&) {
      for (double& x : s) x = std::clamp(x, -0.5 * f, 0.5 * f);
    });
  });
  add("speed", {0.9, 0.95, 1.05, 1.1}, " x", [](double f, std::string l) {
    return Degraded(l, [f](Signal& s, Random&) { s = Warp(s, [f](double) { return f; }, 44100.0); });
  });
  add("8-bit quantisation with noise", {20, 12, 6}, " dB", [](double db, std::string l) {
    return Degraded(l, [db](Signal& s, Random& r) {
      AddWhite(s, SnrRms(s, db), r);
      for (double& x : s) x = std::round(std::clamp(x, -1.0, 1.0) * 127.0) / 127.0;
    });
  });
  ladders.push_back({"stereo delay, each channel at 0 dB", {}});
  for (int d : {1, 3, 8, 16}) {
    ladders.back().rungs.push_back({std::to_string(d) + " samples", [d](const TapeRecord& record, std::uint32_t seed) {
                                      Random r(seed * 104729u + 5u);
                                      Signal left = Tape(record, BaseOptions());
                                      Signal right(static_cast<std::size_t>(d), 0.0);
                                      right.insert(right.end(), left.begin(), left.end() - d);
                                      AddWhite(left, SnrRms(left, 0.0), r);
                                      AddWhite(right, SnrRms(right, 0.0), r);
                                      return Recording{{left, right}, 44100};
                                    }});
  }
  ladders.push_back({"periods and rates", {}});
  for (auto [period, rate] : {std::pair{6.0, 22050u}, {8.0, 22050u}, {12.0, 44100u}, {24.0, 44100u}, {24.0, 96000u}}) {
    ladders.back().rungs.push_back(
        {"T " + Number(period) + " at " + std::to_string(rate) + " Hz, 6 dB",
         [period, rate](const TapeRecord& record, std::uint32_t seed) {
           Random r(seed * 31u + 9u);
           TapeSignalOptions o = BaseOptions();
           o.period = period;
           Signal s = Tape(record, o);
           AddWhite(s, SnrRms(s, 6.0), r);
           return Recording{{s}, rate};
         }});
  }
  return ladders;
}

TapeRecord Truth(std::size_t size, std::uint32_t seed) {
  TapeRecord record;
  record.address = static_cast<std::uint16_t>(0x1000 + seed);
  record.name = TextToTapeName("TRUTH" + std::to_string(seed));
  Random r(seed * 2654435761u);
  for (std::size_t i = 0; i < size; ++i) record.data.push_back(static_cast<std::uint8_t>(r.Uniform() * 256.0));
  return record;
}

std::string BinOf(const TapeRecord& record) {
  TapeFile header;
  header.address = record.address;
  header.length = static_cast<std::uint16_t>(record.data.size());
  const std::vector<std::uint8_t> bytes = EncodeBinFile(header, record.data, false);
  return {bytes.begin(), bytes.end()};
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Outcome {
  bool recovered = false;  // every truth file written byte for byte
  int falseAccepts = 0;    // written files that are no truth file
  double cpuSeconds = 0.0;
};

Outcome Decode(const Recording& recording, const std::vector<std::string>& truths, bool deep, const fs::path& dir) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path path = dir / "rec.wav";
  std::string error;
  if (!WriteWavFile(path, recording.channels, recording.rate, WavSampleFormat::Float32, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return {};
  }
  QuietReporter reporter;
  ProcessingContext context(reporter);
  context.settings.DeepRecovery = deep ? 1 : 0;
  const std::clock_t start = std::clock();
  if (context.sourceClip.Load(path.string())) ProcessRecording(context, path);
  Outcome outcome;
  outcome.cpuSeconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  std::vector<bool> found(truths.size(), false);
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".bin") continue;
    const std::string bytes = ReadBytes(entry.path());
    const auto match = std::find(truths.begin(), truths.end(), bytes);
    if (match == truths.end()) {
      ++outcome.falseAccepts;
    } else {
      found[static_cast<std::size_t>(match - truths.begin())] = true;
    }
  }
  outcome.recovered = std::all_of(found.begin(), found.end(), [](bool f) { return f; });
  return outcome;
}

struct Options {
  int seeds = 5;
  std::vector<std::size_t> sizes{2048, 16384};
  std::string ladder;
  bool negatives = true;
};

struct Totals {
  int recordings = 0;
  int falseSweep = 0;
  int falseDeep = 0;
};

void RunLadder(const Ladder& ladder, const Options& options, const fs::path& scratch, Totals& totals) {
  std::printf("\n== %s\n", ladder.name.c_str());
  std::string breakSweep = "none", breakDeep = "none";
  bool sweepHolds = true, deepHolds = true;
  for (const Rung& rung : ladder.rungs) {
    int n = 0, sweepOk = 0, deepOk = 0, sweepFalse = 0, deepFalse = 0;
    double sweepCpu = 0, deepCpu = 0;
    for (std::size_t size : options.sizes) {
      for (int seed = 1; seed <= options.seeds; ++seed) {
        const TapeRecord truth = Truth(size, static_cast<std::uint32_t>(seed));
        const Recording recording = rung.make(truth, static_cast<std::uint32_t>(seed));
        const Outcome sweep = Decode(recording, {BinOf(truth)}, false, scratch);
        const Outcome deep = Decode(recording, {BinOf(truth)}, true, scratch);
        ++n;
        sweepOk += sweep.recovered;
        deepOk += deep.recovered;
        sweepFalse += sweep.falseAccepts;
        deepFalse += deep.falseAccepts;
        sweepCpu += sweep.cpuSeconds;
        deepCpu += deep.cpuSeconds;
      }
    }
    totals.recordings += n;
    totals.falseSweep += sweepFalse;
    totals.falseDeep += deepFalse;
    std::printf("  %-28s sweep %2d/%-2d  deep %2d/%-2d  false %d/%d  CPU %.2f/%.2f s per recording\n",
                rung.label.c_str(), sweepOk, n, deepOk, n, sweepFalse, deepFalse, sweepCpu / n, deepCpu / n);
    std::fflush(stdout);
    sweepHolds = sweepHolds && sweepOk == n;
    deepHolds = deepHolds && deepOk == n;
    if (sweepHolds) breakSweep = rung.label;
    if (deepHolds) breakDeep = rung.label;
  }
  std::printf("  strongest rung read in full: sweep %s; sweep and deep recovery %s\n", breakSweep.c_str(),
              breakDeep.c_str());
}

// Music-like: tones of the tape's band with envelopes; speech-like: a pulse
// train of wandering pitch through two resonances.
Signal Music(std::size_t n, Random& r) {
  Signal s(n);
  double notes[4];
  for (double& f : notes) f = 300.0 + 3000.0 * r.Uniform();
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    for (int k = 0; k < 4; ++k) {
      const double envelope = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * (0.3 + 0.4 * k) * t + k);
      s[i] += 0.15 * envelope * std::sin(2 * std::numbers::pi * notes[k] * t);
    }
  }
  return s;
}

Signal Speech(std::size_t n, Random& r) {
  Signal s(n, 0.0);
  double phase = 0.0, y1 = 0, y2 = 0, z1 = 0, z2 = 0;
  const double f1 = 500 + 400 * r.Uniform(), f2 = 1200 + 1200 * r.Uniform();
  auto coefficients = [](double f, double& a1, double& a2) {
    const double radius = 0.97, w = 2 * std::numbers::pi * f / 44100.0;
    a1 = 2 * radius * std::cos(w);
    a2 = -radius * radius;
  };
  double a1, a2, b1, b2;
  coefficients(f1, a1, a2);
  coefficients(f2, b1, b2);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    const double pitch = 120.0 + 40.0 * std::sin(2 * std::numbers::pi * 3.0 * t);
    phase += pitch / 44100.0;
    const double pulse = phase >= 1.0 ? 1.0 : 0.0;
    if (phase >= 1.0) phase -= 1.0;
    const double voiced = std::sin(2 * std::numbers::pi * 2.5 * t) > -0.3 ? 1.0 : 0.0;
    const double x = voiced * pulse + 0.02 * r.Normal();
    const double y = x + a1 * y1 + a2 * y2;
    y2 = y1;
    y1 = y;
    const double z = x + b1 * z1 + b2 * z2;
    z2 = z1;
    z1 = z;
    s[i] = 0.05 * (y + z);
  }
  return s;
}

void RunNegatives(const fs::path& scratch, Totals& totals) {
  std::printf("\n== negative set\n");
  struct Kind {
    std::string name;
    int count;
    std::function<std::pair<Recording, std::vector<std::string>>(std::uint32_t)> make;
  };
  const std::size_t n = 44100 * 4;
  const std::vector<Kind> kinds = {
      {"white noise", 40,
       [n](std::uint32_t seed) {
         Random r(seed);
         Signal s(n, 0.0);
         AddWhite(s, 0.01 + 0.3 * r.Uniform(), r);
         return std::pair{Recording{{s}, 44100}, std::vector<std::string>{}};
       }},
      {"pink noise", 40,
       [n](std::uint32_t seed) {
         Random r(seed + 1000);
         Signal s(n, 0.0);
         AddPink(s, 0.01 + 0.3 * r.Uniform(), r);
         return std::pair{Recording{{s}, 44100}, std::vector<std::string>{}};
       }},
      {"brown noise", 20,
       [n](std::uint32_t seed) {
         Random r(seed + 2000);
         Signal s(n, 0.0);
         double v = 0;
         for (double& x : s) x = v = 0.999 * v + 0.01 * r.Normal();
         return std::pair{Recording{{s}, 44100}, std::vector<std::string>{}};
       }},
      {"music-like", 30,
       [n](std::uint32_t seed) {
         Random r(seed + 3000);
         return std::pair{Recording{{Music(n, r)}, 44100}, std::vector<std::string>{}};
       }},
      {"speech-like", 30,
       [n](std::uint32_t seed) {
         Random r(seed + 4000);
         return std::pair{Recording{{Speech(n, r)}, 44100}, std::vector<std::string>{}};
       }},
      {"tape signal at -10 dB", 20,
       [](std::uint32_t seed) {
         Random r(seed + 5000);
         const TapeRecord truth = Truth(512, seed);
         Signal s = Tape(truth, BaseOptions());
         AddWhite(s, SnrRms(s, -10.0), r);
         return std::pair{Recording{{s}, 44100}, std::vector<std::string>{BinOf(truth)}};
       }},
      {"tape signal with its data half gone", 10,
       [](std::uint32_t seed) {
         Random r(seed + 6000);
         const TapeRecord truth = Truth(512, seed);
         TapeSignal tape = *WriteTapeSignal(std::span(&truth, 1), BaseOptions());
         const TapeFileLayout& layout = tape.layouts[0];
         for (auto i = layout.data; i < (layout.data + layout.finish) / 2; ++i) tape.samples[static_cast<std::size_t>(i)] = 0;
         AddWhite(tape.samples, 0.01, r);
         return std::pair{Recording{{tape.samples}, 44100}, std::vector<std::string>{}};
       }},
      {"recording cut inside a file", 20,
       [](std::uint32_t seed) {
         Random r(seed + 7000);
         const TapeRecord truth = Truth(512, seed);
         TapeSignal tape = *WriteTapeSignal(std::span(&truth, 1), BaseOptions());
         const TapeFileLayout& layout = tape.layouts[0];
         const auto cut = layout.data + static_cast<std::int64_t>(r.Uniform() * static_cast<double>(layout.finish - layout.data));
         tape.samples.resize(static_cast<std::size_t>(cut));
         AddWhite(tape.samples, SnrRms(tape.samples, 20.0), r);
         return std::pair{Recording{{tape.samples}, 44100}, std::vector<std::string>{}};
       }},
  };
  for (const Kind& kind : kinds) {
    int sweepFalse = 0, deepFalse = 0;
    double cpu = 0;
    for (int i = 0; i < kind.count; ++i) {
      const auto [recording, truths] = kind.make(static_cast<std::uint32_t>(i + 1));
      sweepFalse += Decode(recording, truths, false, scratch).falseAccepts;
      const Outcome deep = Decode(recording, truths, true, scratch);
      deepFalse += deep.falseAccepts;
      cpu += deep.cpuSeconds;
    }
    totals.recordings += kind.count;
    totals.falseSweep += sweepFalse;
    totals.falseDeep += deepFalse;
    std::printf("  %-36s %3d recordings  false accepts: sweep %d, deep %d  CPU %.2f s per recording\n",
                kind.name.c_str(), kind.count, sweepFalse, deepFalse, cpu / kind.count);
    std::fflush(stdout);
  }
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--no-negatives") {
      options.negatives = false;
    } else if (arg == "--seeds" && i + 1 < argc) {
      const std::string_view v = argv[++i];
      if (std::from_chars(v.data(), v.data() + v.size(), options.seeds).ec != std::errc() || options.seeds < 1)
        return false;
    } else if (arg == "--sizes" && i + 1 < argc) {
      options.sizes.clear();
      std::string_view v = argv[++i];
      while (!v.empty()) {
        std::size_t size = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), size);
        if (ec != std::errc() || size == 0 || size > 65535) return false;
        options.sizes.push_back(size);
        v.remove_prefix(static_cast<std::size_t>(end - v.data()));
        if (!v.empty() && v.front() == ',') v.remove_prefix(1);
      }
    } else if (arg == "--ladder" && i + 1 < argc) {
      options.ladder = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace
}  // namespace varnetta

int main(int argc, char** argv) {
  using namespace varnetta;
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr, "usage: %s [--seeds N] [--sizes 2048,16384] [--ladder NAME] [--no-negatives]\n", argv[0]);
    return 2;
  }
  const fs::path scratch = fs::temp_directory_path() / ("varnetta-ladders-" + std::to_string(::getpid()));
  Totals totals;
  for (const Ladder& ladder : Ladders()) {
    if (options.ladder.empty() || ladder.name == options.ladder) RunLadder(ladder, options, scratch, totals);
  }
  if (options.negatives && options.ladder.empty()) RunNegatives(scratch, totals);
  fs::remove_all(scratch);
  std::printf("\n%d recordings; false accepts: sweep %d, sweep and deep recovery %d\n", totals.recordings,
              totals.falseSweep, totals.falseDeep);
  return totals.falseDeep == 0 ? 0 : 1;
}
