#pragma once

#include <cstdint>

namespace morrowfane::midi {

// A channel message packed into 32 bits: status in bits 0..7, first data byte in bits 8..15,
// second data byte in bits 16..23.
using PackedMessage = std::uint32_t;

// Channel message types: the status byte's high nibble (the channel is in the low nibble).
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kKeyPressure = 0xA0;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kChannelPressure = 0xD0;
inline constexpr std::uint8_t kPitchBend = 0xE0;
inline constexpr std::uint8_t kStatusTypeMask = 0xF0;
inline constexpr std::uint8_t kChannelMask = 0x0F;

// A data byte carries 7 bits; a 14-bit value (pitch bend, data entry) comes as two of them.
inline constexpr int kDataBits = 7;
inline constexpr std::uint8_t kDataMask = 0x7F;

// Controller numbers.
inline constexpr std::uint8_t kBankSelectController = 0;
inline constexpr std::uint8_t kVolumeController = 7;
inline constexpr std::uint8_t kPanController = 10;
inline constexpr std::uint8_t kBankSelectLsbController = 32;
inline constexpr std::uint8_t kReverbSendController = 91;
inline constexpr std::uint8_t kChorusSendController = 93;
inline constexpr std::uint8_t kResetAllControllers = 121;
// Registered parameter numbers: select one with its two bytes, then set it by data entry.
inline constexpr std::uint8_t kDataEntryMsbController = 6;
inline constexpr std::uint8_t kDataEntryLsbController = 38;
inline constexpr std::uint8_t kRpnLsbController = 100;
inline constexpr std::uint8_t kRpnMsbController = 101;
inline constexpr std::uint8_t kFineTuningRpn = 1;  // channel fine tuning, RPN 0,1
// Selecting RPN 127,127 deselects, so later data entry changes nothing.
inline constexpr std::uint8_t kNullRpn = 0x7F;

inline constexpr std::uint8_t kPanCentre = 64;
inline constexpr std::uint8_t kStrikeVelocity = 126;
inline constexpr int kProgramCount = 128;
// General MIDI's percussion channel, zero-based (channel 10 to a musician).
inline constexpr int kPercussionChannel = 9;

constexpr PackedMessage Pack(std::uint8_t status, std::uint8_t data1, std::uint8_t data2 = 0) {
  return static_cast<PackedMessage>(status) | (static_cast<PackedMessage>(data1) << 8) |
         (static_cast<PackedMessage>(data2) << 16);
}

constexpr std::uint8_t StatusOf(PackedMessage message) {
  return message & 0xFF;
}
constexpr std::uint8_t Data1Of(PackedMessage message) {
  return (message >> 8) & 0xFF;
}
constexpr std::uint8_t Data2Of(PackedMessage message) {
  return (message >> 16) & 0xFF;
}
constexpr std::uint8_t TypeOf(PackedMessage message) {
  return StatusOf(message) & kStatusTypeMask;
}
constexpr int ChannelOf(PackedMessage message) {
  return StatusOf(message) & kChannelMask;
}

// Number of bytes on the wire for a channel message of this status.
constexpr int LengthOf(PackedMessage message) {
  const auto type = TypeOf(message);
  return (type == kProgramChange || type == kChannelPressure) ? 2 : 3;
}

}  // namespace morrowfane::midi
