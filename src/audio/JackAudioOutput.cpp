#include "audio/JackAudioOutput.h"

#include <algorithm>

#include "audio/AudioLibraries.h"

namespace morrowfane {
namespace {

constexpr std::array<const char*, 2> kPortNames = {"left", "right"};

// Frees a list that JACK allocated.
struct JackListDeleter {
  void operator()(const char** list) const { jack_free(static_cast<void*>(list)); }
};

}  // namespace

JackAudioOutput::JackAudioOutput(jack_client_t* client) : client_(client) {}

std::unique_ptr<JackAudioOutput> JackAudioOutput::Open(double sampleRate, AudioSource& source,
                                                       OutputLostHandler lost) {
  SilenceAudioLibraries();
  jack_status_t status{};
  jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
  if (client == nullptr) {
    return nullptr;
  }
  std::unique_ptr<JackAudioOutput> output(new JackAudioOutput(client));
  if (jack_get_sample_rate(client) != static_cast<jack_nframes_t>(sampleRate) ||
      !output->Start(source, std::move(lost))) {
    return nullptr;
  }
  return output;
}

bool JackAudioOutput::Start(AudioSource& source, OutputLostHandler lost) {
  callbacks_->source = &source;
  callbacks_->lost = std::move(lost);
  for (std::size_t i = 0; i < kPortNames.size(); ++i) {
    callbacks_->ports[i] =
        jack_port_register(client_, kPortNames[i], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (callbacks_->ports[i] == nullptr) {
      return false;
    }
  }
  jack_on_shutdown(client_, &JackAudioOutput::Shutdown, callbacks_.get());
  if (jack_set_process_callback(client_, &JackAudioOutput::Process, callbacks_.get()) != 0 ||
      jack_activate(client_) != 0) {
    return false;
  }
  active_ = true;
  ConnectToPlayback();
  return true;
}

void JackAudioOutput::ConnectToPlayback() {
  const std::unique_ptr<const char*, JackListDeleter> playback(jack_get_ports(
      client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput));
  if (!playback || playback.get()[0] == nullptr) {
    return;
  }
  // A mono system gets both channels.
  const char* right = playback.get()[1] != nullptr ? playback.get()[1] : playback.get()[0];
  jack_connect(client_, jack_port_name(callbacks_->ports[0]), playback.get()[0]);
  jack_connect(client_, jack_port_name(callbacks_->ports[1]), right);
}

JackAudioOutput::~JackAudioOutput() {
  // The server may have died a moment ago without JACK having said so yet: a server that takes
  // no client has gone.
  if (Lost() || JackServerSampleRate() <= 0.0) {
    {
      const std::lock_guard lock(callbacks_->rendering);
      callbacks_->on = false;
    }
    static_cast<void>(callbacks_.release());  // deliberately leaked with the client
    return;
  }
  if (active_) {
    jack_deactivate(client_);
  }
  jack_client_close(client_);
}

int JackAudioOutput::Process(jack_nframes_t frames, void* data) {
  auto& callbacks = *static_cast<Callbacks*>(data);
  auto* left = static_cast<float*>(jack_port_get_buffer(callbacks.ports[0], frames));
  auto* right = static_cast<float*>(jack_port_get_buffer(callbacks.ports[1], frames));
  const std::unique_lock lock(callbacks.rendering, std::try_to_lock);
  if (!lock.owns_lock() || !callbacks.on) {
    std::fill_n(left, frames, 0.0F);
    std::fill_n(right, frames, 0.0F);
    return 0;
  }
  callbacks.source->RenderAudio({left, right, 1, static_cast<int>(frames)});
  return 0;
}

void JackAudioOutput::Shutdown(void* data) {
  auto& callbacks = *static_cast<Callbacks*>(data);
  callbacks.gone.store(true, std::memory_order_release);
  const std::lock_guard lock(callbacks.rendering);
  if (callbacks.on && callbacks.lost) {
    callbacks.lost();
  }
}

}  // namespace morrowfane
