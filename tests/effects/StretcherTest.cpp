// Stretcher: grain timing, hop and cross-fade. History sample i holds the value i, so every
// output shows where it was read. Its extremes test is in ExtremeTimingTest.cpp.
#include "effects/Stretcher.h"
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

namespace frakle::effects {
namespace {

std::vector<float> Stretch(float divisor, float amount, float fade, int n, int changeAt = -1,
                           float newDivisor = 0.0f, int32_t start = 1000,
                           int32_t sequenceLength = 352800) {
    EffectBench bench;
    for (size_t i = 0; i < bench.left.size(); ++i) {
        bench.left[i] = bench.right[i] = static_cast<float>(i);
    }
    bench.c.sequenceLength = sequenceLength;
    bench.c.patternPosition = start;
    EffectParams p;
    p.p1 = divisor;
    p.p2 = amount;
    p.p3 = fade;
    StretcherState s;
    StretcherStart(s, bench.c, {0.0f, 0.0f});
    std::vector<float> out;
    for (int i = 0; i < n; ++i) {
        if (i == changeAt) {
            p.p1 = newDivisor;
            bench.recompute = true;
        }
        const auto x = static_cast<float>(bench.c.patternPosition);
        out.push_back(StretcherProcess(s, bench.c, {x, x}, p).left);
        bench.advance();
    }
    return out;
}

// "StretDiv" 1: 64 grains a beat, 344 samples each, lasting 345. The event starts at 1000.
TEST(Stretcher, WithoutStretchGrainsJoinRepeatingOneSample) {
    const auto out = Stretch(1.0f, 0.0f, 0.0f, 700);
    for (int i = 0; i <= 344; ++i) {
        ASSERT_EQ(out[static_cast<size_t>(i)], 1000.0f + static_cast<float>(i)); // live
    }
    // The one-sample cross-fade is all next grain.
    ExpectAt(out, {{345, 1344.0f}, {346, 1345.0f}, {689, 1688.0f}, {690, 1688.0f}});
}

TEST(Stretcher, FullStretchAdvancesNineTimesSlower) {
    const auto out = Stretch(1.0f, 1.0f, 0.0f, 345 * 21);
    ExpectAt(out, {{343, 1343.0f}, {344, 1038.0f}}); // hop floor(344 / 9) = 38
    for (const int grain : {1, 5, 20}) {
        EXPECT_EQ(out[static_cast<size_t>(345 * grain)], 1000.0f + 38.0f * grain);
        EXPECT_EQ(out[static_cast<size_t>(345 * grain + 100)], 1100.0f + 38.0f * grain);
    }
}

// "StretXFd" 1: the last floor(344 × 0.95) + 1 = 327 samples fade into the next grain, which
// with hop 38 lies 306 samples back.
TEST(Stretcher, CrossFadesIntoTheNextGrain) {
    const auto out = Stretch(1.0f, 1.0f, 1.0f, 345);
    ExpectAt(out, {{16, 1016.0f}, {17, 1017.0f}, {344, 1038.0f}});
    EXPECT_NEAR(out[180], 1180.0f - 306.0f * 163.0f / 327.0f, 1e-3);
}

// Sizes follow the parameters at grain boundaries, whatever the mix: a change at sample 100
// leaves the first grain at 344 and makes the second 668 ("StretDiv" 0.5: 33 a beat).
TEST(Stretcher, ParameterChangesWaitForTheGrainEnd) {
    const auto out = Stretch(1.0f, 0.0f, 0.0f, 1100, 100, 0.5f);
    EXPECT_EQ(out[344], out[345]);
    ExpectAt(out, {{1012, 2011.0f}, {1013, 2012.0f}, {1014, 2012.0f}});
}

// Half a beat is 11025 samples, more than a 5000-sample sequence: grains are 5000 long, and the
// chain wraps to the start of the history after the first.
TEST(Stretcher, GrainLengthIsLimitedToTheSequence) {
    ExpectAt(Stretch(0.0f, 1.0f, 0.0f, 5200, -1, 0.0f, 0, 5000),
             {{4999, 4999.0f}, {5001, 0.0f}, {5100, 99.0f}});
}

} // namespace
} // namespace frakle::effects
