// Modulator: the carrier's frequency floor, spread, update interval and phase restarts.
#include "effects/Modulator.h"
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace frakle::effects {
namespace {

constexpr double kPi = std::numbers::pi;

EffectParams Mod(float freq, float fmSpeed, float spread, float fmAmount, float sine) {
    return {freq, fmSpeed, spread, fmAmount, sine, 1.0f};
}

template <class Input>
std::vector<StereoSample> Modulate(EffectBench &b, ModulatorState &s, const EffectParams &p, int n,
                                   Input input) {
    std::vector<StereoSample> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(ModulatorProcess(s, b.c, {input(i), input(i)}, p));
    }
    return out;
}

const auto kConstant = [](int) { return 0.3f; };

// The bare left carrier at the n-th sample of a 0.01 Hz run is 0.5 · sin(phase − π · spread).
double SpreadOf(StereoSample y, int n = 0) {
    return (n * 2.0 * kPi * 0.01 / 44100.0 - std::asin(2.0 * y.left)) / kPi;
}

TEST(Modulator, FrequencyFloorIsAHundredthOfAHertz) {
    EffectBench b;
    ModulatorState s;
    const auto bare = Modulate(b, s, Mod(0.0f, 0.0f, 0.0f, 0.0f, 1.0f), 44101, kConstant);
    EXPECT_NEAR(bare[44100].left, 0.5 * std::sin(2.0 * kPi * 0.01), 2e-4);
    // A negative drive, (−2 · 1 + 0.5) · 5000 Hz, falls to the same floor.
    ModulatorState negative;
    const auto same =
        Modulate(b, negative, Mod(0.5f, 0.0f, 0.0f, 1.0f, 1.0f), 44101, [](int) { return -1.0f; });
    EXPECT_EQ(same[44100].left, bare[44100].left);
    // Ring modulation by the nearly constant carrier is nearly silent; the mix adds the dry part.
    ModulatorState ring;
    EffectParams p = Mod(0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_NEAR(Modulate(b, ring, p, 100, kConstant)[99].left, 0.0f, 1e-4f);
    p.mix = 0.25f;
    EXPECT_NEAR(Modulate(b, ring, p, 1, kConstant)[0].left, 0.75f * 0.3f, 1e-4f);
}

TEST(Modulator, SpreadSetsThePhaseDifferenceOfTheCarriers) {
    EffectBench b;
    ModulatorState half;
    for (const StereoSample y :
         Modulate(b, half, Mod(0.1f, 1.0f, 0.5f, 0.0f, 1.0f), 500, kConstant)) {
        ASSERT_NEAR(y.left, -y.right, 1e-6f); // 180°
    }
    ModulatorState quarter;
    for (const StereoSample y :
         Modulate(b, quarter, Mod(0.1f, 1.0f, 0.25f, 0.0f, 1.0f), 500, kConstant)) {
        ASSERT_NEAR(y.left * y.left + y.right * y.right, 0.25f, 1e-6f); // 90°
    }
}

TEST(Modulator, SpreadJumpsOnTheFirstStepAndGlidesElsewhere) {
    EffectBench b;
    ModulatorState first;
    EXPECT_NEAR(SpreadOf(Modulate(b, first, Mod(0.0f, 1.0f, 0.5f, 0.0f, 1.0f), 1, kConstant)[0]),
                0.5, 1e-6);
    b.c.stepIndex = 3;
    ModulatorState every; // updates every sample
    const auto glide = Modulate(b, every, Mod(0.0f, 1.0f, 0.5f, 0.0f, 1.0f), 100, kConstant);
    EXPECT_NEAR(SpreadOf(glide[0]), 0.025, 1e-6);
    EXPECT_NEAR(SpreadOf(glide[1]), 0.025 + 0.475 / 20.0, 1e-6);
    EXPECT_NEAR(SpreadOf(glide[99], 99), 0.5 * (1.0 - std::pow(0.95, 100)), 1e-6);
    ModulatorState halfStep; // updates every 2756 samples
    const auto slow = Modulate(b, halfStep, Mod(0.0f, 0.0f, 0.5f, 0.0f, 1.0f), 2757, kConstant);
    EXPECT_NEAR(SpreadOf(slow[2755], 2755), 0.025, 1e-5);
    EXPECT_NEAR(SpreadOf(slow[2756], 2756), 0.025 + 0.475 / 20.0, 1e-5);
}

TEST(Modulator, CarrierFrequencyChangesOnlyAtUpdates) {
    // "ModFMSpd" 0 at 5512 samples a step: an update every 2756 samples.
    EffectBench b;
    const EffectParams p = Mod(0.0f, 0.0f, 0.0f, 1.0f, 1.0f);
    ModulatorState held;
    ModulatorState changed;
    const auto steady = Modulate(b, held, p, 2758, [](int) { return 0.01f; });
    const auto late = Modulate(b, changed, p, 2758, [](int i) { return i < 2755 ? 0.01f : 0.2f; });
    for (int i = 0; i <= 2756; ++i) {
        ASSERT_EQ(late[static_cast<size_t>(i)].left, steady[static_cast<size_t>(i)].left) << i;
    }
    EXPECT_NE(late[2757].left, steady[2757].left);
}

// Every event start takes a new carrier from the input at its first sample, wherever the update
// interval stood.
TEST(Modulator, EventStartUpdatesTheCarrierAtOnce) {
    EffectBench b;
    ModulatorState s;
    const EffectParams p = Mod(0.0f, 0.0f, 0.0f, 1.0f, 1.0f); // an update every 2756 samples
    Modulate(b, s, p, 100, [](int) { return 0.01f; });
    EXPECT_FLOAT_EQ(s.frequency, 100.0f); // (0.01 + 0.01) × 5000 Hz
    ModulatorStart(s, b.c, {0.2f, 0.2f});
    Modulate(b, s, p, 1, [](int) { return 0.2f; });
    EXPECT_FLOAT_EQ(s.frequency, 2000.0f);
}

TEST(Modulator, PhaseRunsOnInTheStepSlotAndRestartsInTheGlobalSlot) {
    EffectBench b;
    const EffectParams p = Mod(0.1f, 1.0f, 0.0f, 0.0f, 1.0f);
    ModulatorState whole;
    const auto reference = Modulate(b, whole, p, 1000, kConstant);
    ModulatorState restarted;
    auto out = Modulate(b, restarted, p, 500, kConstant);
    ModulatorStart(restarted, b.c, {0.3f, 0.3f});
    const auto rest = Modulate(b, restarted, p, 500, kConstant);
    out.insert(out.end(), rest.begin(), rest.end());
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out[i].left, reference[i].left) << i;
    }
    b.c.globalSlot = true;
    ModulatorStart(restarted, b.c, {0.3f, 0.3f});
    EXPECT_FLOAT_EQ(Modulate(b, restarted, p, 1, kConstant)[0].left, 0.5f); // sin(π/2)
}

// At 8 kHz a loud input drives the carrier (up to 15 kHz) above the sample rate, and a huge one
// to the 1 MHz ceiling: the phase steps more than a turn at once and must still stay within one
// turn, or it would creep upwards and lose its precision.
TEST(Modulator, PhaseStaysWithinOneTurnWhenTheCarrierOutrunsTheRate) {
    EffectBench b;
    b.c.sampleRate = 8000.0;
    for (const float level : {1.0f, 1000.0f}) {
        ModulatorState s;
        Modulate(b, s, Mod(1.0f, 1.0f, 0.0f, 1.0f, 1.0f), 20000, [level](int) { return level; });
        EXPECT_GE(s.phase, 0.0f) << level;
        EXPECT_LE(s.phase, static_cast<float>(2.0 * kPi)) << level;
        EXPECT_LE(s.frequency, 1.0e6f) << level;
    }
}

} // namespace
} // namespace frakle::effects
