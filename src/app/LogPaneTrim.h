#pragma once

#include <cstddef>
#include <string_view>

namespace varnetta {

// How many leading characters a log pane holding paneText must drop before a
// text of appendLength characters is added, so that it stays within limit:
// nothing while paneText.size() + appendLength < limit; otherwise whole lines
// from the top, as few as make the dropped length exceed
// paneText.size() + appendLength - limit, and all of the text when it holds
// no further line feed. The count includes the line feed of the last dropped
// line. Characters are whatever unit the pane counts in.
std::size_t LinesToDropForAppend(std::string_view paneText, std::size_t appendLength, std::size_t limit);
std::size_t LinesToDropForAppend(std::u16string_view paneText, std::size_t appendLength, std::size_t limit);

}  // namespace varnetta
