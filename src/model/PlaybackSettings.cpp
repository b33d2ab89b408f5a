#include "model/PlaybackSettings.h"

namespace morrowfane {

Tuning TuningOf(const PlaybackSettings& settings) {
  return ShapedTuning(settings.Root, settings.Shape);
}

}  // namespace morrowfane
