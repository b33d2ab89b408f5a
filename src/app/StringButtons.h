#pragma once

#include <array>
#include <functional>
#include <string>

#include "model/Notes.h"
#include "player/TonePlayer.h"

namespace morrowfane {

// Decides what a press of one of the string buttons does: start, switch or stop the string's
// reference note, and which buttons show their lit or unlit note icon. Runs on the UI thread and
// never blocks it: a new note waits for the old one to end on its own worker.
class StringButtons {
 public:
  // Shows on string button `stringNumber` (1..N) the icon of `note`, lit or unlit, at once.
  using LabelFunction = std::function<void(int stringNumber, const std::string& note, bool lit)>;

  StringButtons(TonePlayer& player, LabelFunction label);

  void PressString(int stringNumber);
  // Before the options dialog opens: the note stops and the lit button goes unlit.
  void OptionsOpened();
  // After the options dialog ended with OK and the buttons show the new tuning unlit.
  void OptionsConfirmed();
  // The player's report that a looping note ended because its device went away: if it is still
  // the sounding note, its button goes unlit and the next press plays. Reports of notes stopped or
  // replaced since change nothing.
  void NoteLost(TonePlayer::NoteId note);

  int LastString() const { return lastString_; }
  bool Sounding() const { return sounding_; }
  bool ButtonLit(int stringNumber) const { return buttonLit_.at(stringNumber - 1); }

 private:
  TonePlayer& player_;
  LabelFunction label_;
  int lastString_ = 0;
  bool sounding_ = false;
  TonePlayer::NoteId note_ = 0;  // the sounding note's
  std::array<bool, kMaxStringCount> buttonLit_{};
};

}  // namespace morrowfane
