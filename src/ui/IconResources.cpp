#include "ui/IconResources.h"

#include <array>

#include "model/Notes.h"

// The resources live in a static library; referencing them here keeps the linker from dropping
// them. Q_INIT_RESOURCE must be used outside any namespace.
static void InitProgramIcons() {
  Q_INIT_RESOURCE(morrowfane);
}

namespace morrowfane {
namespace {

constexpr std::array kApplicationIconSizes = {16, 32, 64, 256};

void EnsureResources() {
  static const bool initialised = [] {
    InitProgramIcons();
    return true;
  }();
  static_cast<void>(initialised);
}

}  // namespace

QString ProgramIconPath(int id) {
  EnsureResources();
  if (id >= kFirstNoteIconId && id <= kLastNoteIconId) {
    return QStringLiteral(":/icons/note-%1.png").arg(id);
  }
  if (id == kApplicationIconId) {
    return QStringLiteral(":/icons/morrowfane-32.png");
  }
  return {};
}

QIcon ApplicationIcon() {
  EnsureResources();
  QIcon icon;
  for (const int size : kApplicationIconSizes) {
    icon.addFile(QStringLiteral(":/icons/morrowfane-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace morrowfane
