#include "RecordingMidiOutputs.h"

namespace morrowfane::testing {

class RecordingMidiOutputs::Connection final : public MidiConnection {
 public:
  Connection(RecordingMidiOutputs& owner, int deviceId, int id)
      : owner_(owner), deviceId_(deviceId), id_(id) {}
  ~Connection() override { owner_.Record(Kind::Close, deviceId_, id_, 0); }
  void Send(midi::PackedMessage message) override {
    owner_.Record(Kind::Message, deviceId_, id_, message);
  }
  bool SetReferencePitch(double /*a4Hz*/) override { return owner_.TunesItself(); }
  bool Alive() const override { return owner_.Alive(); }

 private:
  RecordingMidiOutputs& owner_;
  int deviceId_;
  int id_;
};

RecordingMidiOutputs::RecordingMidiOutputs(int deviceCount, TimeSource now)
    : deviceCount_(deviceCount), now_(std::move(now)) {
  if (!now_) {
    const auto start = std::chrono::steady_clock::now();
    now_ = [start] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - start);
    };
  }
}

int RecordingMidiOutputs::DeviceCount() {
  std::lock_guard lock(mutex_);
  return deviceCount_;
}

std::string RecordingMidiOutputs::DeviceName(int deviceId) {
  if (deviceId == kDefaultDeviceId) {
    return "Recording default device";
  }
  return "Recording device " + std::to_string(deviceId);
}

DeviceState RecordingMidiOutputs::StateOf(int deviceId) {
  std::lock_guard lock(mutex_);
  const auto state = states_.find(deviceId);
  return state == states_.end() ? DeviceState::Ready : state->second;
}

std::unique_ptr<MidiConnection> RecordingMidiOutputs::Open(int deviceId) {
  int id = 0;
  {
    std::lock_guard lock(mutex_);
    if (failOpens_ || deviceId < kDefaultDeviceId || deviceId >= deviceCount_) {
      return nullptr;
    }
    id = nextConnection_++;
    ++openConnections_;
  }
  Record(Kind::Open, deviceId, id, 0);
  return std::make_unique<Connection>(*this, deviceId, id);
}

void RecordingMidiOutputs::Prepare(int deviceId, int program, KeyRange keys) {
  std::lock_guard lock(mutex_);
  prepared_.emplace_back(deviceId, program);
  preparedKeys_.push_back(keys);
}

void RecordingMidiOutputs::FailOpens(bool fail) {
  std::lock_guard lock(mutex_);
  failOpens_ = fail;
}

void RecordingMidiOutputs::SetAlive(bool alive) {
  std::lock_guard lock(mutex_);
  alive_ = alive;
}

bool RecordingMidiOutputs::Alive() const {
  std::lock_guard lock(mutex_);
  return alive_;
}

void RecordingMidiOutputs::SetTunesItself(bool tunes) {
  std::lock_guard lock(mutex_);
  tunesItself_ = tunes;
}

bool RecordingMidiOutputs::TunesItself() const {
  std::lock_guard lock(mutex_);
  return tunesItself_;
}

void RecordingMidiOutputs::SetDeviceCount(int count) {
  std::lock_guard lock(mutex_);
  deviceCount_ = count;
}

void RecordingMidiOutputs::SetState(int deviceId, DeviceState state) {
  std::lock_guard lock(mutex_);
  states_[deviceId] = state;
}

void RecordingMidiOutputs::Record(Kind kind, int deviceId, int connection,
                                  midi::PackedMessage message) {
  const auto time = now_();
  std::lock_guard lock(mutex_);
  if (kind == Kind::Close) {
    --openConnections_;
  }
  events_.push_back({kind, deviceId, connection, message, time});
}

std::vector<RecordingMidiOutputs::Event> RecordingMidiOutputs::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<midi::PackedMessage> RecordingMidiOutputs::Messages() const {
  std::lock_guard lock(mutex_);
  std::vector<midi::PackedMessage> messages;
  for (const auto& event : events_) {
    if (event.kind == Kind::Message) {
      messages.push_back(event.message);
    }
  }
  return messages;
}

int RecordingMidiOutputs::OpenConnections() const {
  std::lock_guard lock(mutex_);
  return openConnections_;
}

std::vector<std::pair<int, int>> RecordingMidiOutputs::Prepared() const {
  std::lock_guard lock(mutex_);
  return prepared_;
}

std::vector<KeyRange> RecordingMidiOutputs::PreparedKeys() const {
  std::lock_guard lock(mutex_);
  return preparedKeys_;
}

}  // namespace morrowfane::testing
