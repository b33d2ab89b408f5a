#include <gtest/gtest.h>

#include <complex>
#include <cstddef>
#include <functional>
#include <numbers>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "pitch/Fft.h"

namespace morrowfane {
namespace {

using Complex = std::complex<double>;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kTolerance = 1e-9;

// A signal whose transform is known in closed form: each as its value at sample or bin `i`.
struct KnownTransform {
  std::string name;
  std::size_t size;
  std::function<Complex(double i, double size)> signal;
  std::function<Complex(double k, double size)> transform;
};

void PrintTo(const KnownTransform& c, std::ostream* os) {
  *os << c.name;
}

class FftKnownTransformTest : public ::testing::TestWithParam<KnownTransform> {};

TEST_P(FftKnownTransformTest, GivesTheTransformByItsDefinition) {
  const KnownTransform& c = GetParam();
  const auto size = static_cast<double>(c.size);
  std::vector<Complex> data(c.size);
  for (std::size_t n = 0; n < c.size; ++n) {
    data[n] = c.signal(static_cast<double>(n), size);
  }
  Fft(c.size).Forward(data);
  for (std::size_t k = 0; k < c.size; ++k) {
    const Complex expected = c.transform(static_cast<double>(k), size);
    EXPECT_NEAR(data[k].real(), expected.real(), kTolerance) << "bin " << k;
    EXPECT_NEAR(data[k].imag(), expected.imag(), kTolerance) << "bin " << k;
  }
}

Complex Only(bool here, Complex value) {
  return here ? value : Complex{};
}

INSTANTIATE_TEST_SUITE_P(
    Signals, FftKnownTransformTest,
    ::testing::Values(
        KnownTransform{"SmallestSize", 2, [](double n, double) { return n == 0 ? 3.0 : -1.0; },
                       [](double k, double) { return k == 0 ? 2.0 : 4.0; }},
        KnownTransform{"ImpulseIsFlat", 8, [](double n, double) { return Only(n == 0, 1.0); },
                       [](double, double) { return 1.0; }},
        // A delay turns each bin's phase back in proportion to the bin's frequency.
        KnownTransform{
            "DelayedImpulseTurnsThePhase", 16, [](double n, double) { return Only(n == 3, 1.0); },
            [](double k, double size) { return std::polar(1.0, -kTwoPi * k * 3 / size); }},
        KnownTransform{"ConstantIsAllInTheFirstBin", 32, [](double, double) { return 1.0; },
                       [](double k, double size) { return Only(k == 0, size); }},
        KnownTransform{"CosineOnABinIsTwoMirroredPeaks", 64,
                       [](double n, double size) { return std::cos(kTwoPi * 5 * n / size); },
                       [](double k, double size) { return Only(k == 5 || k == 59, size / 2); }},
        KnownTransform{"SineOnABinIsImaginaryAndOdd", 16,
                       [](double n, double size) { return std::sin(kTwoPi * 3 * n / size); },
                       [](double k, double size) {
                         return Only(k == 3, {0.0, -size / 2}) + Only(k == 13, {0.0, size / 2});
                       }},
        KnownTransform{"ComplexToneIsOneBin", 1024,
                       [](double n, double size) { return std::polar(1.0, kTwoPi * 7 * n / size); },
                       [](double k, double size) { return Only(k == 7, size); }},
        KnownTransform{"AlternatingSignIsTheMiddleBin", 8,
                       [](double n, double) { return static_cast<int>(n) % 2 == 0 ? 1.0 : -1.0; },
                       [](double k, double size) { return Only(k == size / 2, size); }}),
    [](const auto& info) { return info.param.name; });

// The inverse transform by the forward one: conj(F(conj(X))) / N.
TEST(FftTest, TheInverseByConjugationGivesTheSignalBack) {
  std::mt19937 random(1);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  for (const std::size_t size : {2U, 4U, 256U, 4096U}) {
    std::vector<Complex> signal(size);
    for (auto& x : signal) {
      x = {value(random), value(random)};
    }
    const Fft fft(size);
    auto data = signal;
    fft.Forward(data);
    for (auto& x : data) {
      x = std::conj(x);
    }
    fft.Forward(data);
    for (std::size_t n = 0; n < size; ++n) {
      const Complex back = std::conj(data[n]) / static_cast<double>(size);
      EXPECT_NEAR(back.real(), signal[n].real(), kTolerance) << size << " " << n;
      EXPECT_NEAR(back.imag(), signal[n].imag(), kTolerance) << size << " " << n;
    }
  }
}

TEST(FftTest, RefusesSizesThatAreNoPowerOfTwoAndInputOfAnotherSize) {
  for (const std::size_t size : {0U, 1U, 3U, 12U, 1000U}) {
    EXPECT_THROW(Fft{size}, std::invalid_argument) << size;
  }
  std::vector<Complex> data(8);
  EXPECT_THROW(Fft(16).Forward(data), std::invalid_argument);
}

}  // namespace
}  // namespace morrowfane
