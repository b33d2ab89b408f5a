#pragma once

#include <QIcon>
#include <QString>
#include <functional>

namespace morrowfane {

// Icon resource ids: the application icon; the note icons are kFirstNoteIconId..kLastNoteIconId.
inline constexpr int kApplicationIconId = 128;

// Maps an icon resource id to the Qt resource path of its image; empty when the id names none.
using IconPathLookup = std::function<QString(int id)>;

// The program's own icons: ":/icons/note-<id>.png" for the note icons (with an @2x variant
// beside it) and ":/icons/morrowfane-32.png" for the application icon.
QString ProgramIconPath(int id);

// The application icon at every size it comes in, for window and taskbar.
QIcon ApplicationIcon();

}  // namespace morrowfane
