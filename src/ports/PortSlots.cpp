#include "ports/PortSlots.h"

#include <algorithm>

namespace morrowfane {

PortSlots::PortSlots(std::size_t count, std::chrono::milliseconds ringLimit)
    : ringLimit_(ringLimit), slots_(count) {}

void PortSlots::Reset() {
  slots_.assign(slots_.size(), Slot{});
}

std::optional<PortSlots::Choice> PortSlots::Choose(const std::string& target, SlotPorts& ports) {
  std::optional<Choice> chosen;
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    if (slots_[slot].use == Use::Holding && slots_[slot].target == target) {
      Flush(slot, ports);
      if (!chosen && ports.ConnectedTo(slot, target)) {
        chosen = Choice{slot, false};
      }
    }
  }
  for (std::size_t slot = 0; slot < slots_.size() && !chosen; ++slot) {
    if (slots_[slot].use == Use::Free && slots_[slot].target == target &&
        ports.ConnectedTo(slot, target)) {
      chosen = Choice{slot, false};
    }
  }
  for (std::size_t slot = 0; slot < slots_.size() && !chosen; ++slot) {
    if (slots_[slot].use == Use::Free) {
      chosen = Choice{slot, true};
    }
  }
  if (chosen) {
    slots_[chosen->slot].use = Use::InUse;
    slots_[chosen->slot].target = target;
  }
  return chosen;
}

void PortSlots::Lend(std::size_t slot) {
  slots_[slot].serial = nextSerial_++;
}

void PortSlots::Free(std::size_t slot) {
  slots_[slot] = Slot{};
}

void PortSlots::Close(std::size_t slot, std::vector<midi::PackedMessage> noteOffs,
                      Clock::time_point now, SlotPorts& ports) {
  auto& state = slots_[slot];
  state.noteOffs = std::move(noteOffs);
  const bool newerNote = std::any_of(slots_.begin(), slots_.end(), [&](const Slot& other) {
    return other.use == Use::InUse && other.target == state.target && other.serial > state.serial;
  });
  if (state.noteOffs.empty() || newerNote) {
    Flush(slot, ports);
    return;
  }
  state.use = Use::Holding;
  state.deadline = now + ringLimit_;
}

void PortSlots::FlushDue(Clock::time_point now, SlotPorts& ports) {
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    if (slots_[slot].use == Use::Holding && now >= slots_[slot].deadline) {
      Flush(slot, ports);
    }
  }
}

void PortSlots::FlushAll(SlotPorts& ports) {
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    if (slots_[slot].use == Use::Holding) {
      Flush(slot, ports);
    }
  }
}

std::optional<PortSlots::Clock::time_point> PortSlots::NextDeadline() const {
  std::optional<Clock::time_point> next;
  for (const auto& slot : slots_) {
    if (slot.use == Use::Holding && (!next || slot.deadline < *next)) {
      next = slot.deadline;
    }
  }
  return next;
}

void PortSlots::Flush(std::size_t slot, SlotPorts& ports) {
  // The same queue carries whatever the port's next user sends, so the order holds.
  for (const auto off : slots_[slot].noteOffs) {
    ports.Queue(slot, off);
  }
  slots_[slot].noteOffs.clear();
  slots_[slot].use = Use::Free;
}

}  // namespace morrowfane
