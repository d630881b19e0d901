// The soft clipper's tanh and the modulator's sin stay within 1e-15 of the C library's over the
// arguments they meet (some 10^-8 of a 32-bit float's unit in the last place at full scale).
#include "dsp/Approx.h"

#include <gtest/gtest.h>

#include <cmath>
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

TEST(Approx, TanhWithinBound) {
    const auto tanh = [](double x) { return std::tanh(x); };
    ExpectClose(Tanh, tanh, -30.0, 30.0, 1e-15);
    ExpectClose(Tanh, tanh, -0.2, 0.2, 1e-15); // both sides of the series' end, finely
    EXPECT_EQ(Tanh(0.0), 0.0);
    EXPECT_EQ(Tanh(1000.0), 1.0);
    EXPECT_EQ(Tanh(-1000.0), -1.0);
    EXPECT_TRUE(std::isnan(Tanh(NAN)));
}

TEST(Approx, SinWithinBound) {
    const auto sin = [](double x) { return std::sin(x); };
    constexpr double pi = std::numbers::pi;
    ExpectClose(Sin, sin, -pi, 3.0 * pi, 1e-15); // the carrier's phase less or plus the spread
    ExpectClose(Sin, sin, -1000.0, 1000.0, 1e-13);
}

} // namespace
} // namespace frakle::dsp
