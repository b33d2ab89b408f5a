#include "audio/SdlAudioOutput.h"

namespace morrowfane {
namespace {

constexpr char kApplicationName[] = "MorrowFane";
constexpr int kChannels = 2;
// 2048 frames (43 ms at 48 kHz) per callback. SDL asks the server to hold one callback's worth, so
// this is all the time a stalled machine has before a gap is heard: with 1024 frames, stalls of
// 10 to 20 ms put gaps into every note. The note follows an 80 ms pause, so the extra latency is
// not heard as lag.
constexpr Uint16 kCallbackFrames = 2048;

}  // namespace

SdlAudioOutput::Subsystems::Subsystems() {
  // Hints are read when the subsystems start.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_APP_NAME, kApplicationName);
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, kApplicationName);
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, kApplicationName);
  ok = SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS) == 0;
  if (ok) {
    // Only a removal matters, and it is seen by the event watch; nothing reads SDL's queue.
    SDL_EventState(SDL_AUDIODEVICEADDED, SDL_IGNORE);
  }
}

SdlAudioOutput::Subsystems::~Subsystems() {
  if (ok) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS);
  }
  // SDL keeps its hints until it quits; nothing else of the program uses it.
  if (SDL_WasInit(0) == 0) {
    SDL_Quit();
  }
}

SdlAudioOutput::SdlAudioOutput(double sampleRate, AudioSource& source, OutputLostHandler lost)
    : sampleRate_(sampleRate), source_(source), lostHandler_(std::move(lost)) {}

std::unique_ptr<SdlAudioOutput> SdlAudioOutput::Open(double sampleRate, AudioSource& source,
                                                     OutputLostHandler lost) {
  std::unique_ptr<SdlAudioOutput> output(new SdlAudioOutput(sampleRate, source, std::move(lost)));
  if (!output->subsystems_.ok) {
    return nullptr;
  }
  SDL_AddEventWatch(&SdlAudioOutput::Watch, output.get());
  output->watching_ = true;
  if (!output->OpenDevice()) {
    return nullptr;
  }
  return output;
}

SdlAudioOutput::~SdlAudioOutput() {
  CloseDevice();
  if (watching_) {
    SDL_DelEventWatch(&SdlAudioOutput::Watch, this);
  }
}

std::string SdlAudioOutput::Backend() const {
  const char* driver = SDL_GetCurrentAudioDriver();
  return std::string("sdl/") + (driver != nullptr ? driver : "");
}

void SdlAudioOutput::Suspend() {
  CloseDevice();
}

bool SdlAudioOutput::Resume() {
  return device_.load(std::memory_order_acquire) != 0 || OpenDevice();
}

bool SdlAudioOutput::OpenDevice() {
  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(sampleRate_);
  wanted.format = AUDIO_F32SYS;
  wanted.channels = kChannels;
  wanted.samples = kCallbackFrames;
  wanted.callback = &SdlAudioOutput::Callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to whatever the device runs at.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) {
    return false;
  }
  lost_.store(false, std::memory_order_release);
  device_.store(device, std::memory_order_release);
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void SdlAudioOutput::CloseDevice() {
  const SDL_AudioDeviceID device = device_.exchange(0, std::memory_order_acq_rel);
  if (device != 0) {
    // Waits for a callback under way to return.
    SDL_CloseAudioDevice(device);
  }
}

void SdlAudioOutput::Callback(void* data, Uint8* stream, int length) {
  auto& self = *static_cast<SdlAudioOutput*>(data);
  auto* samples = reinterpret_cast<float*>(stream);
  const int frames = length / static_cast<int>(kChannels * sizeof(float));
  self.source_.RenderAudio({samples, samples + 1, kChannels, frames});
}

// Called on the thread that reports the event, SDL's audio thread for a lost device.
int SdlAudioOutput::Watch(void* data, SDL_Event* event) {
  auto& self = *static_cast<SdlAudioOutput*>(data);
  if (event->type == SDL_AUDIODEVICEREMOVED && event->adevice.iscapture == 0 &&
      event->adevice.which == self.device_.load(std::memory_order_acquire)) {
    self.lost_.store(true, std::memory_order_release);
    if (self.lostHandler_) {
      self.lostHandler_();
    }
  }
  return 1;
}

}  // namespace morrowfane
