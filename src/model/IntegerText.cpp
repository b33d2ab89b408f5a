#include "model/IntegerText.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "model/AsciiText.h"

namespace morrowfane {
namespace {

bool IsSpace(char c) {
  // The C locale's white space: blank, tab, LF, VT, FF, CR.
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

IntegerText ReadInteger(std::string_view text) {
  constexpr std::int64_t kBase = 10;
  constexpr std::int64_t kSaturated = std::int64_t{std::numeric_limits<int>::max()} + 1;
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) {
    ++i;
  }
  const bool onlyBlanksBefore =
      std::all_of(text.begin(), text.begin() + static_cast<long>(i), IsBlankOrTab);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t digitsStart = i;
  std::int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = std::min(magnitude * kBase + (text[i] - '0'), kSaturated);
  }
  const bool hasDigits = i > digitsStart;
  const bool onlyBlanksAfter =
      std::all_of(text.begin() + static_cast<long>(i), text.end(), IsBlankOrTab);
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  return {static_cast<int>(std::clamp<std::int64_t>(signedValue, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max())),
          hasDigits && onlyBlanksBefore && onlyBlanksAfter};
}

}  // namespace morrowfane
