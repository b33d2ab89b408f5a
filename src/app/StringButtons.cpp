#include "app/StringButtons.h"

#include <chrono>

namespace morrowfane {
namespace {

using std::chrono::milliseconds;

// Lets a looping note of another string end before the new note opens the device. Strings 2..5
// wait 10 ms longer. The new note waits, never the window.
constexpr milliseconds kStopToPlayPause{80};
constexpr milliseconds kInnerStringExtraPause{10};

bool IsInnerString(int stringNumber) {
  return stringNumber >= 2 && stringNumber <= 5;
}
bool IsString(int number, const Tuning& tuning) {
  return number >= 1 && number <= static_cast<int>(tuning.size());
}

milliseconds PauseBeforePlaying(int stringNumber) {
  return IsInnerString(stringNumber) ? kStopToPlayPause + kInnerStringExtraPause : kStopToPlayPause;
}

}  // namespace

StringButtons::StringButtons(TonePlayer& player, LabelFunction label)
    : player_(player), label_(std::move(label)) {}

void StringButtons::PressString(int k) {
  const Tuning tuning = player_.GetTuning();
  if (!IsString(k, tuning)) {
    return;
  }
  const std::string& note = tuning[static_cast<std::size_t>(k - 1)];

  const bool lit = !(lastString_ == k && buttonLit_[k - 1]);
  buttonLit_[k - 1] = lit;
  label_(k, note, lit);
  if (IsString(lastString_, tuning) && lastString_ != k) {
    label_(lastString_, tuning[static_cast<std::size_t>(lastString_ - 1)], false);
  }

  player_.StopAll();
  if (sounding_ && lastString_ == k) {
    sounding_ = false;
  } else {
    note_ = player_.Play(k, PauseBeforePlaying(k));
    sounding_ = true;
  }
  lastString_ = k;
}

void StringButtons::OptionsOpened() {
  player_.StopAll();
  sounding_ = false;
  // Keep icon and sound in step: a cancelled dialog must not leave a lit button that is silent.
  const Tuning tuning = player_.GetTuning();
  if (IsString(lastString_, tuning) && buttonLit_[lastString_ - 1]) {
    buttonLit_[lastString_ - 1] = false;
    label_(lastString_, tuning[static_cast<std::size_t>(lastString_ - 1)], false);
  }
}

void StringButtons::OptionsConfirmed() {
  lastString_ = 0;
}

void StringButtons::NoteLost(TonePlayer::NoteId note) {
  const Tuning tuning = player_.GetTuning();
  if (!sounding_ || note != note_ || !IsString(lastString_, tuning)) {
    return;
  }
  sounding_ = false;
  buttonLit_[lastString_ - 1] = false;
  label_(lastString_, tuning[static_cast<std::size_t>(lastString_ - 1)], false);
}

}  // namespace morrowfane
