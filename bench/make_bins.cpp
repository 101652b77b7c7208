// Writes .bin files (short layout) of pseudo-random bytes for the benchmark
// recordings: DIR/file01.bin, file02.bin, ... one per size given. The bytes
// come from a fixed seed (--seed N changes it), so every run makes the same files.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>
#include <vector>

namespace {

bool ParseSize(std::string_view text, std::uint32_t& size) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
  return error == std::errc() && end == text.data() + text.size() && size >= 1 && size <= 0xFFFF;
}

// Address, length (both low byte first) and the data.
std::vector<char> ShortBin(std::uint16_t address, std::uint32_t size, std::mt19937& random) {
  std::vector<char> bytes;
  bytes.reserve(4 + size);
  for (const std::uint32_t field : {std::uint32_t{address}, size}) {
    bytes.push_back(static_cast<char>(field & 0xFF));
    bytes.push_back(static_cast<char>(field >> 8));
  }
  for (std::uint32_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>(random() & 0xFF));
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint32_t seed = 20240601;
  bool seedValid = true;
  if (argc >= 5 && std::string_view(argv[argc - 2]) == "--seed") {
    const std::string_view text = argv[argc - 1];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    seedValid = error == std::errc() && end == text.data() + text.size();
    argc -= 2;
  }
  if (argc < 3 || !seedValid) {
    std::fprintf(stderr, "usage: %s DIR SIZE... [--seed N]   (sizes in bytes, 1 to 65535)\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::mt19937 random(seed);
  for (int i = 2; i < argc; ++i) {
    std::uint32_t size = 0;
    if (!ParseSize(argv[i], size)) {
      std::fprintf(stderr, "%s: invalid size '%s'\n", argv[0], argv[i]);
      return 2;
    }
    char name[32];
    std::snprintf(name, sizeof name, "file%02d.bin", i - 1);
    const std::vector<char> bytes = ShortBin(0x1000, size, random);
    std::ofstream out(dir / name, std::ios::binary);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], (dir / name).c_str());
      return 1;
    }
  }
  return 0;
}
