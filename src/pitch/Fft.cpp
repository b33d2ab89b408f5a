#include "pitch/Fft.h"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace morrowfane {

bool IsPowerOfTwo(std::size_t value) {
  return value != 0 && (value & (value - 1)) == 0;
}

Fft::Fft(std::size_t size) : size_(size), twiddles_(size / 2), bitReversed_(size) {
  if (size < 2 || !IsPowerOfTwo(size)) {
    throw std::invalid_argument("FFT size must be a power of two");
  }
  for (std::size_t k = 0; k < size / 2; ++k) {
    const double angle =
        -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(size);
    twiddles_[k] = {std::cos(angle), std::sin(angle)};
  }
  std::size_t bits = 0;
  while ((std::size_t{1} << bits) < size) {
    ++bits;
  }
  for (std::size_t i = 0; i < size; ++i) {
    std::size_t reversed = 0;
    for (std::size_t b = 0; b < bits; ++b) {
      reversed |= ((i >> b) & 1U) << (bits - 1 - b);
    }
    bitReversed_[i] = reversed;
  }
}

void Fft::Forward(std::vector<std::complex<double>>& data) const {
  if (data.size() != size_) {
    throw std::invalid_argument("FFT input has the wrong size");
  }
  for (std::size_t i = 0; i < size_; ++i) {
    const std::size_t j = bitReversed_[i];
    if (i < j) {
      std::swap(data[i], data[j]);
    }
  }
  for (std::size_t half = 1; half < size_; half *= 2) {
    const std::size_t stride = size_ / (2 * half);
    for (std::size_t start = 0; start < size_; start += 2 * half) {
      for (std::size_t k = 0; k < half; ++k) {
        const auto t = twiddles_[k * stride] * data[start + k + half];
        data[start + k + half] = data[start + k] - t;
        data[start + k] += t;
      }
    }
  }
}

}  // namespace morrowfane
