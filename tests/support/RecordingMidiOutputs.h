#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "player/MidiOutput.h"

namespace morrowfane::testing {

// A MIDI output that records what happens to it, for exact message order and timing.
class RecordingMidiOutputs final : public MidiOutputs {
 public:
  enum class Kind { Open, Message, Close };
  struct Event {
    Kind kind;
    int deviceId;
    int connection;               // 1, 2, ... in order of opening
    midi::PackedMessage message;  // Message only
    std::chrono::milliseconds time;
  };
  using TimeSource = std::function<std::chrono::milliseconds()>;

  // `deviceCount` external devices; `now` stamps each event (default: a steady clock).
  explicit RecordingMidiOutputs(int deviceCount = 2, TimeSource now = {});

  int DeviceCount() override;
  std::string DeviceName(int deviceId) override;
  DeviceState StateOf(int deviceId) override;
  std::unique_ptr<MidiConnection> Open(int deviceId) override;
  void Prepare(int deviceId, int program, KeyRange keys) override;

  void FailOpens(bool fail);
  // Whether connections tune themselves to a reference pitch, as the built-in synthesizer does.
  void SetTunesItself(bool tunes);
  bool TunesItself() const;
  // Whether the devices are there; false acts as a sound server that died.
  void SetAlive(bool alive);
  bool Alive() const;
  void SetDeviceCount(int count);
  // What StateOf() reports for the device; Ready unless set.
  void SetState(int deviceId, DeviceState state);

  std::vector<Event> Events() const;
  std::vector<midi::PackedMessage> Messages() const;
  int OpenConnections() const;
  std::vector<std::pair<int, int>> Prepared() const;
  // The keys of each Prepare(), in the same order.
  std::vector<KeyRange> PreparedKeys() const;

 private:
  class Connection;
  void Record(Kind kind, int deviceId, int connection, midi::PackedMessage message);

  mutable std::mutex mutex_;
  int deviceCount_;
  TimeSource now_;
  bool failOpens_ = false;
  bool tunesItself_ = false;
  bool alive_ = true;
  int nextConnection_ = 1;
  int openConnections_ = 0;
  std::vector<Event> events_;
  std::vector<std::pair<int, int>> prepared_;
  std::map<int, DeviceState> states_;
  std::vector<KeyRange> preparedKeys_;
};

}  // namespace morrowfane::testing
