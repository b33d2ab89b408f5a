#include "model/PlaybackSettings.h"

namespace morrowfane {

Tuning TuningOf(const PlaybackSettings& settings) {
  return TuningForRoot(settings.Root);
}

}  // namespace morrowfane
