// Each effect soloed on a drum-like loop, through the binary interface: the output is finite,
// audibly different from the input, and the same bit for bit on a second run. Then the same at
// the extremes of sample rate and tempo, where every history read must stay in its buffer.
#include "PluginFixture.h"

#include <cmath>

namespace frakle::plugin_tests {
namespace {

const char *const kEffects[9] = {"tape stop", "modulator", "retrigger", "shuffler", "reverser",
                                 "crusher",   "gater",     "delay",     "stretcher"};

tools::StereoSignal renderSoloed(int effect, double rate, double bpm, int block,
                                 double seconds = 4.0) {
    tools::TestHost h(FRAKLE_PLUGIN_PATH);
    h.setSampleRate(rate);
    h.timeline().tempo = bpm;
    h.timeline().playing = true;
    h.setParameter(100 + effect, 1.0f); // "S> …"
    h.resume();
    return h.processSignal(drumLoop(rate, static_cast<size_t>(rate * seconds)), block);
}

double difference(const tools::StereoSignal &a, const tools::StereoSignal &b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.frames(); ++i) {
        sum += std::fabs(a.left[i] - b.left[i]) + std::fabs(a.right[i] - b.right[i]);
    }
    return sum / static_cast<double>(a.frames());
}

bool allFinite(const tools::StereoSignal &s) {
    for (size_t i = 0; i < s.frames(); ++i) {
        if (!std::isfinite(s.left[i]) || !std::isfinite(s.right[i])) {
            return false;
        }
    }
    return true;
}

TEST(SoloedEffects, EachChangesTheLoopAndRepeatsBitForBit) {
    const auto dry = drumLoop(44100.0, 44100 * 4);
    for (int e = 0; e < 9; ++e) {
        const auto first = renderSoloed(e, 44100.0, 120.0, 512);
        const auto second = renderSoloed(e, 44100.0, 120.0, 512);
        EXPECT_TRUE(allFinite(first)) << kEffects[e];
        EXPECT_GT(difference(first, dry), 1e-3) << kEffects[e];
        EXPECT_EQ(first.left, second.left) << kEffects[e];
        EXPECT_EQ(first.right, second.right) << kEffects[e];
    }
}

TEST(SoloedEffects, StayInTheirBuffersAtEveryRateAndTempo) {
    struct Case {
        double rate;
        double bpm;
        int block;
    };
    for (const Case c :
         {Case{8000.0, 80.0, 1}, Case{8000.0, 10000.0, 4096}, Case{384000.0, 80.0, 4096},
          Case{384000.0, 300.0, 333}, Case{22050.0, 1.0, 64}}) {
        for (int e = 0; e < 9; ++e) {
            const auto out = renderSoloed(e, c.rate, c.bpm, c.block, 0.75);
            EXPECT_TRUE(allFinite(out)) << kEffects[e] << " at " << c.rate << " Hz, " << c.bpm;
        }
    }
}

} // namespace
} // namespace frakle::plugin_tests
