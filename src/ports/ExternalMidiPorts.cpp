#include "ports/ExternalMidiPorts.h"

#include <rtmidi/RtMidi.h>

#include <array>

#include "audio/AudioLibraries.h"

#if defined(__linux__)
#include <unistd.h>
#endif

namespace morrowfane {
namespace {

constexpr char kConnectionClientName[] = "MorrowFane-midi";
#if defined(__linux__)
constexpr char kSequencerDevice[] = "/dev/snd/seq";
constexpr RtMidi::Api kSystemApi = RtMidi::LINUX_ALSA;
#else
constexpr RtMidi::Api kSystemApi = RtMidi::UNSPECIFIED;
#endif

void IgnoreRtMidiError(RtMidiError::Type /*type*/, const std::string& /*text*/, void* /*data*/) {}

bool SystemMidiAvailable() {
#if defined(__linux__)
  // RtMidi prints and throws when it finds no sequencer; ask first.
  return access(kSequencerDevice, R_OK | W_OK) == 0;
#else
  return true;
#endif
}

std::unique_ptr<RtMidiOut> MakeSystemOutput() {
  if (!SystemMidiAvailable()) {
    return nullptr;
  }
  try {
    auto output = std::make_unique<RtMidiOut>(kSystemApi, "MorrowFane");
    output->setErrorCallback(&IgnoreRtMidiError, nullptr);
    return output;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

class SystemConnection final : public MidiConnection {
 public:
  explicit SystemConnection(std::unique_ptr<RtMidiOut> output) : output_(std::move(output)) {}
  ~SystemConnection() override {
    try {
      output_->closePort();
    } catch (const RtMidiError&) {
      // Closing reports nothing, like sending.
    }
  }

  void Send(midi::PackedMessage message) override {
    const std::array<unsigned char, 3> bytes = {midi::StatusOf(message), midi::Data1Of(message),
                                                midi::Data2Of(message)};
    try {
      output_->sendMessage(bytes.data(), static_cast<std::size_t>(midi::LengthOf(message)));
    } catch (const RtMidiError&) {
      // A refused message is ignored; the note goes on.
    }
  }

 private:
  std::unique_ptr<RtMidiOut> output_;
};

}  // namespace

ExternalMidiPorts::ExternalMidiPorts(JackMidiClientOptions jackOptions) : jack_(jackOptions) {
  SilenceAudioLibraries();
}

ExternalMidiPorts::~ExternalMidiPorts() = default;

std::vector<ExternalMidiPorts::Port> ExternalMidiPorts::List() {
  std::vector<Port> ports;
  if (!systemLister_) {
    systemLister_ = MakeSystemOutput();
  }
  if (systemLister_) {
    const unsigned int count = systemLister_->getPortCount();
    for (unsigned int i = 0; i < count; ++i) {
      ports.push_back({false, i, systemLister_->getPortName(i)});
    }
  }
  for (auto& input : jack_.MidiInputs()) {
    ports.push_back({true, 0, std::move(input.name), input.available});
  }
  return ports;
}

int ExternalMidiPorts::Count() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(List().size());
}

std::string ExternalMidiPorts::Name(int index) {
  std::lock_guard lock(mutex_);
  const auto ports = List();
  if (index < 0 || index >= static_cast<int>(ports.size())) {
    return {};
  }
  return ports[static_cast<std::size_t>(index)].name;
}

DeviceState ExternalMidiPorts::StateOf(int index) {
  std::lock_guard lock(mutex_);
  const auto ports = List();
  if (index < 0 || index >= static_cast<int>(ports.size())) {
    return DeviceState::NotConnected;
  }
  return ports[static_cast<std::size_t>(index)].available ? DeviceState::Ready
                                                          : DeviceState::ServerAway;
}

std::optional<int> ExternalMidiPorts::IndexOf(const std::string& name) {
  std::lock_guard lock(mutex_);
  const auto ports = List();
  for (std::size_t index = 0; index < ports.size(); ++index) {
    if (ports[index].name == name || ports[index].name + kServerAwaySuffix == name) {
      return static_cast<int>(index);
    }
  }
  return std::nullopt;
}

std::unique_ptr<MidiConnection> ExternalMidiPorts::Open(int index) {
  Port port;
  {
    std::lock_guard lock(mutex_);
    const auto ports = List();
    if (index < 0 || index >= static_cast<int>(ports.size())) {
      return nullptr;
    }
    port = ports[static_cast<std::size_t>(index)];
  }
  if (port.jack) {
    return port.available ? jack_.Open(port.name) : nullptr;
  }
  auto output = MakeSystemOutput();
  if (!output) {
    return nullptr;
  }
  try {
    output->openPort(port.systemIndex, kConnectionClientName);
  } catch (const RtMidiError&) {
    return nullptr;
  }
  if (!output->isPortOpen()) {
    return nullptr;
  }
  return std::make_unique<SystemConnection>(std::move(output));
}

}  // namespace morrowfane
