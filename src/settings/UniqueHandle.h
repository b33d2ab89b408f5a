#pragma once

#include <utility>

namespace morrowfane {

// Owns an open handle of the operating system and closes it once. Traits gives the handle's type
// (Value), the value that holds none (None()), whether a value is open (IsOpen) and how to close
// one (Close, whose report Close() returns).
template <typename Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  explicit UniqueHandle(Value value) : value_(value) {}
  ~UniqueHandle() {
    if (IsOpen()) {
      Traits::Close(value_);
    }
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Value Get() const { return value_; }
  bool IsOpen() const { return Traits::IsOpen(value_); }
  // Closes now: a delayed write error can surface only here.
  auto Close() { return Traits::Close(std::exchange(value_, Traits::None())); }

 private:
  Value value_;
};

}  // namespace morrowfane
