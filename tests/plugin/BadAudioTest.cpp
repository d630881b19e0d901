// Input no audio device delivers, through the binary interface: NaN and infinities as single
// samples, whole blocks and on one channel only, with each effect soloed and with the global
// delay at full feedback and every filter on. A sample that is no finite number is heard as
// silence: the output is the same bit for bit as that of a twin fed zeros in its place, so it is
// finite and bounded throughout and clean as soon as the input is. Denormal input gives finite
// output, and a burst of the largest finite samples leaves no lasting trace.
#include "PluginFixture.h"
#include "state/ProgramRecord.h"

#include <cstddef>
#include <functional>
#include <ostream>

namespace frakle::plugin_tests {
namespace {

constexpr float kBound = 4.0f;
constexpr size_t kFrames = 48000;
constexpr int32_t kBlock = 512;

struct Setup {
    const char *name;
    std::function<void(tools::TestHost &)> apply;
};

void PrintTo(const Setup &setup, std::ostream *out) { *out << setup.name; }

Setup soloed(const char *name, int effect) {
    return {name, [effect](tools::TestHost &h) {
                everyStep(h);
                h.setParameter(100 + effect, 1.0f); // "S> …"
            }};
}

// The global delay fed back at full strength, random effects on the steps, and every filter
// on, each of a different type with its resonance up. Resonant filters peak far above full
// scale, so the soft clipper is on.
void delayAndFilters(tools::TestHost &h) {
    everyStep(h);
    editPreset(
        h, [](std::vector<uint8_t> &p) { p[offsetof(state::TProgramRecord, clippingMode)] = 2; });
    h.setParameter(26, 1.0f);                         // "DlyFedBk"
    h.setParameter(109 + 7, 1.0f);                    // "G> Delay"
    const float types[4] = {0.3f, 0.55f, 0.8f, 1.0f}; // lowpass, highpass, bandpass, notch
    h.setParameter(32, types[0]);                     // "MstFltTp"
    h.setParameter(34, 1.0f);                         // "MstFltQ"
    for (int e = 0; e < 9; ++e) {
        const int first = 37 + 7 * e;
        h.setParameter(first + 1, types[static_cast<size_t>(e) % 4]);
        h.setParameter(first + 2, 0.1f + 0.1f * static_cast<float>(e));
        h.setParameter(first + 3, 1.0f);
    }
}

const Setup kSetups[] = {
    soloed("TapeStop", 0),  soloed("Modulator", 1),
    soloed("Retrigger", 2), soloed("Shuffler", 3),
    soloed("Reverser", 4),  soloed("Crusher", 5),
    soloed("Gater", 6),     soloed("Delay", 7),
    soloed("Stretcher", 8), {"DelayFedBackAndEveryFilterOn", delayAndFilters},
};

// Where the bad samples go: single samples, whole blocks on both channels and on one, runs of
// mixed values, then a clean second half.
void spoil(tools::StereoSignal &s, float (*value)(size_t i)) {
    const auto both = [&](size_t i) {
        s.left[i] = value(i);
        s.right[i] = value(i + 1);
    };
    s.left[1000] = value(0);
    s.right[1001] = value(1);
    both(2000);
    for (size_t i = 5 * kBlock; i < 6 * kBlock; ++i) {
        both(i);
    }
    for (size_t i = 10 * kBlock; i < 11 * kBlock; ++i) {
        s.left[i] = value(i);
    }
    for (size_t i = 15 * kBlock + 100; i < 17 * kBlock; ++i) {
        s.right[i] = value(i);
    }
    for (size_t i = 20000; i < 24000; i += 97) {
        both(i);
    }
}

float badValue(size_t i) {
    constexpr float kBad[] = {
        std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::signaling_NaN()};
    return kBad[i % std::size(kBad)];
}

float zero(size_t) { return 0.0f; }

tools::StereoSignal render(const Setup &setup, const tools::StereoSignal &in) {
    tools::TestHost h(FRAKLE_PLUGIN_PATH);
    h.open();
    setup.apply(h);
    h.resume();
    h.timeline().playing = true;
    return h.processSignal(in, kBlock);
}

class BadAudio : public ::testing::TestWithParam<Setup> {};

TEST_P(BadAudio, NonFiniteSamplesAreHeardAsSilence) {
    tools::StereoSignal bad = drumLoop(44100.0, kFrames);
    tools::StereoSignal zeros = bad;
    spoil(bad, badValue);
    spoil(zeros, zero);
    const auto out = render(GetParam(), bad);
    const auto expected = render(GetParam(), zeros);
    EXPECT_LE(peakOf(expected), kBound);
    for (size_t i = 0; i < kFrames; ++i) {
        ASSERT_EQ(out.left[i], expected.left[i]) << "frame " << i;
        ASSERT_EQ(out.right[i], expected.right[i]) << "frame " << i;
    }
}

TEST_P(BadAudio, DenormalInputGivesFiniteOutput) {
    tools::StereoSignal in = drumLoop(44100.0, kFrames);
    constexpr float kTiny[] = {std::numeric_limits<float>::denorm_min(), -1e-40f, 1e-39f,
                               -std::numeric_limits<float>::denorm_min()};
    for (size_t i = 4000; i < kFrames; ++i) {
        // Denormals alone for a while, then mixed into the loop as it fades out.
        in.left[i] = i < 30000 ? kTiny[i % 4] : in.left[i] * 1e-36f;
        in.right[i] = i < 30000 ? kTiny[(i + 1) % 4] : in.right[i] * 1e-36f;
    }
    EXPECT_LE(peakOf(render(GetParam(), in)), kBound);
}

// The largest finite samples, as a broken plug-in upstream may send them, are held at a limit
// far above any audio level: nothing overflows on the way through, however long the echoes of
// the burst ring on.
TEST_P(BadAudio, HugeFiniteSamplesLeaveNoLastingTrace) {
    tools::StereoSignal in = drumLoop(44100.0, kFrames);
    for (size_t i = 3000; i < 3100; ++i) {
        in.left[i] = std::numeric_limits<float>::max();
        in.right[i] = i % 2 == 0 ? -std::numeric_limits<float>::max() : 1e30f;
    }
    const auto out = render(GetParam(), in);
    for (size_t i = 0; i < kFrames; ++i) {
        ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Setups, BadAudio, ::testing::ValuesIn(kSetups),
                         [](const auto &test) { return std::string(test.param.name); });

} // namespace
} // namespace frakle::plugin_tests
