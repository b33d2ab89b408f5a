#pragma once

#include <QString>

#include "model/Instruments.h"
#include "model/TuningShapes.h"

namespace morrowfane {

// The names the options dialog shows, translated.
QString InstrumentName(StringInstrument instrument);
QString ShapeName(TuningShape shape);
QString CustomTuningName();

}  // namespace morrowfane
