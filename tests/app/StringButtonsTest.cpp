#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "PlayerSettings.h"
#include "RecordingMidiOutputs.h"
#include "VirtualClock.h"
#include "app/StringButtons.h"
#include "model/Notes.h"
#include "player/MidiMessage.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;
using testing::ChangeSetting;
using testing::RecordingMidiOutputs;
using testing::VirtualClock;
using Trace = std::vector<std::string>;

// Drives the state machine and writes one trace of everything it does, in order:
// "stop" for a stop of every note, "label K NOTE lit|unlit", and "play KEY after N" for a note
// that a worker started (its note-on key, N ms of the player's virtual time after the press).
//
// At every label (and after each call) the trace first waits for the player's workers and then
// counts the new stops, so each shows up once, at the point where it happened. The player
// strikes once (Loop off) in virtual time, so its workers end at once.
class StringButtonsTest : public ::testing::Test {
 protected:
  StringButtonsTest() { ChangeSetting(player, &PlaybackSettings::Loop, false); }

  Trace Press(int k) {
    trace.clear();
    pressTime = playerClock.Now();
    buttons.PressString(k);
    Observe();
    return trace;
  }
  Trace OptionsOpened() {
    trace.clear();
    buttons.OptionsOpened();
    Observe();
    return trace;
  }

  void Observe() {
    player.WaitIdle();
    for (; seenStops < player.StopRequests(); ++seenStops) {
      trace.push_back("stop");
    }
    const auto events = outputs.Events();
    for (; seenEvents < events.size(); ++seenEvents) {
      const auto& event = events[seenEvents];
      if (event.kind == RecordingMidiOutputs::Kind::Message &&
          midi::TypeOf(event.message) == midi::kNoteOn) {
        trace.push_back("play " + std::to_string(midi::Data1Of(event.message)) + " after " +
                        std::to_string((event.time - pressTime).count()));
      }
    }
  }

  int NotesPlayed() const {
    int count = 0;
    for (const auto message : outputs.Messages()) {
      count += midi::TypeOf(message) == midi::kNoteOn ? 1 : 0;
    }
    return count;
  }

  VirtualClock playerClock;
  RecordingMidiOutputs outputs{0, [this] { return playerClock.Now(); }};
  TonePlayer player{outputs, playerClock};
  Trace trace;
  std::size_t seenEvents = 0;
  int seenStops = 0;
  milliseconds pressTime{0};
  StringButtons buttons{
      player, [this](int k, const std::string& note, bool lit) {
        Observe();
        trace.push_back("label " + std::to_string(k) + " " + note + (lit ? " lit" : " unlit"));
      }};
};

struct FirstPressCase {
  int string;
  Trace trace;
};
void PrintTo(const FirstPressCase& param, std::ostream* out) {
  *out << "string " << param.string;
}

class FirstPressTest : public StringButtonsTest,
                       public ::testing::WithParamInterface<FirstPressCase> {};

// Standard tuning E A D G B E; keys 40 45 50 55 59 64.
// The note waits 80 ms (90 ms on strings 2 to 5) on its own worker, never on this thread.
TEST_P(FirstPressTest, LightsTheButtonAndPlaysAfterThePause) {
  const auto& param = GetParam();
  EXPECT_EQ(Press(param.string), param.trace);
  EXPECT_EQ(buttons.LastString(), param.string);
  EXPECT_TRUE(buttons.Sounding());
  EXPECT_TRUE(buttons.ButtonLit(param.string));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, FirstPressTest,
    ::testing::Values(FirstPressCase{1, {"label 1 E lit", "stop", "play 40 after 80"}},
                      FirstPressCase{2, {"label 2 A lit", "stop", "play 45 after 90"}},
                      FirstPressCase{3, {"label 3 D lit", "stop", "play 50 after 90"}},
                      FirstPressCase{4, {"label 4 G lit", "stop", "play 55 after 90"}},
                      FirstPressCase{5, {"label 5 B lit", "stop", "play 59 after 90"}},
                      FirstPressCase{6, {"label 6 E lit", "stop", "play 64 after 80"}}));

TEST_F(StringButtonsTest, ThreePressesOfOneButtonPlayStopAndPlayAgain) {
  EXPECT_EQ(Press(1), (Trace{"label 1 E lit", "stop", "play 40 after 80"}));
  EXPECT_TRUE(buttons.Sounding());

  EXPECT_EQ(Press(1), (Trace{"label 1 E unlit", "stop"}));
  EXPECT_FALSE(buttons.Sounding());
  EXPECT_FALSE(buttons.ButtonLit(1));

  EXPECT_EQ(Press(1), (Trace{"label 1 E lit", "stop", "play 40 after 80"}));
  EXPECT_TRUE(buttons.Sounding());
  EXPECT_TRUE(buttons.ButtonLit(1));
  EXPECT_EQ(NotesPlayed(), 2);
}

