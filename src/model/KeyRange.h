#pragma once

namespace morrowfane {

// MIDI keys first..last, both included.
struct KeyRange {
  int first = 0;
  int last = -1;

  bool Contains(int key) const { return key >= first && key <= last; }
  bool Contains(const KeyRange& other) const {
    return other.first > other.last || (other.first >= first && other.last <= last);
  }
  friend bool operator==(const KeyRange&, const KeyRange&) = default;
};

}  // namespace morrowfane
