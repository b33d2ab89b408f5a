#pragma once

#include <string>
#include <string_view>

// Text as the settings file and its values are read: byte by byte, the same in every locale.
namespace morrowfane {

constexpr bool IsBlankOrTab(char c) {
  return c == ' ' || c == '\t';
}

constexpr char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text with its ASCII letters in upper case; every other byte as it is.
std::string UpperCaseAscii(std::string_view text);

// Whether two words are equal, ignoring the case of ASCII letters.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace morrowfane