TEST_F(StringButtonsTest, StoppingAnInnerStringPlaysNothing) {
  Press(3);
  EXPECT_EQ(Press(3), (Trace{"label 3 D unlit", "stop"}));
  EXPECT_EQ(buttons.LastString(), 3);
  EXPECT_FALSE(buttons.Sounding());
}

TEST_F(StringButtonsTest, SwitchingStringsUnlightsTheOldButtonAndPlaysTheNewString) {
  Press(2);
  EXPECT_EQ(Press(4), (Trace{"label 4 G lit", "label 2 A unlit", "stop", "play 55 after 90"}));
  EXPECT_EQ(buttons.LastString(), 4);
  EXPECT_TRUE(buttons.Sounding());
  EXPECT_TRUE(buttons.ButtonLit(4));

  // Back to string 2: its flag says lit, but it was not the last string, so it lights and plays.
  EXPECT_EQ(Press(2), (Trace{"label 2 A lit", "label 4 G unlit", "stop", "play 45 after 90"}));
}

TEST_F(StringButtonsTest, SwitchingAfterAStoppedStringStillPlaysTheNewOne) {
  Press(6);
  Press(6);
  EXPECT_EQ(Press(1), (Trace{"label 1 E lit", "label 6 E unlit", "stop", "play 40 after 80"}));
  EXPECT_TRUE(buttons.Sounding());
}

TEST_F(StringButtonsTest, SingleStrikeEndsByItselfButTheButtonStaysLitUntilPressed) {
  Press(5);
  // The worker has ended: its device is closed again.
  EXPECT_EQ(outputs.OpenConnections(), 0);
  EXPECT_TRUE(buttons.Sounding());
  EXPECT_TRUE(buttons.ButtonLit(5));

  EXPECT_EQ(Press(5), (Trace{"label 5 B unlit", "stop"}));
  EXPECT_EQ(Press(5), (Trace{"label 5 B lit", "stop", "play 59 after 90"}));
  EXPECT_EQ(NotesPlayed(), 2);
}

// A looping note whose device went away (its sound server died) unlights its button, so the next
// press plays instead of stopping a note that no longer sounds. The report comes to this thread
// later; one about a note replaced meanwhile changes nothing.
TEST_F(StringButtonsTest, ALoopingNoteWhoseDeviceWentAwayUnlightsItsButtonAndTheNextPressPlays) {
  std::vector<TonePlayer::NoteId> lost;
  player.SetDeviceLostHandler([&lost](TonePlayer::NoteId note) { lost.push_back(note); });
  ChangeSetting(player, &PlaybackSettings::Loop, true);
  ChangeSetting(player, &PlaybackSettings::Rate, 20);
  const auto deliver = [&] {
    trace.clear();
    for (const TonePlayer::NoteId note : lost) {
      buttons.NoteLost(note);
    }
    lost.clear();
    return trace;
  };

  playerClock.At(milliseconds(150), [this] { outputs.SetAlive(false); });
  EXPECT_EQ(Press(1), (Trace{"label 1 E lit", "stop", "play 40 after 80"}));
  EXPECT_EQ(deliver(), (Trace{"label 1 E unlit"}));
  EXPECT_FALSE(buttons.Sounding());
  EXPECT_FALSE(buttons.ButtonLit(1));

  outputs.SetAlive(true);
  playerClock.At(playerClock.Now() + milliseconds(150), [this] { outputs.SetAlive(false); });
  EXPECT_EQ(Press(1), (Trace{"label 1 E lit", "stop", "play 40 after 80"}));
  ChangeSetting(player, &PlaybackSettings::Loop, false);
  outputs.SetAlive(true);
  EXPECT_EQ(Press(2), (Trace{"label 2 A lit", "label 1 E unlit", "stop", "play 45 after 90"}));
  EXPECT_EQ(deliver(), Trace{});
  EXPECT_TRUE(buttons.ButtonLit(2));
  EXPECT_TRUE(buttons.Sounding());
}

TEST_F(StringButtonsTest, EveryStringPlaysItsOwnTuningElement) {
  ChangeSetting(player, &PlaybackSettings::Root,
                std::string("C#"));  // C# F# B E G# C#, three semitones down
  const std::vector<std::string> keys = {"37", "42", "47", "52", "56", "61"};
  for (int k = 1; k <= kStringCount; ++k) {
    SCOPED_TRACE(k);
    const auto trace = Press(k);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back().substr(0, 8), "play " + keys[k - 1] + " ");
  }
  EXPECT_EQ(NotesPlayed(), kStringCount);
}

