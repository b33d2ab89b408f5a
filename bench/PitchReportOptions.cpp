#include "PitchReportOptions.h"

#include <algorithm>
#include <cstdlib>

#include "model/Instruments.h"
#include "player/MidiMessage.h"

namespace morrowfane::report {
namespace {

// Each instrument's proposed program on its keys, once per program and keys; the guitars keep
// the user's program, so theirs is the nylon guitar.
std::vector<Job> InstrumentJobs() {
  constexpr int kNylonGuitar = 24;
  std::vector<Job> jobs;
  for (const InstrumentEntry& entry : kInstruments) {
    const int program = entry.program == kKeepProgram ? kNylonGuitar : entry.program;
    const Job job{program, KeysSounded(entry.instrument)};
    if (std::find(jobs.begin(), jobs.end(), job) == jobs.end()) {
      jobs.push_back(job);
    }
  }
  return jobs;
}

}  // namespace

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  std::optional<StringInstrument> strings;
  bool instruments = false;
  std::vector<int> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keys") {
      options.everyKey = true;
    } else if (arg == "--instruments") {
      instruments = true;
    } else if (arg == "--strings" && i + 1 < argc && InstrumentForWord(argv[i + 1])) {
      strings = InstrumentForWord(argv[++i]);
    } else if (arg == "--soundfont" && i + 1 < argc) {
      options.soundFont = argv[++i];
    } else if (arg == "--rate" && i + 1 < argc) {
      options.rate = std::atof(argv[++i]);
    } else if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos &&
               std::atoi(arg.c_str()) < midi::kProgramCount) {
      programs.push_back(std::atoi(arg.c_str()));
    } else {
      return std::nullopt;
    }
  }
  if (instruments) {
    options.jobs = InstrumentJobs();
    return options;
  }
  const StringInstrument instrument = strings.value_or(StringInstrument::Guitar6);
  if (programs.empty() && InstrumentOf(instrument).program != kKeepProgram) {
    programs.push_back(InstrumentOf(instrument).program);
  }
  if (programs.empty()) {
    for (int p = 0; p < midi::kProgramCount; ++p) {
      programs.push_back(p);
    }
  }
  for (const int program : programs) {
    options.jobs.push_back({program, KeysSounded(instrument)});
  }
  return options;
}

// The keys without a heard pitch, grouped by why: "moves: 55 56; noise: 80".
std::string UnmeasuredText(const std::vector<std::pair<int, Unmeasured>>& keys) {
  std::string text;
  for (const auto reason : {Unmeasured::Silent, Unmeasured::Noise, Unmeasured::OffKey,
                            Unmeasured::Moves, Unmeasured::Inharmonic}) {
    std::string list;
    for (const auto& [key, why] : keys) {
      if (why == reason) {
        list += " " + std::to_string(key);
      }
    }
    if (!list.empty()) {
      text += "    not measurable, " + std::string(Why(reason)) + ":" + list + "\n";
    }
  }
  return text;
}

}  // namespace morrowfane::report
