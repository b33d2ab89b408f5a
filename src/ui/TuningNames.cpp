#include "ui/TuningNames.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace morrowfane {
namespace {

// The shown name of each instrument and tuning shape, by the word the settings file stores for
// it. One translation context, "TuningNames", for these names wherever they are shown.
constexpr std::array<std::pair<std::string_view, const char*>, 23> kNames = {{
    {"Guitar6", QT_TRANSLATE_NOOP("TuningNames", "Guitar, 6 strings")},
    {"Guitar7", QT_TRANSLATE_NOOP("TuningNames", "Guitar, 7 strings")},
    {"Bass4", QT_TRANSLATE_NOOP("TuningNames", "Bass, 4 strings")},
    {"Bass5", QT_TRANSLATE_NOOP("TuningNames", "Bass, 5 strings")},
    {"Ukulele", QT_TRANSLATE_NOOP("TuningNames", "Ukulele")},
    {"BaritoneUkulele", QT_TRANSLATE_NOOP("TuningNames", "Baritone ukulele")},
    {"Mandolin", QT_TRANSLATE_NOOP("TuningNames", "Mandolin")},
    {"Banjo5", QT_TRANSLATE_NOOP("TuningNames", "Banjo, 5 strings")},
    {"Violin", QT_TRANSLATE_NOOP("TuningNames", "Violin")},
    {"Viola", QT_TRANSLATE_NOOP("TuningNames", "Viola")},
    {"Cello", QT_TRANSLATE_NOOP("TuningNames", "Cello")},
    {"DoubleBass", QT_TRANSLATE_NOOP("TuningNames", "Double bass")},
    {"Standard", QT_TRANSLATE_NOOP("TuningNames", "Standard")},
    {"DropD", QT_TRANSLATE_NOOP("TuningNames", "Drop D")},
    {"DoubleDropD", QT_TRANSLATE_NOOP("TuningNames", "Double drop D")},
    {"DADGAD", QT_TRANSLATE_NOOP("TuningNames", "DADGAD")},
    {"OpenD", QT_TRANSLATE_NOOP("TuningNames", "Open D")},
    {"OpenG", QT_TRANSLATE_NOOP("TuningNames", "Open G")},
    {"OpenE", QT_TRANSLATE_NOOP("TuningNames", "Open E")},
    {"OpenA", QT_TRANSLATE_NOOP("TuningNames", "Open A")},
    {"OpenC", QT_TRANSLATE_NOOP("TuningNames", "Open C")},
    {"LowG", QT_TRANSLATE_NOOP("TuningNames", "Low G")},
    {"UkuleleD", QT_TRANSLATE_NOOP("TuningNames", "D tuning")},
}};

QString NameOf(std::string_view word) {
  const auto* found =
      std::ranges::find(kNames, word, &std::pair<std::string_view, const char*>::first);
  return found != kNames.end() ? QCoreApplication::translate("TuningNames", found->second)
                               : QString();
}

}  // namespace

QString InstrumentName(StringInstrument instrument) {
  return NameOf(InstrumentOf(instrument).word);
}

QString ShapeName(TuningShape shape) {
  return NameOf(ShapeEntry(shape).word);
}

QString CustomTuningName() {
  return QCoreApplication::translate("TuningNames", "Custom");
}

}  // namespace morrowfane
