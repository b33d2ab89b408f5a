#include "app/StringButtons.h"

#include <chrono>

namespace morrowfane {
namespace {

using std::chrono::milliseconds;

// Strings 2..5 first stop whatever sounds and wait a little before anything else.
constexpr milliseconds kInnerStringPause{10};
// Lets a looping note of another string end before the new worker opens the device.
constexpr milliseconds kStopToPlayPause{80};

bool IsInnerString(int stringNumber) {
  return stringNumber >= 2 && stringNumber <= 5;
}
bool IsString(int number) {
  return number >= 1 && number <= kStringCount;
}

}  // namespace

StringButtons::StringButtons(TonePlayer& player, Sleeper& sleeper, LabelFunction label)
    : player_(player), sleeper_(sleeper), label_(std::move(label)) {}

void StringButtons::PressString(int k) {
  if (!IsString(k)) {
    return;
  }
  if (IsInnerString(k)) {
    player_.Stop().Set();
    sleeper_.Sleep(kInnerStringPause);
  }
  const Tuning tuning = player_.GetTuning();
  const std::string& note = tuning[k - 1];

  const bool lit = !(lastString_ == k && buttonLit_[k - 1]);
  buttonLit_[k - 1] = lit;
  label_(k, note, lit);
  if (IsString(lastString_) && lastString_ != k) {
    label_(lastString_, tuning[lastString_ - 1], false);
  }

  if (sounding_ && lastString_ == k) {
    player_.Stop().Set();
    sounding_ = false;
  } else {
    player_.Stop().Set();
    sleeper_.Sleep(kStopToPlayPause);
    player_.Play(note, k);
    sounding_ = true;
  }
  lastString_ = k;
}

void StringButtons::OptionsOpened() {
  player_.Stop().Set();
  sounding_ = false;
  // Keep icon and sound in step: a cancelled dialog must not leave a lit button that is silent.
  if (IsString(lastString_) && buttonLit_[lastString_ - 1]) {
    buttonLit_[lastString_ - 1] = false;
    label_(lastString_, player_.GetTuning()[lastString_ - 1], false);
  }
}

void StringButtons::OptionsConfirmed() {
  lastString_ = 0;
}

}  // namespace morrowfane
