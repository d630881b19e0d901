// The audio calls as a host makes them: replacing and accumulating, odd block sizes, shared and
// missing buffers, hostile timelines, and repeatable output.
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

bool finiteAndBounded(const std::vector<float> &v, float bound) {
    for (float x : v) {
        if (!std::isfinite(x) || std::fabs(x) > bound) {
            return false;
        }
    }
    return true;
}

TEST_F(Audio, AccumulatingProcessAddsWhatReplacingWrites) {
    tools::TestHost other(FRAKLE_PLUGIN_PATH);
    for (tools::TestHost *h : {&host(), &other}) {
        h->timeline().playing = true;
        h->resume();
    }
    const auto in = sine(3000);
    std::vector<float> addL(3000, 1.0f), addR(3000, -1.0f), outL(3000), outR(3000);
    host().process(in.left, in.right, addL, addR);
    other.processReplacing(in.left, in.right, outL, outR);
    for (size_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(addL[i], 1.0f + outL[i]) << i;
        ASSERT_EQ(addR[i], -1.0f + outR[i]) << i;
    }
}

TEST_F(Audio, OddBlocksAndBuffers) {
    const vst2::AEffect &e = host().effect();
    auto *effect = const_cast<vst2::AEffect *>(&e);
    std::vector<float> l(65536, 0.25f), r(65536, -0.25f);
    float *io[2] = {l.data(), r.data()};
    host().timeline().playing = true;
    // The same buffers for input and output, as some hosts pass them.
    e.processReplacing(effect, io, io, 65536);
    EXPECT_TRUE(finiteAndBounded(l, 1.0f));
    e.processReplacing(effect, io, io, 0);
    e.processReplacing(effect, io, io, -7);
    e.processReplacing(effect, nullptr, io, 16); // no input: silence in
    e.processReplacing(effect, io, nullptr, 16);
    float *none[2] = {nullptr, nullptr};
    e.processReplacing(effect, none, none, 16);
    e.process(effect, io, io, 1);
    EXPECT_TRUE(finiteAndBounded(l, 1.0f));
}

// Each effect's output volume set apart, so the output level tells which effect played.
void markEffectsByVolume(tools::TestHost &h) {
    for (int e = 0; e < 9; ++e) {
        h.setParameter(43 + 7 * e, 0.05f + 0.05f * static_cast<float>(e));
    }
}

tools::StereoSignal renderDefault(float seed, int blockFrames) {
    tools::TestHost h(FRAKLE_PLUGIN_PATH);
    h.setParameter(0, seed);
    h.setParameter(2, 2.0f / 15.0f); // pattern 3: an event on every step
    markEffectsByVolume(h);
    h.resume();
    h.timeline().playing = true;
    tools::StereoSignal in;
    in.left.assign(16 * 5512, 0.5f);
    in.right.assign(16 * 5512, -0.5f);
    return h.processSignal(in, blockFrames);
}

TEST(Determinism, SameSeedAndBlocksGiveTheSameOutputBitForBit) {
    const auto a = renderDefault(0.3f, 512);
    const auto b = renderDefault(0.3f, 512);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    const auto c = renderDefault(0.7f, 512);
    EXPECT_NE(a.left, c.left);
}

TEST(Determinism, TwoInstancesSideBySideAgree) {
    tools::TestHost one(FRAKLE_PLUGIN_PATH), two(FRAKLE_PLUGIN_PATH);
    const auto in = sine(40000);
    for (tools::TestHost *h : {&one, &two}) {
        h->setParameter(2, 2.0f / 15.0f);
        markEffectsByVolume(*h);
        h->timeline().playing = true;
    }
    tools::StereoSignal outOne, outTwo;
    for (size_t start = 0; start < in.frames(); start += 400) {
        tools::StereoSignal block;
        block.left.assign(in.left.begin() + static_cast<long>(start),
                          in.left.begin() + static_cast<long>(start + 400));
        block.right = block.left;
        const auto a = one.processSignal(block, 400);
        const auto b = two.processSignal(block, 400);
        outOne.left.insert(outOne.left.end(), a.left.begin(), a.left.end());
        outTwo.left.insert(outTwo.left.end(), b.left.begin(), b.left.end());
    }
    EXPECT_EQ(outOne.left, outTwo.left);
}

} // namespace
} // namespace frakle::plugin_tests
