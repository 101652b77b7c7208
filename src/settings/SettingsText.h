#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnetta {

// One stored value: its name and its text as the program sees it (unescaped).
struct SettingsEntry {
  std::string name;
  std::string text;
};

// ASCII letters compared without regard to case, everything else exactly.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The lines of the settings file: a section line "[Section]" followed by
// "Name=Text" lines. A text keeps every character; control characters and the
// backslash, which a line could not hold or which would be ambiguous, are
// written as \n, \r, \t, \\ or \xHH, and so is a space that begins or ends
// the text, as the reading trims blanks there.
//
// Reading takes the entries of the one section named (section and value names
// compared without regard to case, a later line of a name replacing an earlier
// one); other sections, comment lines (';' or '#'), blank lines and lines
// without '=' are skipped. Spaces and tabs around a name and around a text
// are trimmed, as INI readers do. CR LF line ends and a UTF-8 byte order mark
// are accepted. An escape that is not one of the above stays as written.
std::vector<SettingsEntry> ParseSettingsSection(std::string_view fileText, std::string_view section);

// The file with the entries' values written into the named section: every
// line that holds the value of an entry now holds its new text and keeps its
// line end; an entry without a line gets one after the last value line of the
// section (or its section line); a section the file lacks is added at its end.
// Every other line, other sections, comments and unknown values included,
// stays as it was, byte for byte. Names are compared as reading compares them.
std::string UpdateSettingsSection(std::string_view fileText, std::string_view section,
                                  std::span<const SettingsEntry> entries);

// A text as a value line of the file spells it.
std::string EscapeSettingText(std::string_view text);

}  // namespace varnetta