TEST_F(StringButtonsTest, EachPressAsksThePlayerForTheTuning) {
  Press(3);
  ChangeSetting(player, &PlaybackSettings::Root, std::string("D"));  // D G C F A D
  EXPECT_EQ(Press(3), (Trace{"label 3 C unlit", "stop"}));
  EXPECT_EQ(Press(2), (Trace{"label 2 G lit", "label 3 C unlit", "stop", "play 43 after 90"}));
}

TEST_F(StringButtonsTest, OpeningOptionsStopsTheNoteAndUnlightsItsButton) {
  Press(3);
  EXPECT_EQ(OptionsOpened(), (Trace{"stop", "label 3 D unlit"}));
  EXPECT_FALSE(buttons.Sounding());
  EXPECT_FALSE(buttons.ButtonLit(3));
  EXPECT_EQ(buttons.LastString(), 3);

  // Dialog cancelled: icon and sound agree, so the next press lights and plays.
  EXPECT_EQ(Press(3), (Trace{"label 3 D lit", "stop", "play 50 after 90"}));
  EXPECT_EQ(Press(3), (Trace{"label 3 D unlit", "stop"}));
}

TEST_F(StringButtonsTest, OpeningOptionsWithNoLitButtonOnlyStops) {
  EXPECT_EQ(OptionsOpened(), (Trace{"stop"}));
  Press(1);
  Press(1);
  EXPECT_EQ(OptionsOpened(), (Trace{"stop"}));
  EXPECT_EQ(buttons.LastString(), 1);
}

class AfterConfirmedOptionsTest : public StringButtonsTest,
                                  public ::testing::WithParamInterface<int> {};

TEST_P(AfterConfirmedOptionsTest, AnyButtonLightsAndPlaysWithTheNewTuning) {
  const int next = GetParam();
  // D G C F A D; keys 38 43 48 53 57 62
  const std::vector<std::string> keys = {"38", "43", "48", "53", "57", "62"};
  // Button 4 lit and sounding, button 2 left unlit by its own press.
  Press(2);
  Press(2);
  Press(4);

  OptionsOpened();
  ChangeSetting(player, &PlaybackSettings::Root, std::string("D"));
  buttons.OptionsConfirmed();
  EXPECT_EQ(buttons.LastString(), 0);

  const int pause = next >= 2 && next <= 5 ? 90 : 80;
  EXPECT_EQ(Press(next),
            (Trace{"label " + std::to_string(next) + " " + TuningForRoot("D")[next - 1] + " lit",
                   "stop", "play " + keys[next - 1] + " after " + std::to_string(pause)}));
  EXPECT_EQ(buttons.LastString(), next);
  EXPECT_TRUE(buttons.Sounding());
}

INSTANTIATE_TEST_SUITE_P(Strings, AfterConfirmedOptionsTest, ::testing::Range(1, kStringCount + 1));

// Numbers beyond the instrument's strings: the six-string guitar's 7, a four-string bass's 5.
TEST_F(StringButtonsTest, PressesOutsideTheInstrumentsStringsDoNothing) {
  for (int k : {0, 7, -1}) {
    EXPECT_TRUE(Press(k).empty()) << k;
  }
  ChangeSetting(player, &PlaybackSettings::Strings, StringInstrument::Bass4);
  EXPECT_TRUE(Press(5).empty());
  EXPECT_EQ(buttons.LastString(), 0);
  EXPECT_EQ(NotesPlayed(), 0);
  ChangeSetting(player, &PlaybackSettings::Strings, StringInstrument::Guitar7);
  EXPECT_FALSE(Press(7).empty());
  EXPECT_EQ(NotesPlayed(), 1);
}

// The whole chain with real threads: a looping note of one string ends, during the 80 ms pause,
// before the next string's note opens the device.
TEST(StringButtonsRealTimeTest, SwitchingEndsTheLoopingNoteBeforeTheNextOneStarts) {
  SystemSleeper sleeper;
  RecordingMidiOutputs outputs(0);
  TonePlayer player(outputs, sleeper);
  ChangeSetting(player, &PlaybackSettings::Rate, 20);
  StringButtons buttons(player, [](int, const std::string&, bool) {});

  buttons.PressString(2);
  // As a user would: the note has begun before the next press.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (outputs.Messages().size() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(1));
  }
  buttons.PressString(4);
  buttons.PressString(4);
  player.WaitIdle();

  using Kind = RecordingMidiOutputs::Kind;
  std::vector<std::pair<Kind, int>> opensAndCloses;
  for (const auto& event : outputs.Events()) {
    if (event.kind != Kind::Message) {
      opensAndCloses.emplace_back(event.kind, event.connection);
    }
  }
  EXPECT_EQ(opensAndCloses,
            (std::vector<std::pair<Kind, int>>{
                {Kind::Open, 1}, {Kind::Close, 1}, {Kind::Open, 2}, {Kind::Close, 2}}));
  EXPECT_EQ(outputs.OpenConnections(), 0);
}

}  // namespace
}  // namespace morrowfane
