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

// A value line: its name and its text as written, blanks around both trimmed.
struct ValueLine {
  std::string_view name;
  std::string_view text;
};

// Nothing for a comment, a blank line or a line without a name and '='.
std::optional<ValueLine> ReadValueLine(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() == ';' || line.front() == '#') return std::nullopt;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view name = TrimBlanks(line.substr(0, equals));
  if (name.empty()) return std::nullopt;
  return ValueLine{name, TrimBlanks(line.substr(equals + 1))};
}

// One line of the file as it stands.
struct FileLine {
  std::string_view text;  // without its line end
  std::string_view end;   // "\n" or "\r\n"; for a last line also "\r" or nothing
  bool sectionLine = false;
  bool inSection = false;  // the named section's own line, or a line below it
  std::optional<ValueLine> value;  // a value line of the named section
};

// The length of the line end of a line up to and including its line feed. A
// last line may lack one, or end in a bare CR, which reading drops too.
std::size_t LineEndLength(std::string_view line) {
  if (line.ends_with("\r\n")) return 2;
  return line.ends_with('\n') || line.ends_with('\r') ? 1 : 0;
}

// The lines of a file (without its byte order mark), each with where it stands
// towards the named section.
std::vector<FileLine> SplitLines(std::string_view fileText, std::string_view section) {
  std::vector<FileLine> lines;
  bool inSection = false;
  while (!fileText.empty()) {
    const std::size_t newline = fileText.find('\n');
    const std::size_t length = newline == std::string_view::npos ? fileText.size() : newline + 1;
    FileLine line;
    line.text = fileText.substr(0, length);
    fileText.remove_prefix(length);
    const std::size_t endLength = LineEndLength(line.text);
    line.end = line.text.substr(line.text.size() - endLength);
    line.text.remove_suffix(endLength);
    if (const auto name = SectionName(line.text)) {
      inSection = EqualsIgnoringCase(*name, section);
      line.sectionLine = true;
    } else if (inSection) {
      line.value = ReadValueLine(line.text);
    }
    line.inSection = inSection;
    lines.push_back(line);
  }
  return lines;
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

void AppendEntryLine(std::string& out, const SettingsEntry& entry, std::string_view end) {
  out += entry.name;
  out += '=';
  AppendEscaped(out, entry.text);
  out += end;
}

bool HoldsValueOf(const FileLine& line, const SettingsEntry& entry) {
  return line.value && EqualsIgnoringCase(line.value->name, entry.name);
}

// The entry whose value a line of the named section holds; nullptr for any other line.
const SettingsEntry* EntryOfLine(const FileLine& line, std::span<const SettingsEntry> entries) {
  const auto entry =
      std::find_if(entries.begin(), entries.end(), [&](const SettingsEntry& e) { return HoldsValueOf(line, e); });
  return entry == entries.end() ? nullptr : &*entry;
}

// The entries that no line of the named section holds, in their order.
std::vector<const SettingsEntry*> EntriesWithoutALine(std::span<const FileLine> lines,
                                                      std::span<const SettingsEntry> entries) {
  std::vector<const SettingsEntry*> missing;
  for (const SettingsEntry& entry : entries) {
    if (std::none_of(lines.begin(), lines.end(), [&](const FileLine& line) { return HoldsValueOf(line, entry); })) {
      missing.push_back(&entry);
    }
  }
  return missing;
}

// The last line that belongs to the named section: its last value line, or
// its section line when it has none. Comments and blank lines after it are
// left to whatever follows. Nothing when the file has no such section.
std::optional<std::size_t> SectionEnd(std::span<const FileLine> lines) {
  std::optional<std::size_t> end;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].inSection && (lines[i].sectionLine || lines[i].value)) end = i;
  }
  return end;
}

std::string FormatSection(std::string_view section, std::span<const SettingsEntry> entries) {
  std::string out = "[";
  out += section;
  out += "]\n";
  for (const SettingsEntry& entry : entries) AppendEntryLine(out, entry, "\n");
  return out;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

std::vector<SettingsEntry> ParseSettingsSection(std::string_view fileText, std::string_view section) {
  if (fileText.starts_with(kByteOrderMark)) fileText.remove_prefix(kByteOrderMark.size());
  std::vector<SettingsEntry> entries;
  for (const FileLine& line : SplitLines(fileText, section)) {
    if (line.value) Store(entries, {std::string(line.value->name), Unescape(line.value->text)});
  }
  return entries;
}

std::string UpdateSettingsSection(std::string_view fileText, std::string_view section,
                                  std::span<const SettingsEntry> entries) {
  std::string out;
  if (fileText.starts_with(kByteOrderMark)) {
    out += kByteOrderMark;
    fileText.remove_prefix(kByteOrderMark.size());
  }
  const std::vector<FileLine> lines = SplitLines(fileText, section);
  const std::vector<const SettingsEntry*> missing = EntriesWithoutALine(lines, entries);
  const std::optional<std::size_t> sectionEnd = SectionEnd(lines);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const FileLine& line = lines[i];
    if (const SettingsEntry* entry = EntryOfLine(line, entries)) {
      AppendEntryLine(out, *entry, line.end);
    } else {
      out += line.text;
      out += line.end;
    }
    if (i == sectionEnd && !missing.empty()) {
      // The new lines end as the line before them does; a last line without
      // a line feed gets one first.
      const std::string_view end = line.end == "\r\n" ? "\r\n" : "\n";
      if (!line.end.ends_with('\n')) out += end;
      for (const SettingsEntry* entry : missing) AppendEntryLine(out, *entry, end);
    }
  }
  if (!sectionEnd) {
    if (!fileText.empty() && !fileText.ends_with('\n')) out += '\n';
    out += FormatSection(section, entries);
  }
  return out;
}

std::string EscapeSettingText(std::string_view text) {
  std::string out;
  AppendEscaped(out, text);
  return out;
}

}  // namespace varnetta
