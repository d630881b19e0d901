// Reverser: the three modes, loop limits and the glide after a jump. History sample i holds the
// value i, so every output shows where it was read. Its extremes test is in ExtremeTimingTest.cpp.
#include "effects/Reverser.h"
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

namespace frakle::effects {
namespace {

std::vector<float> Reverse(float left, float right, float mode, int32_t start, int32_t stepIndex,
                           int n, int32_t declick = 1, int changeAt = -1, float newRight = 0.0f) {
    EffectBench bench;
    for (size_t i = 0; i < bench.left.size(); ++i) {
        bench.left[i] = bench.right[i] = static_cast<float>(i);
    }
    bench.c.patternPosition = start;
    bench.c.stepIndex = stepIndex;
    bench.c.declick = declick;
    bench.c.declickReciprocal = 1.0f / static_cast<float>(declick);
    EffectParams p;
    p.p1 = left;
    p.p2 = right;
    p.p3 = mode;
    ReverserState s;
    ReverserStart(s, bench.c, {0.0f, 0.0f});
    std::vector<float> out;
    for (int i = 0; i < n; ++i) {
        if (i == changeAt) {
            p.p2 = newRight;
            bench.recompute = true;
        }
        const auto x = static_cast<float>(bench.c.patternPosition);
        out.push_back(ReverserProcess(s, bench.c, {x, x}, p).left);
        bench.advance();
    }
    return out;
}

// "RevLeft" = "RevRight" = 0.5 on a 5512-sample step: the loop is 68 samples (1.25 %), from
// offset 2756 to 2824. "Reverse 1" plays live so far, holds while the jump glides in, runs back
// to the right loop point and jumps again; ping-pong turns without a glide.
TEST(Reverser, PlaysForwardLiveThenLoopsBackwards) {
    const auto once = Reverse(0.5f, 0.5f, 0.5f, 10000, 3, 3000);
    ExpectAt(once, {{2823, 12823.0f},
                    {2824, 12823.0f},
                    {2826, 12822.0f},
                    {2891, 12757.0f},
                    {2892, 12757.0f},
                    {2893, 12823.0f}});
    // "Reverse 2" on the pattern's first step is "Reverse 1".
    EXPECT_EQ(Reverse(0.5f, 0.5f, 1.0f, 10000, 0, 3000), once);
    ExpectAt(Reverse(0.5f, 0.5f, 0.0f, 10000, 3, 3000), {{2823, 12823.0f},
                                                         {2824, 12824.0f},
                                                         {2891, 12757.0f},
                                                         {2892, 12756.0f},
                                                         {2893, 12757.0f},
                                                         {2960, 12824.0f}});
}

// "Reverse 2" away from step 0 plays the previous step-length backwards: base 10000 − 5512,
// jumping to the right loop point (offset 2756) and back from one above the left (offset 1378).
TEST(Reverser, Reverse2StartsBackwardsOnThePreviousStep) {
    ExpectAt(Reverse(0.25f, 0.5f, 1.0f, 10000, 3, 1400), {{0, 4488.0f},
                                                          {1, 4488.0f},
                                                          {2, 7243.0f},
                                                          {1378, 5867.0f},
                                                          {1379, 5867.0f},
                                                          {1380, 7243.0f}});
    // Right loop point at the region's end: start 5484, end 5512 instead of 5552.
    ExpectAt(Reverse(0.995f, 0.995f, 1.0f, 10000, 3, 40),
             {{2, 9999.0f}, {28, 9973.0f}, {30, 9999.0f}});
    // Too early in the history: the base stops at 0 and reads stop at the newest sample.
    ExpectAt(Reverse(0.25f, 0.5f, 1.0f, 100, 3, 3), {{0, 0.0f}, {2, 102.0f}});
}

// From 4488 towards 7243, 7242, 7241 …: 0.25 × 7243 + 0.75 × 4488, 0.5 × 7242 + 0.5 × 5176.75,
// 0.75 × 7241 + 0.25 × 6209.375.
TEST(Reverser, JumpGlidesFromThePreviousOutputOverDeclickSamples) {
    ExpectAt(Reverse(0.25f, 0.5f, 1.0f, 10000, 3, 8, 4),
             {{1, 4488.0f}, {2, 5176.75f}, {3, 6209.375f}, {4, 6983.09375f}, {5, 7240.0f}});
}

// Loop points follow the parameters when the sample counter wraps, every 129 samples at 44.1 kHz.
// "RevRight" 0.01 gives a 68-sample loop from 0; moved to 0.5 at sample 50, the first turn still
// comes at 68 and the second forward pass runs on past it.
TEST(Reverser, LoopPointsFollowChangesOnlyWhenTheCounterWraps) {
    ExpectAt(Reverse(0.0f, 0.01f, 0.0f, 10000, 3, 300, 1, 50, 0.5f),
             {{69, 10067.0f}, {236, 10100.0f}});
}

} // namespace
} // namespace frakle::effects
