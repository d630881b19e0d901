// The shaping stages shared by effect outputs and the master bus, and the smoothing rule.
#include "engine/OutputStage.h"
#include "dsp/uFilterRBF2.h"
#include "engine/Declick.h"
#include "engine/Engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>

namespace frakle::engine {
namespace {

TEST(OutputStage, Overdrive) {
    float l = 0.5f, r = -0.5f; // gain 0.5: a = 0.499, k ≈ 1.99202
    Overdrive(l, r, 0.5f, 1.0f);
    EXPECT_NEAR(l, 0.74950f, 1e-4f);
    EXPECT_NEAR(r, -0.74950f, 1e-4f);
    l = 0.5f, r = 100.0f; // gain 1: k ≈ 998, levelling off at (1 + k)/k
    Overdrive(l, r, 1.0f, 1.0f);
    EXPECT_NEAR(l, 0.999f, 1e-4f);
    EXPECT_NEAR(r, 1.001f, 1e-3f);
    l = 0.5f, r = 0.5f; // below full mix the shaped sample blends with the dry one
    Overdrive(l, r, 0.5f, 0.5f);
    EXPECT_NEAR(l, 0.62475f, 1e-4f);
    l = 0.5f;
    Overdrive(l, r, 0.5f, 0.0f);
    EXPECT_EQ(l, 0.5f);
    EXPECT_FLOAT_EQ(blend(0.25f, 1.0f, 0.0f), 0.25f);
}

TEST(OutputStage, Clippers) {
    EXPECT_NEAR(SoftSaturate(1.0f, 0.0f), 0.76159f, 1e-5f);
    EXPECT_NEAR(SoftSaturate(2.0f, 0.0f), 0.96403f, 1e-5f);
    EXPECT_NEAR(SoftSaturate(-1.0f, 0.0f), -0.76159f, 1e-5f);
    EXPECT_EQ(SoftSaturate(-0.3f, 0.5f), -0.3f);             // below the threshold unchanged
    EXPECT_NEAR(SoftSaturate(1.0f, 0.5f), 0.880797f, 1e-6f); // 0.5 + 0.5·tanh(1)
    EXPECT_NEAR(SoftSaturate(-1.0f, 0.5f), -0.880797f, 1e-6f);
    EXPECT_EQ(HardClip(2.0f, 1.0f), 1.0f);
    EXPECT_EQ(HardClip(-2.0f, 1.0f), -1.0f);
    EXPECT_EQ(HardClip(-0.25f, 1.0f), -0.25f);
}

TEST(OutputStage, SlewToReachesTargetWithoutOvershoot) {
    // 0.01f summed in 32-bit float gives 0.99999934 after 100 steps: the glide is complete to
    // within 1e-6 there and lands exactly on the target one step later, never past it.
    for (const auto &[from, to] : {std::pair{0.0f, 1.0f}, std::pair{1.0f, 0.0f}}) {
        float v = from;
        for (int step = 1; step <= 100; ++step) {
            const float next = dsp::SlewTo(0.01f, to, v);
            ASSERT_LT(std::fabs(to - next), std::fabs(to - v));
            ASSERT_GE((next - to) / (from - to), 0.0f) << "overshoot at step " << step;
            v = next;
        }
        EXPECT_NEAR(v, to, 1e-6f);
        EXPECT_EQ(dsp::SlewTo(0.01f, to, v), to);
    }
    EXPECT_EQ(dsp::SlewTo(0.01f, 0.5f, 0.495f), 0.5f); // a short last step lands on the target
    EXPECT_EQ(dsp::SlewTo(0.01f, 0.5f, 0.505f), 0.5f);
}

// The jump de-click fades over jump × w / 2 samples however big the jump: 200 at the default
// window of 256 fades over 25,600 samples, not a length cut to the tail's size.
TEST(JumpDeclick, FadeLengthGrowsWithTheJumpBeyondTheTailSize) {
    auto stage = std::make_unique<DeclickStage>();
    float x[2] = {-100.0f, -0.5f};
    for (int p = 0; p < 256; ++p) {
        stage->process(x, 256 + p, 512, 256, true); // the last 256 samples of an event
    }
    x[0] = 100.0f;
    x[1] = 0.5f;
    stage->process(x, 0, 512, 256, true); // the next event starts 200 (and 1) away
    EXPECT_EQ(stage->fadeLength[0], 25600);
    EXPECT_EQ(stage->fadeLength[1], 128);
}

// An effect's mix blends its panned (and filtered) signal with the wet one as the effect gave it:
// hard left empties the right channel of the first only.
TEST(OutputStage, EffectMixBlendsThePannedSignalWithTheWetOne) {
    state::TProgramRecord record = state::MakeDefaultRecord();
    dsp::TRandom random;
    TEngine engine(record, random);
    record.effects[2].pan = 0.0f;
    record.effects[2].volume = 0.5f; // gain 1
    float out[2] = {};
    for (const auto &[mix, right] : {std::pair{1.0f, 0.0f}, {0.25f, 0.75f * 0.8f}, {0.0f, 0.8f}}) {
        record.effects[2].mix = mix;
        for (int i = 0; i < 300; ++i) { // the settings glide in
            engine.OutputStage(2, out, 0.4f, 0.8f);
        }
        EXPECT_FLOAT_EQ(out[0], 0.4f) << "mix " << mix;
        EXPECT_FLOAT_EQ(out[1], right) << "mix " << mix;
    }
}

} // namespace
} // namespace frakle::engine
