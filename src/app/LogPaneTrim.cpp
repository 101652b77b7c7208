#include "app/LogPaneTrim.h"

#include <string_view>

namespace varnetta {

namespace {

template <typename Char>
std::size_t LinesToDrop(std::basic_string_view<Char> paneText, std::size_t appendLength, std::size_t limit) {
  const std::size_t total = paneText.size() + appendLength;
  if (total < limit) return 0;
  const std::size_t excess = total - limit;
  std::size_t dropped = 0;
  while (dropped <= excess) {
    const std::size_t lineFeed = paneText.find(Char('\n'), dropped);
    if (lineFeed == std::basic_string_view<Char>::npos) return paneText.size();
    dropped = lineFeed + 1;
  }
  return dropped;
}

}  // namespace

std::size_t LinesToDropForAppend(std::string_view paneText, std::size_t appendLength, std::size_t limit) {
  return LinesToDrop(paneText, appendLength, limit);
}

std::size_t LinesToDropForAppend(std::u16string_view paneText, std::size_t appendLength, std::size_t limit) {
  return LinesToDrop(paneText, appendLength, limit);
}

}  // namespace varnetta
