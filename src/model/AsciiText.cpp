#include "model/AsciiText.h"

#include <algorithm>

namespace morrowfane {

std::string UpperCaseAscii(std::string_view text) {
  std::string upper(text);
  std::ranges::transform(upper, upper.begin(), UpperAscii);
  return upper;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

}  // namespace morrowfane
