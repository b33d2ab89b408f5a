#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/MidiMessage.h"

namespace morrowfane {

// What the slot policy needs of the output ports behind its slots.
class SlotPorts {
 public:
  // Queues `message` on the slot's port, after whatever is queued there.
  virtual void Queue(std::size_t slot, midi::PackedMessage message) = 0;
  // Whether the slot's port is connected to `target` now.
  virtual bool ConnectedTo(std::size_t slot, const std::string& target) = 0;

 protected:
  ~SlotPorts() = default;
};

// Which of a client's output ports each note holds. A port stays connected to its target after
// its connection closes, so the next note on that target starts at once; the notes the closed
// connection left on are held and end after the ring limit, or as the next note on the same
// target starts, whichever comes first. Not thread-safe: its owner guards it.
class PortSlots {
 public:
  using Clock = std::chrono::steady_clock;

  PortSlots(std::size_t count, std::chrono::milliseconds ringLimit);

  // Every slot free and connected to nothing, as the ports of a new client are.
  void Reset();

  struct Choice {
    std::size_t slot = 0;
    bool connect = false;  // the slot's port must be connected to the target before use
  };
  // A slot for a note on `target`, marked in use, or nullopt when every slot is. Slots holding
  // notes on `target` end them first, on their own port, so the note-offs precede the new note.
  // A slot already connected to `target` is preferred; otherwise the first free slot.
  std::optional<Choice> Choose(const std::string& target, SlotPorts& ports);
  // The connection on `slot` has opened; a later one on the same target is newer.
  void Lend(std::size_t slot);
  // Connecting the chosen slot failed: it is free and connected to nothing.
  void Free(std::size_t slot);

  // The connection on `slot` closed at `now`, leaving `noteOffs` owed. They go out at once when
  // a newer connection to the same target is open, as that note has ended this one; otherwise
  // they are held until the ring limit.
  void Close(std::size_t slot, std::vector<midi::PackedMessage> noteOffs, Clock::time_point now,
             SlotPorts& ports);
  // Ends the held notes whose ring limit has passed at `now`.
  void FlushDue(Clock::time_point now, SlotPorts& ports);
  // Ends every held note.
  void FlushAll(SlotPorts& ports);
  // When the next held note is due, if any is held.
  std::optional<Clock::time_point> NextDeadline() const;

 private:
  enum class Use { Free, InUse, Holding };
  struct Slot {
    Use use = Use::Free;
    std::string target;
    std::uint64_t serial = 0;  // order of the connections' opens
    std::vector<midi::PackedMessage> noteOffs;
    Clock::time_point deadline;
  };

  // Queues the slot's note-offs on its port and frees it.
  void Flush(std::size_t slot, SlotPorts& ports);

  const std::chrono::milliseconds ringLimit_;
  std::vector<Slot> slots_;
  std::uint64_t nextSerial_ = 1;
};

}  // namespace morrowfane
