// Tape stop and the 4-point interpolator: delay, slow-down, stop, catch-up, history edges.
#include "effects/TapeStop.h"
#include "EffectTestSupport.h"
#include "effects/Interp4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace frakle::effects {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

float Noise(int i) { return std::sin(0.37f * static_cast<float>(i)) * 0.8f; }

// One event from pattern position `start`, the history before it holding input(i) for i < 0 and
// NaN after the newest sample, so a read past P shows up in the output.
template <class Input>
std::vector<float> Play(EffectBench &b, const EffectParams &p, int n, int32_t start, Input input) {
    b.c.patternPosition = start;
    for (int32_t i = 0; i < b.c.history.size; ++i) {
        b.left[static_cast<size_t>(i)] = i < start ? input(i - start) : kNaN;
        b.right[static_cast<size_t>(i)] = b.left[static_cast<size_t>(i)];
    }
    TapeStopState s;
    std::vector<float> out;
    for (int i = 0; i < n; ++i) {
        const float x = input(i);
        b.write({x, x});
        if (i == 0) {
            TapeStopStart(s, b.c, {x, x});
        }
        out.push_back(TapeStopProcess(s, b.c, {x, x}, p).left);
        b.advance();
    }
    return out;
}

EffectParams Tape(float slowDown, float delay, float speedUp) {
    return {slowDown, delay, speedUp, 0.0f, 0.0f, 1.0f};
}

TEST(Interp4, MeetsTheSamplesAtTheEndsAndBendsBetween) {
    EXPECT_EQ(Interp4(0.3f, -0.7f, 0.25f, 0.9f, -2.0), 0.25f);      // t = 0 and below: h[i − 2]
    EXPECT_FLOAT_EQ(Interp4(0.3f, -0.7f, 0.25f, 0.9f, 7.0), -0.7f); // t = 1 and above: h[i − 1]
    EXPECT_FLOAT_EQ(Interp4(4.0f, 3.0f, 2.0f, 1.0f, 0.25), 2.25f);  // a line stays a line
    // Halfway, a single sample at either outer point pulls by −1/16 (worked out by hand).
    EXPECT_FLOAT_EQ(Interp4(1.0f, 0.0f, 0.0f, 0.0f, 0.5), -0.0625f);
    EXPECT_FLOAT_EQ(Interp4(0.0f, 0.0f, 0.0f, 1.0f, 0.5), -0.0625f);
}

TEST(TapeStop, FollowsTheInputTwoSamplesLateUntilTheDelayEnds) {
    EffectBench b;
    const auto whole = Play(b, Tape(1.0f, 1.0f, 0.0f), 5512, 1000, Noise);
    for (int i = 0; i < 5512; ++i) {
        ASSERT_EQ(whole[static_cast<size_t>(i)], Noise(i - 2)) << i;
    }
    // Half the step: floor(5512 × 0.5) = 2756 samples follow, then the tape falls behind.
    EffectBench half;
    const auto out = Play(half, Tape(1.0f, 0.5f, 0.0f), 5512, 1000, Noise);
    for (int i = 0; i <= 2758; ++i) {
        ASSERT_EQ(out[static_cast<size_t>(i)], Noise(i - 2)) << i;
    }
    EXPECT_GT(std::abs(out[3500] - Noise(3498)), 0.01f);
}

TEST(TapeStop, PassesTheDrySampleAtTheStartOfTheHistory) {
    EffectBench b;
    const auto out = Play(b, Tape(0.0f, 1.0f, 0.0f), 8, 0, Noise);
    EXPECT_EQ(out, (std::vector<float>{Noise(0), Noise(1), Noise(2), Noise(1), Noise(2), Noise(3),
                                       Noise(4), Noise(5)}));
}

TEST(TapeStop, SlowsDownAtTheKnobsRateAndFadesBelowAFifthOfTheSpeed) {
    // On a constant input the output is the level: 5 × speed once the speed is 0.2 or less. The
    // first sample plays at full speed; the speed is a 32-bit float, so many steps drift a little.
    const auto one = [](int) { return 1.0f; };
    EffectBench b;
    const auto out = Play(b, Tape(1.0f, 0.0f, 0.0f), 2480, 1000, one);
    EXPECT_EQ(out[1900], 1.0f);
    EXPECT_NEAR(out[2001], 5.0 * (1.0 - 2000 * 0.0004025), 1e-4);
    EXPECT_NEAR(out[2401], 5.0 * (1.0 - 2400 * 0.0004025), 1e-4);
    // At twice the rate the knob's part halves; the minimum of 0.0000025 does not.
    EffectBench fast;
    fast.c.sampleRate = 88200.0;
    EXPECT_NEAR(Play(fast, Tape(1.0f, 0.0f, 0.0f), 4002, 1000, one)[4001],
                5.0 * (1.0 - 4000 * 0.0002025), 1e-3);
    // With the knob at 0 the tape takes 400,000 samples to stop, then stays silent.
    EffectBench slow(529200 + 16);
    slow.c.sequenceLength = slow.c.stepLength = 529200;
    const auto stop = Play(slow, Tape(0.0f, 0.0f, 0.0f), 402000, 100, one);
    EXPECT_NEAR(stop[360001], 0.5f, 0.01f);
    EXPECT_GT(stop[399000], 0.0f);
    EXPECT_TRUE(std::all_of(stop.begin() + 401000, stop.end(), [](float y) { return y == 0.0f; }));
}

TEST(TapeStop, SpeedsUpAndCrossFadesBackToTheLiveInput) {
    EffectBench b;
    b.c.stepLength = 20000;
    const auto out = Play(b, Tape(1.0f, 0.0f, 1.0f), 20000, 1000, Noise);
    EXPECT_LT(std::abs(out[2490]), 0.01f);
    for (int i = 15000; i < 20000; ++i) {
        ASSERT_EQ(out[static_cast<size_t>(i)], Noise(i)) << i;
    }
    EffectBench stay;
    const auto silent = Play(stay, Tape(1.0f, 0.0f, 0.0f), 5512, 1000, Noise);
    EXPECT_TRUE(
        std::all_of(silent.begin() + 2500, silent.end(), [](float y) { return y == 0.0f; }));
}

// Far into a long history (384 kHz, a slow tempo: indices beyond 2^22) the slowing head still
// moves by fractions of a sample and plays what the same event plays near the history start.
TEST(TapeStop, SlowHeadKeepsItsFractionFarIntoTheHistory) {
    constexpr int32_t kFar = 4500000;
    const auto play = [](int32_t start) {
        EffectBench b(kFar + 10000);
        b.c.sequenceLength = kFar + 9000;
        return Play(b, Tape(1.0f, 0.0f, 0.0f), 3000, start, [](int i) { return float(i); });
    };
    const auto near = play(1000);
    const auto far = play(kFar);
    for (size_t i = 0; i < near.size(); ++i) {
        ASSERT_NEAR(far[i], near[i], 0.01f) << i;
    }
}

} // namespace
} // namespace frakle::effects
