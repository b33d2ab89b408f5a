#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "ports/PortSlots.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kRingLimit{100};
constexpr std::size_t kSlotCount = 2;
constexpr midi::PackedMessage kOffA = midi::Pack(midi::kNoteOff, 40, 0x40);
constexpr midi::PackedMessage kOffB = midi::Pack(midi::kNoteOff | 2U, 45, 0x40);

using Queued = std::vector<std::pair<std::size_t, midi::PackedMessage>>;
using Chosen = std::optional<std::pair<std::size_t, bool>>;  // slot, must connect

// Ports whose connections the test sets; a port is connected to what it was last connected to.
class RecordingPorts final : public SlotPorts {
 public:
  void Queue(std::size_t slot, midi::PackedMessage message) override {
    queued.emplace_back(slot, message);
  }
  bool ConnectedTo(std::size_t slot, const std::string& target) override {
    return connected.contains({slot, target});
  }
  void Connect(std::size_t slot, const std::string& target) {
    std::erase_if(connected, [&](const auto& link) { return link.first == slot; });
    connected.emplace(slot, target);
  }

  Queued queued;
  std::set<std::pair<std::size_t, std::string>> connected;
};

struct Step {
  enum class Op { Open, OpenFails, Close, Disconnect, FlushDue, FlushAll } op;
  std::string target{};
  std::size_t slot = 0;
  std::vector<midi::PackedMessage> noteOffs{};
  milliseconds at{0};
};
Step Open(std::string target) {
  return {Step::Op::Open, std::move(target)};
}
Step OpenFails(std::string target) {
  return {Step::Op::OpenFails, std::move(target)};
}
Step Close(std::size_t slot, std::vector<midi::PackedMessage> noteOffs, milliseconds at = {}) {
  return {Step::Op::Close, {}, slot, std::move(noteOffs), at};
}
Step Disconnect(std::size_t slot) {
  return {Step::Op::Disconnect, {}, slot};
}
Step FlushDue(milliseconds at) {
  return {Step::Op::FlushDue, {}, 0, {}, at};
}
Step FlushAll() {
  return {Step::Op::FlushAll};
}

struct Case {
  const char* what;
  std::vector<Step> steps;
  std::vector<Chosen> chosen;  // one for each Open or OpenFails
  Queued queued;
  std::optional<milliseconds> nextDeadline{};
};

TEST(PortSlotsTest, HoldsPortsAndTheirNoteOffsAsTheTableSays) {
  const milliseconds atLimit = kRingLimit;
  const milliseconds beforeLimit = kRingLimit - milliseconds(1);
  const std::vector<Case> cases = {
      {"a note left on is held until the ring limit",
       {Open("a"), Close(0, {kOffA}), FlushDue(beforeLimit), FlushDue(atLimit)},
       {{{0, true}}},
       {{0, kOffA}}},
      {"held until then",
       {Open("a"), Close(0, {kOffA}, milliseconds(10)), FlushDue(atLimit)},
       {{{0, true}}},
       {},
       milliseconds(10) + kRingLimit},
      {"the next note on the target ends it first and takes its port",
       {Open("a"), Close(0, {kOffA}), Open("a"), FlushDue(atLimit)},
       {{{0, true}}, {{0, false}}},
       {{0, kOffA}}},
      {"a held port that lost its connection ends its notes and is connected again",
       {Open("a"), Close(0, {kOffA}), Disconnect(0), Open("a")},
       {{{0, true}}, {{0, true}}},
       {{0, kOffA}}},
      {"a note on another target leaves the held notes alone",
       {Open("a"), Close(0, {kOffA}), Open("b")},
       {{{0, true}}, {{1, true}}},
       {},
       kRingLimit},
      {"a newer note on the target ends a closing one at once",
       {Open("a"), Open("a"), Close(0, {kOffA})},
       {{{0, true}}, {{1, true}}},
       {{0, kOffA}}},
      {"an older note still open does not",
       {Open("a"), Open("a"), Close(1, {kOffB})},
       {{{0, true}}, {{1, true}}},
       {},
       kRingLimit},
      {"a close without notes on frees the port for any target",
       {Open("a"), Close(0, {}), Open("b")},
       {{{0, true}}, {{0, true}}},
       {}},
      {"a free port still connected to the target is preferred",
       {Open("a"), Open("b"), Close(0, {}), Close(1, {}), Open("b")},
       {{{0, true}}, {{1, true}}, {{1, false}}},
       {}},
      {"with every port in use there is none",
       {Open("a"), Open("b"), Open("a")},
       {{{0, true}}, {{1, true}}, std::nullopt},
       {}},
      {"a port that failed to connect forgets its target",
       {OpenFails("a"), Open("a")},
       {{{0, true}}, {{0, true}}},
       {}},
      {"all held notes end when the client closes",
       {Open("a"), Open("b"), Close(1, {kOffB}), Close(0, {kOffA}), FlushAll()},
       {{{0, true}}, {{1, true}}},
       {{0, kOffA}, {1, kOffB}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PortSlots slots(kSlotCount, kRingLimit);
    RecordingPorts ports;
    // The failed connection's port is connected all the same, so a kept target would show.
    ports.connected.emplace(0, "a");
    const auto start = PortSlots::Clock::now();
    std::vector<Chosen> chosen;
    for (const auto& step : c.steps) {
      switch (step.op) {
        case Step::Op::Open:
        case Step::Op::OpenFails: {
          const auto choice = slots.Choose(step.target, ports);
          chosen.push_back(choice ? Chosen{{choice->slot, choice->connect}} : std::nullopt);
          if (choice && step.op == Step::Op::OpenFails) {
            slots.Free(choice->slot);
          } else if (choice) {
            ports.Connect(choice->slot, step.target);
            slots.Lend(choice->slot);
          }
          break;
        }
        case Step::Op::Close:
          slots.Close(step.slot, step.noteOffs, start + step.at, ports);
          break;
        case Step::Op::Disconnect:
          ports.Connect(step.slot, "");
          break;
        case Step::Op::FlushDue:
          slots.FlushDue(start + step.at, ports);
          break;
        case Step::Op::FlushAll:
          slots.FlushAll(ports);
          break;
      }
    }
    EXPECT_EQ(chosen, c.chosen);
    EXPECT_EQ(ports.queued, c.queued);
    const auto next = slots.NextDeadline();
    EXPECT_EQ(next.has_value(), c.nextDeadline.has_value());
    if (next && c.nextDeadline) {
      EXPECT_EQ(*next - start, *c.nextDeadline);
    }
  }
}

}  // namespace
}  // namespace morrowfane
