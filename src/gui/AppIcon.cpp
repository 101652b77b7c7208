#include "gui/AppIcon.h"

#include <QSize>
#include <QString>

// The icons are compiled into a static library, and the linker drops a
// resource that nothing references; this reference keeps it.
static void RegisterIconResources() { Q_INIT_RESOURCE(varnetta); }

namespace varnetta {

QIcon AppIcon() {
  static const bool registered = (RegisterIconResources(), true);
  static_cast<void>(registered);
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/varnetta-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace varnetta
