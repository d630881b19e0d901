// The modulator's sin stays within 1e-15 of the C library's over the arguments it meets (some
// 10^-8 of a 32-bit float's unit in the last place at full scale), the soft clipper's tanh within
// 2^-22 (-132 dBFS).
#include "dsp/Approx.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace frakle::dsp {
namespace {

template <typename F, typename G>
void ExpectClose(F approx, G exact, double from, double to, double bound) {
    double worst = 0.0;
    for (double x = from; x <= to; x += (to - from) * 1.0e-6) {
        worst = std::max(worst, std::fabs(approx(x) - exact(x)));
    }
    EXPECT_LT(worst, bound) << "over " << from << " … " << to;
}

// Every 997th float up to 12, both signs, in all four lanes: within 2^-22 of tanh, absolute and
// relative (3 units in the last place at most), ±1 far beyond.
TEST(Approx, TanhQuadWithinBound) {
    double worst = 0.0, worstRelative = 0.0;
    for (uint32_t bits = 0; bits <= 0x41400000U; bits += 997) {
        const float x = std::bit_cast<float>(bits);
        const Quad y = TanhQuad(Quad{x, -x, -x, x});
        const double exact = std::tanh(static_cast<double>(x));
        const double error = std::max(std::fabs(y[0] - exact), std::fabs(y[1] + exact));
        worst = std::max(worst, error);
        worstRelative = std::max(worstRelative, x > 0.0f ? error / exact : 0.0);
        ASSERT_TRUE(y[2] == y[1] && y[3] == y[0]) << x;
    }
    EXPECT_LE(worst, 0x1p-22);
    EXPECT_LE(worstRelative, 0x1p-22);
    const Quad far = TanhQuad(Quad{10.0f, -1.0e30f, 3.0e38f, 0.0f});
    EXPECT_TRUE(far[0] == 1.0f && far[1] == -1.0f && far[2] == 1.0f && far[3] == 0.0f);
}

TEST(Approx, SinWithinBound) {
    const auto sin = [](double x) { return std::sin(x); };
    constexpr double pi = std::numbers::pi;
    ExpectClose(Sin, sin, -pi, 3.0 * pi, 1e-15); // the carrier's phase less or plus the spread
    ExpectClose(Sin, sin, -1000.0, 1000.0, 1e-13);
}

} // namespace
} // namespace frakle::dsp
