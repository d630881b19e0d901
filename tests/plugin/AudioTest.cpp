// The audio calls as a host makes them: replacing and accumulating, odd block sizes, shared and
// missing buffers.
#include "PluginFixture.h"

#include <cmath>

namespace frakle::plugin_tests {
namespace {

using Audio = PluginTest;

tools::StereoSignal sine(size_t frames) {
    tools::StereoSignal s;
    for (size_t i = 0; i < frames; ++i) {
        s.left.push_back(0.5f * std::sin(0.01f * static_cast<float>(i)));
        s.right.push_back(0.25f * std::cos(0.02f * static_cast<float>(i)));
    }
    return s;
}

TEST_F(Audio, PassesTheSignalThroughWhilePlayingAndStopped) {
    host().resume();
    const auto in = sine(20000);
    host().timeline().playing = true;
    auto out = host().processSignal(in, 512);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
    host().timeline().playing = false;
    out = host().processSignal(in, 333);
    EXPECT_EQ(out.left, in.left);
}

TEST_F(Audio, AccumulatingProcessAddsToTheOutput) {
    const auto in = sine(64);
    std::vector<float> outL(64, 1.0f), outR(64, -1.0f);
    host().process(in.left, in.right, outL, outR);
    for (size_t i = 0; i < 64; ++i) {
        EXPECT_FLOAT_EQ(outL[i], 1.0f + in.left[i]);
        EXPECT_FLOAT_EQ(outR[i], -1.0f + in.right[i]);
    }
    host().processReplacing(in.left, in.right, outL, outR);
    EXPECT_EQ(outL, in.left);
}

TEST_F(Audio, OddBlocksAndBuffers) {
    const vst2::AEffect &e = host().effect();
    auto *effect = const_cast<vst2::AEffect *>(&e);
    std::vector<float> l(65536, 0.25f), r(65536, -0.25f);
    float *io[2] = {l.data(), r.data()};
    // The same buffers for input and output, as some hosts pass them.
    e.processReplacing(effect, io, io, 65536);
    EXPECT_EQ(l[65535], 0.25f);
    e.processReplacing(effect, io, io, 0);
    e.processReplacing(effect, io, io, -7);
    e.processReplacing(effect, nullptr, io, 16); // no input: silence in
    EXPECT_EQ(l[0], 0.0f);
    e.processReplacing(effect, io, nullptr, 16);
    float *none[2] = {nullptr, nullptr};
    e.processReplacing(effect, none, none, 16);
    e.process(effect, io, io, 1);
}

TEST_F(Audio, HostileTimelinesKeepTheOutputClean) {
    const auto in = sine(4096);
    const double rates[] = {8000, 384000, 0, -1, 44100};
    const double tempos[] = {0, -120, 10000, 1e9, 120};
    const double positions[] = {-8.0, 1e18, std::nan(""), 3.0, 0.0};
    for (int i = 0; i < 5; ++i) {
        host().timeline().sampleRate = rates[i];
        host().timeline().tempo = tempos[i];
        host().timeline().ppqPosition = positions[i];
        host().timeline().playing = (i % 2) == 0;
        const auto out = host().processSignal(in, 1000);
        EXPECT_EQ(out.left, in.left) << i;
    }
    host().timeline().available = false;
    EXPECT_EQ(host().processSignal(in, 64).right, in.right);
}

} // namespace
} // namespace frakle::plugin_tests
