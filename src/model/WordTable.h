#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "model/AsciiText.h"

namespace morrowfane {

// Lookups in a table whose entries name themselves in the settings file by a `word` member.

// The entry whose `member` is `key`; the first entry if none is.
template <typename Entry, std::size_t N, typename Key>
const Entry& EntryFor(const std::array<Entry, N>& table, Key key, Key Entry::*member) {
  const auto* found = std::ranges::find(table, key, member);
  return found != table.end() ? *found : table.front();
}

// The `member` of the entry whose word is `word`, in any case; nothing if no entry's is.
template <typename Entry, std::size_t N, typename Key>
std::optional<Key> KeyForWord(const std::array<Entry, N>& table, std::string_view word,
                              Key Entry::*member) {
  const auto* found = std::ranges::find_if(
      table, [word](const Entry& entry) { return EqualIgnoringCase(entry.word, word); });
  if (found == table.end()) {
    return std::nullopt;
  }
  return (*found).*member;
}

}  // namespace morrowfane
