// Each effect soloed on a drum-like loop, through the binary interface: the output is finite,
// audibly different from the input, and the same bit for bit on a second run. (The extremes of
// rate, tempo and block size are played in HostileTimelineTest.)
#include "PluginFixture.h"

#include <cmath>

namespace frakle::plugin_tests {
namespace {

const char *const kEffects[9] = {"tape stop", "modulator", "retrigger", "shuffler", "reverser",
                                 "crusher",   "gater",     "delay",     "stretcher"};

// Four seconds of the loop at 44.1 kHz and 120 bpm, effect soloed.
tools::StereoSignal renderSoloed(int effect) {
    tools::TestHost h(FRAKLE_PLUGIN_PATH);
    h.setSampleRate(44100.0);
    h.timeline().tempo = 120.0;
    h.timeline().playing = true;
    h.setParameter(100 + effect, 1.0f); // "S> …"
    h.resume();
    return h.processSignal(drumLoop(44100.0, 44100 * 4), 512);
}

double difference(const tools::StereoSignal &a, const tools::StereoSignal &b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.frames(); ++i) {
        sum += std::fabs(a.left[i] - b.left[i]) + std::fabs(a.right[i] - b.right[i]);
    }
    return sum / static_cast<double>(a.frames());
}

TEST(SoloedEffects, EachChangesTheLoopAndRepeatsBitForBit) {
    const auto dry = drumLoop(44100.0, 44100 * 4);
    for (int e = 0; e < 9; ++e) {
        const auto first = renderSoloed(e);
        const auto second = renderSoloed(e);
        EXPECT_TRUE(std::isfinite(peakOf(first))) << kEffects[e];
        EXPECT_GT(difference(first, dry), 1e-3) << kEffects[e];
        EXPECT_EQ(first.left, second.left) << kEffects[e];
        EXPECT_EQ(first.right, second.right) << kEffects[e];
    }
}

} // namespace
} // namespace frakle::plugin_tests
