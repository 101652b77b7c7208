#include "settings/SettingsText.h"

#include <algorithm>
#include <optional>

namespace varnetta {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kHexDigits[] = "0123456789ABCDEF";

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::optional<int> HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// Space and tab, which the reading trims around names and values.
bool IsLineBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsLineBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsLineBlank(text.back())) text.remove_suffix(1);
  return text;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    // The reading would trim a space at either end.
    const bool spaceAtAnEnd = c == ' ' && (i == 0 || i + 1 == text.size());
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (IsControl(byte) || spaceAtAnEnd) {
      out += "\\x";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0x0F];
    } else {
      out += c;
    }
  }
}

// The length of the escape at text[i] (a backslash) and the character it
// stands for; nothing when it is not an escape.
std::optional<std::pair<std::size_t, char>> ReadEscape(std::string_view text, std::size_t i) {
  if (i + 1 >= text.size()) return std::nullopt;
  switch (text[i + 1]) {
    case '\\': return std::pair<std::size_t, char>{2, '\\'};
    case 'n': return std::pair<std::size_t, char>{2, '\n'};
    case 'r': return std::pair<std::size_t, char>{2, '\r'};
    case 't': return std::pair<std::size_t, char>{2, '\t'};
    case 'x': {
      if (i + 3 >= text.size()) return std::nullopt;
      const auto high = HexValue(text[i + 2]);
      const auto low = HexValue(text[i + 3]);
      if (!high || !low) return std::nullopt;
      return std::pair<std::size_t, char>{4, static_cast<char>(*high * 16 + *low)};
    }
    default: return std::nullopt;
  }
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto escape = text[i] == '\\' ? ReadEscape(text, i) : std::nullopt;
    if (escape) {
      out += escape->second;
      i += escape->first;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// The name between "[" and "]" of a section line.
std::optional<std::string_view> SectionName(std::string_view line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return line.substr(1, line.size() - 2);
}

std::optional<SettingsEntry> ReadEntry(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() == ';' || line.front() == '#') return std::nullopt;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view name = TrimBlanks(line.substr(0, equals));
  if (name.empty()) return std::nullopt;
  return SettingsEntry{std::string(name), Unescape(TrimBlanks(line.substr(equals + 1)))};
}

void Store(std::vector<SettingsEntry>& entries, SettingsEntry entry) {
  const auto same = std::find_if(entries.begin(), entries.end(),
                                 [&](const SettingsEntry& e) { return EqualsIgnoringCase(e.name, entry.name); });
  if (same == entries.end()) {
    entries.push_back(std::move(entry));
  } else {
    same->text = std::move(entry.text);
  }
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

std::vector<SettingsEntry> ParseSettingsSection(std::string_view fileText, std::string_view section) {
  if (fileText.starts_with(kByteOrderMark)) fileText.remove_prefix(kByteOrderMark.size());
  std::vector<SettingsEntry> entries;
  bool inSection = false;
  while (!fileText.empty()) {
    const std::size_t end = std::min(fileText.find('\n'), fileText.size());
    std::string_view line = fileText.substr(0, end);
    fileText.remove_prefix(std::min(end + 1, fileText.size()));
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (const auto name = SectionName(line)) {
      inSection = EqualsIgnoringCase(*name, section);
    } else if (inSection) {
      if (auto entry = ReadEntry(line)) Store(entries, std::move(*entry));
    }
  }
  return entries;
}

std::string FormatSettingsSection(std::string_view section, std::span<const SettingsEntry> entries) {
  std::string out = "[";
  out += section;
  out += "]\n";
  for (const SettingsEntry& entry : entries) {
    out += entry.name;
    out += '=';
    AppendEscaped(out, entry.text);
    out += '\n';
  }
  return out;
}

std::string EscapeSettingText(std::string_view text) {
  std::string out;
  AppendEscaped(out, text);
  return out;
}

}  // namespace varnetta
