#pragma once

#include <string>
#include <string_view>

namespace varnetta {

// The bytes a log file stores for a UTF-8 text: Windows-1251, '?' for every
// character that code page cannot hold (and for every byte that is not valid
// UTF-8), and every line end as exactly one CR LF: a bare LF becomes CR LF,
// a CR LF stays as it is.
std::string EncodeLogText(std::string_view utf8);

}  // namespace varnetta
