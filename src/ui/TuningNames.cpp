#include "ui/TuningNames.h"

#include <QCoreApplication>

namespace morrowfane {
// One translation context, "TuningNames", for the names of instruments and tunings wherever they
// are shown; each text is written out in full so that lupdate finds it.

QString InstrumentName(StringInstrument instrument) {
  switch (instrument) {
    case StringInstrument::Guitar6:
      return QCoreApplication::translate("TuningNames", "Guitar, 6 strings");
    case StringInstrument::Guitar7:
      return QCoreApplication::translate("TuningNames", "Guitar, 7 strings");
    case StringInstrument::Bass4:
      return QCoreApplication::translate("TuningNames", "Bass, 4 strings");
    case StringInstrument::Bass5:
      return QCoreApplication::translate("TuningNames", "Bass, 5 strings");
    case StringInstrument::Ukulele:
      return QCoreApplication::translate("TuningNames", "Ukulele");
    case StringInstrument::BaritoneUkulele:
      return QCoreApplication::translate("TuningNames", "Baritone ukulele");
    case StringInstrument::Mandolin:
      return QCoreApplication::translate("TuningNames", "Mandolin");
    case StringInstrument::Banjo5:
      return QCoreApplication::translate("TuningNames", "Banjo, 5 strings");
    case StringInstrument::Violin:
      return QCoreApplication::translate("TuningNames", "Violin");
    case StringInstrument::Viola:
      return QCoreApplication::translate("TuningNames", "Viola");
    case StringInstrument::Cello:
      return QCoreApplication::translate("TuningNames", "Cello");
    case StringInstrument::DoubleBass:
      return QCoreApplication::translate("TuningNames", "Double bass");
  }
  return {};
}

QString ShapeName(TuningShape shape) {
  switch (shape) {
    case TuningShape::Standard:
      return QCoreApplication::translate("TuningNames", "Standard");
    case TuningShape::DropD:
      return QCoreApplication::translate("TuningNames", "Drop D");
    case TuningShape::DoubleDropD:
      return QCoreApplication::translate("TuningNames", "Double drop D");
    case TuningShape::Dadgad:
      return QCoreApplication::translate("TuningNames", "DADGAD");
    case TuningShape::OpenD:
      return QCoreApplication::translate("TuningNames", "Open D");
    case TuningShape::OpenG:
      return QCoreApplication::translate("TuningNames", "Open G");
    case TuningShape::OpenE:
      return QCoreApplication::translate("TuningNames", "Open E");
    case TuningShape::OpenA:
      return QCoreApplication::translate("TuningNames", "Open A");
    case TuningShape::OpenC:
      return QCoreApplication::translate("TuningNames", "Open C");
    case TuningShape::LowG:
      return QCoreApplication::translate("TuningNames", "Low G");
    case TuningShape::UkuleleD:
      return QCoreApplication::translate("TuningNames", "D tuning");
  }
  return {};
}

QString CustomTuningName() {
  return QCoreApplication::translate("TuningNames", "Custom");
}

}  // namespace morrowfane
