// Crusher: held values, smoothing between them, and quantisation.
#include "effects/Crusher.h"
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

namespace frakle::effects {
namespace {

std::vector<float> crush(EffectParams p, const std::vector<float> &input, float rateFactor = 1.0f) {
    EffectBench bench;
    bench.c.rateFactor = rateFactor;
    CrusherState s;
    CrusherStart(s, bench.c, {input[0], input[0]});
    std::vector<float> out;
    for (float x : input) {
        out.push_back(CrusherProcess(s, bench.c, {x, -x}, p).left);
    }
    return out;
}

std::vector<float> ramp(int n) {
    std::vector<float> v;
    for (int i = 0; i < n; ++i) {
        v.push_back(0.01f * static_cast<float>(i));
    }
    return v;
}

TEST(Crusher, HoldsEachValueForTheReducedRate) {
    EffectParams p;
    p.p1 = 2.0f / 64.0f; // hold length 2: a new value every third sample
    const auto in = ramp(7);
    const auto out = crush(p, in);
    EXPECT_EQ(out, (std::vector<float>{in[0], in[0], in[0], in[3], in[3], in[3], in[6]}));
    // At twice the rate the hold doubles, so the reduced rate stays the same.
    const auto fast = crush(p, ramp(7), 2.0f);
    EXPECT_EQ(fast[4], 0.0f);
    EXPECT_EQ(fast[5], in[5]);
    // No reduction: every sample passes.
    EXPECT_EQ(crush(EffectParams{}, ramp(5)), ramp(5));
}

TEST(Crusher, SmoothingDrawsALineBetweenHeldValues) {
    EffectParams p;
    p.p1 = 4.0f / 64.0f; // hold length 4
    p.p3 = 1.0f;         // smooth over all of it
    const auto out = crush(p, ramp(11));
    // Each period starts at the previous held value and glides to the new one in 4 samples.
    EXPECT_EQ(out[5], 0.0f);
    EXPECT_FLOAT_EQ(out[6], 0.0125f);
    EXPECT_FLOAT_EQ(out[7], 0.025f);
    EXPECT_FLOAT_EQ(out[9], 0.05f);
    EXPECT_FLOAT_EQ(out[10], 0.05f);
}

TEST(Crusher, QuantisesToTheLevelsAndMixesWithTheDrySample) {
    EffectParams p;
    p.p2 = 1.0f; // two levels: round(2x) / 2
    const auto out = crush(p, {0.2f, 0.3f, -0.8f, 0.76f, 1.0f});
    EXPECT_NEAR(out[0], 0.0f, 1e-20f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    EXPECT_FLOAT_EQ(out[2], -1.0f);
    EXPECT_FLOAT_EQ(out[3], 1.0f);
    p.mix = 0.25f;
    EXPECT_FLOAT_EQ(crush(p, {0.3f})[0], 0.25f * 0.5f + 0.75f * 0.3f);
}

} // namespace
} // namespace frakle::effects
