// portableSin and portableCos: recorded bits in every build (the digests pin the angles renders use).
#include "gradient/portable_trig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ios>
#include <random>
#include <vector>

namespace {

uint64_t bitsOf(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

// Per path: signed zero, tiny, unreduced, the medium reduction with one to three pieces of pi/2 (next to k*pi/2),
// both sides of the Payne-Hanek switch, the large double closest to a multiple of pi/2, DBL_MAX, a float angle.
constexpr struct Recorded {
  double x, sin, cos;
} kRecorded[] = {
    {-0x0p+0, -0x0p+0, 0x1p+0},
    {0x1p-27, 0x1p-27, 0x1p+0},
    {0x1.921fb54442d19p-1, 0x1.6a09e667f3bcdp-1, 0x1.6a09e667f3bccp-1},
    {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -0x1p+0},
    {-0x1.5fdbbe9bba775p+3, 0x1p+0, -0x1.ee2c2d963a10cp-52},
    {0x1.3a28c59d5433bp+7, 0x1.1b19140c0c0d5p-50, 0x1p+0},
    {0x1.921fb54442d17p+20, -0x1.469898cc51702p-32, 0x1p+0},
    {0x1.921fb54442d18p+20, -0x1.1a62633145c07p-34, 0x1p+0},
    {0x1.dcd65p+29, 0x1.1778cae83c69bp-1, 0x1.acff8c7364234p-1},
    {0x1.6ac5b262ca1ffp+849, 0x1p+0, -0x1.14ae72e6ba22fp-61},
    {0x1.fffffffffffffp+1023, 0x1.452fc98b34e97p-8, -0x1.fffe62ecfab75p-1},
    {0x1.921fb6p+0, 0x1.ffffffffffff7p-1, -0x1.777a5cf72ceccp-25},
};

// Mirrored arguments give mirrored bits (sine odd, cosine even).
TEST(PortableTrig, EveryBuildReproducesTheRecordedBits) {
  for (const Recorded& r : kRecorded)
    for (double sign : {1.0, -1.0}) {
      const double x = sign * r.x, s = portableSin(x), c = portableCos(x);
      SCOPED_TRACE(testing::Message() << std::hexfloat << "x " << x << ", sin " << s << ", cos " << c);
      EXPECT_EQ(bitsOf(s), bitsOf(sign * r.sin));
      EXPECT_EQ(bitsOf(c), bitsOf(r.cos));
    }
  for (double x : {NAN, INFINITY, -INFINITY})
    EXPECT_TRUE(std::isnan(portableSin(x)) && std::isnan(portableCos(x))) << x;
}

}  // namespace

#if defined(__SSE2__)
// The radial waves trust approximateSinCos4 to within 1e-6 of the exact
// functions when they decide which pixels need the exact path; measured
// here over the whole range it accepts, and most densely where it is used.
TEST(ApproximateTrig, StaysWithinItsBoundOfTheExactFunctions) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> wide(-kApproximateTrigLimit, kApproximateTrigLimit);
  std::uniform_real_distribution<double> gradient(0.0, 200.0);
  std::vector<double> arguments = {0.0, -0.0, 1e-300, 0x1.921fb54442d18p0, 0x1.921fb54442d18p-1,
                                   0x1.921fb54442d18p1, std::nextafter(kApproximateTrigLimit, 0.0)};
  for (int i = 0; i < 100000; ++i) arguments.push_back(wide(random));
  for (int i = 0; i < 400000; ++i) arguments.push_back(gradient(random));
  for (int k = -2000; k <= 2000; ++k)  // both sides of each quadrant boundary
    for (double step : {-1e-9, 0.0, 1e-9}) arguments.push_back(k * 0x1.921fb54442d18p-1 + step);
  while (arguments.size() % 4) arguments.push_back(1.0);

  double worst = 0;
  for (int offset = 0; offset < 2; ++offset)
    for (size_t i = 0; i < arguments.size(); i += 4) {
      float approximate[4];
      _mm_storeu_ps(approximate,
                    approximateSinCos4(_mm_loadu_pd(&arguments[i]), _mm_loadu_pd(&arguments[i + 2]), offset));
      for (int lane = 0; lane < 4; ++lane) {
        const double x = arguments[i + lane];
        const double error = std::fabs(approximate[lane] - (offset ? portableCos(x) : portableSin(x)));
        worst = std::max(worst, error);
        ASSERT_LT(error, 1e-6) << (offset ? "cos " : "sin ") << std::hexfloat << x;
      }
    }
  EXPECT_LT(worst, 2e-7) << "the error has grown well past what was measured (under 1e-7)";
}
#endif
