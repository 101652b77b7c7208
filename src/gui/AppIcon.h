#pragma once

#include <QIcon>

namespace varnetta {

// The application's icon (a cassette with a tape signal), in every size it
// ships in.
QIcon AppIcon();

}  // namespace varnetta
