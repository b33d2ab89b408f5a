#include <gtest/gtest.h>

#include <string>

#include "model/IntegerText.h"

namespace morrowfane {
namespace {

struct IntegerCase {
  std::string text;
  int value;
  bool whole;
};

// The settings file reads the leading number; the options dialog wants the whole text to be one.
const IntegerCase kIntegerCases[] = {
    {"300", 300, true},
    {" \t-20\t ", -20, true},
    {"+7", 7, true},
    {"12ab", 12, false},
    {"1 2", 1, false},
    {"\n5", 5, false},
    {"", 0, false},
    {"-", 0, false},
    {"abc", 0, false},
    {"99999999999999999999", 2147483647, true},
    {"-99999999999999999999", -2147483647 - 1, true},
};

TEST(ReadInteger, ReadsTheLeadingNumberAndTellsWhetherItIsAllThereIs) {
  for (const IntegerCase& c : kIntegerCases) {
    const IntegerText read = ReadInteger(c.text);
    EXPECT_EQ(read.value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(read.whole, c.whole) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace morrowfane
