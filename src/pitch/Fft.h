#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace morrowfane {

// In-place radix-2 FFT of one fixed power-of-two size; the twiddle factors are computed once.
class Fft {
 public:
  // `size` must be a power of two, at least 2.
  explicit Fft(std::size_t size);

  std::size_t Size() const { return size_; }
  // Forward transform, X[k] = sum x[n] exp(-2 pi i k n / N), of exactly Size() values.
  void Forward(std::vector<std::complex<double>>& data) const;

 private:
  std::size_t size_;
  std::vector<std::complex<double>> twiddles_;
  std::vector<std::size_t> bitReversed_;
};

bool IsPowerOfTwo(std::size_t value);

}  // namespace morrowfane
