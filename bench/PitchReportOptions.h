#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "HeardPitch.h"
#include "model/KeyRange.h"

namespace morrowfane::report {

inline constexpr char kDefaultSoundFont[] = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
inline constexpr double kDefaultRate = 48000.0;

// One program on one instrument's keys.
struct Job {
  int program;
  KeyRange keys;
  friend bool operator==(const Job&, const Job&) = default;
};

struct Options {
  std::string soundFont = kDefaultSoundFont;
  double rate = kDefaultRate;
  bool everyKey = false;
  std::vector<Job> jobs;
};

// The command line's options; nothing when it is not understood.
std::optional<Options> ParseOptions(int argc, char** argv);

// The keys without a heard pitch, one line per reason.
std::string UnmeasuredText(const std::vector<std::pair<int, Unmeasured>>& keys);

}  // namespace morrowfane::report
