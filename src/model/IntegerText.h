#pragma once

#include <string_view>

namespace morrowfane {

// An integer as typed or stored: leading white space, an optional sign, then decimal digits up to
// the first other character, as C's atoi reads it. No digits read as 0. A digit run too long for
// an int saturates rather than wrapping, so it lands outside every accepted range instead of
// posing as a small number.
struct IntegerText {
  int value = 0;
  // True when the text is nothing but that integer with blanks or tabs around it.
  bool whole = false;
};

IntegerText ReadInteger(std::string_view text);

}  // namespace morrowfane
