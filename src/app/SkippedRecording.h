#pragma once

#include <string_view>

namespace varnetta {

// Names on standard error the failure that skips this path, in the reader's
// manner ("ERROR: ..." and the path). Call it only from a catch handler: it
// looks at the exception being handled.
void ReportSkippedRecording(std::string_view path);

}  // namespace varnetta
