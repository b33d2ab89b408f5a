#include "synth/BuiltInSynth.h"

#include "synth/BuiltInSynthImpl.h"

namespace morrowfane {

BuiltInSynth::BuiltInSynth(BuiltInSynthOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

BuiltInSynth::~BuiltInSynth() = default;

std::string BuiltInSynth::Name() const {
  return impl_->Name();
}

DeviceState BuiltInSynth::State() const {
  return impl_->PublicState();
}

void BuiltInSynth::Wake() {
  impl_->Wake();
}

std::unique_ptr<MidiConnection> BuiltInSynth::Open() {
  return impl_->Open();
}

void BuiltInSynth::Prepare(int program, KeyRange keys) {
  impl_->Prepare(program, keys);
}

bool BuiltInSynth::WaitUntilReady(std::chrono::milliseconds timeout) {
  return impl_->WaitUntilReady(timeout);
}

std::string BuiltInSynth::SoundFontPath() const {
  return impl_->SoundFontPath();
}

double BuiltInSynth::SampleRate() const {
  return impl_->SampleRate();
}

std::string BuiltInSynth::AudioDriver() const {
  return impl_->AudioDriver();
}

void BuiltInSynth::Render(float* left, float* right, int frames) {
  impl_->Render(left, right, frames);
}

std::vector<BuiltInSynth::SelectedProgram> BuiltInSynth::SelectedPrograms() const {
  return impl_->SelectedPrograms();
}

int BuiltInSynth::ChannelOf(const MidiConnection& connection) {
  return ChannelPool::ChannelOf(connection);
}

}  // namespace morrowfane
