// The audio calls as a host makes them: accumulating against replacing, and each effect soloed
// on a drum-like loop, which comes out finite, audibly changed and the same bit for bit on a
// second run. (Odd blocks, missing buffers and the extremes of rate and tempo are played in
// HostileTimelineTest, the exact output in GoldenOutputTest.)
#include "PluginFixture.h"

#include <cmath>

namespace frakle::plugin_tests {
namespace {

TEST(Audio, AccumulatingProcessAddsWhatReplacingWrites) {
    tools::TestHost one(FRAKLE_PLUGIN_PATH), other(FRAKLE_PLUGIN_PATH);
    for (tools::TestHost *h : {&one, &other}) {
        h->timeline().playing = true;
        h->resume();
    }
    const auto in = drumLoop(44100.0, 3000);
    std::vector<float> addL(3000, 1.0f), addR(3000, -1.0f), outL(3000), outR(3000);
    one.process(in.left, in.right, addL, addR);
    other.processReplacing(in.left, in.right, outL, outR);
    for (size_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(addL[i], 1.0f + outL[i]) << i;
        ASSERT_EQ(addR[i], -1.0f + outR[i]) << i;
    }
}

// Four seconds of the loop at 44.1 kHz and 120 bpm, effect soloed.
tools::StereoSignal renderSoloed(int effect) {
    tools::TestHost h(FRAKLE_PLUGIN_PATH);
    h.setSampleRate(44100.0);
    h.timeline().playing = true;
    h.setParameter(100 + effect, 1.0f); // "S> …"
    h.resume();
    return h.processSignal(drumLoop(44100.0, 44100 * 4), 512);
}

TEST(SoloedEffects, EachChangesTheLoopAndRepeatsBitForBit) {
    const auto dry = drumLoop(44100.0, 44100 * 4);
    for (int e = 0; e < 9; ++e) {
        const auto first = renderSoloed(e);
        const auto second = renderSoloed(e);
        double difference = 0.0;
        for (size_t i = 0; i < dry.frames(); ++i) {
            difference += std::fabs(first.left[i] - dry.left[i]) / dry.frames();
        }
        EXPECT_TRUE(std::isfinite(peakOf(first))) << "effect " << e;
        EXPECT_GT(difference, 1e-3) << "effect " << e;
        EXPECT_EQ(first.left, second.left) << "effect " << e;
        EXPECT_EQ(first.right, second.right) << "effect " << e;
    }
}

} // namespace
} // namespace frakle::plugin_tests
