#pragma once

#include <algorithm>
#include <vector>

namespace morrowfane::testing {

// The median of a benchmark's figures: the middle one, or the mean of the two middle ones.
inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

}  // namespace morrowfane::testing
