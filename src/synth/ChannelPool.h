#pragma once

#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "player/MidiOutput.h"
#include "synth/KeyTuning.h"
#include "synth/ReleasePolicy.h"

namespace morrowfane {

// The controllers put back to the synthesizer's power-on values when a channel is handed out;
// controller 121 resets the rest (modulation, expression, pedals, pitch bend).
inline constexpr int kRestoredControllerCount = 6;

// What every channel of one synthesizer shares. Outlives the pool.
struct ChannelContext {
  fluid_synth_t* synth = nullptr;
  RingLimit* ringLimit = nullptr;
  // Corrections per program; null without pitch correction.
  const KeyTuningSource* tuning = nullptr;
  const std::atomic<std::uint64_t>* renderedFrames = nullptr;
  // False while the audio output is lost.
  const std::atomic<bool>* audible = nullptr;
};

class ChannelPool;

// One synth channel, played by one connection at a time. It knows how to turn the connection's
// channel messages into FluidSynth calls: damping, the program's pitch correction and the
// reference pitch. Called from the connection's thread (a note's worker), never from the audio
// thread.
class SynthChannel {
 public:
  SynthChannel(ChannelPool& pool, const ChannelContext& context, int number);

  int Number() const { return number_; }
  bool Audible() const { return context_.audible->load(std::memory_order_acquire); }
  // Silences the channel and puts it back to its power-on state with no program selected.
  void Reset(const std::array<int, kRestoredControllerCount>& controllerDefaults);
  void Send(midi::PackedMessage message);
  void SetReferencePitch(double a4Hz);
  // The connection has ended: its notes ring on until the ring limit, and the channel is free.
  void Close();

 private:
  void ProgramChange(int program);
  void ApplyTuning();

  ChannelPool& pool_;
  const ChannelContext& context_;
  const int number_;
  // The state of the connection that holds the channel.
  int program_ = -1;  // none chosen yet
  double offsetCents_ = 0.0;
};

// The synth channels connections play on: never the percussion channel, nor the one that keeps
// the samples of the announced program loaded. A closed channel goes to the back of the queue,
// so the one handed out has rung longest.
class ChannelPool {
 public:
  ChannelPool(const ChannelContext& context, int reservedChannel);

  // A connection on a freshly reset channel; nullptr when every channel is held.
  std::unique_ptr<MidiConnection> Open();
  // The channel a connection from Open() plays on, or -1 for any other connection.
  static int ChannelOf(const MidiConnection& connection);
  // How many connections are open now.
  int OpenCount();

 private:
  friend class SynthChannel;
  void Return(int channel);

  const ChannelContext context_;
  std::array<int, kRestoredControllerCount> controllerDefaults_{};
  std::array<std::unique_ptr<SynthChannel>, kSynthChannelCount> channels_;
  std::mutex mutex_;
  std::deque<int> free_;  // least recently closed first
  std::size_t capacity_ = 0;
};

}  // namespace morrowfane
