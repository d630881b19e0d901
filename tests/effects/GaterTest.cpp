// Gater: slice timing, the closing ramp and the slice-start fade.
#include "effects/Gater.h"
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace frakle::effects {
namespace {

std::vector<StereoSample> gate(const EffectContext &c, EffectParams p, StereoSample in, int n) {
    GaterState s;
    GaterStart(s, c, in);
    std::vector<StereoSample> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(GaterProcess(s, c, in, p));
    }
    return out;
}

EffectParams params(float speed, float length, float volume, float mix = 1.0f) {
    EffectParams p;
    p.p1 = speed;
    p.p2 = length;
    p.p3 = volume;
    p.mix = mix;
    return p;
}

TEST(Gater, ShortestOpenPartRampsOverDAndTheNextSliceFadesIn) {
    EffectBench bench;      // one beat 22050 samples, D 64, J 256
    const int next = 22051; // a slice lasts slice length + 1 samples
    auto out = gate(bench.c, params(0.0f, 0.0f, 0.0f), {1.0f, -0.5f}, next + 300);
    EXPECT_EQ(out[0].left, 1.0f);    // the event starts at the input level: no fade
    EXPECT_EQ(out[1102].left, 1.0f); // open for ceil(0.05 × 22050) = 1103 samples
    EXPECT_FLOAT_EQ(out[1135].left, 0.5f);
    EXPECT_FLOAT_EQ(out[1135].right, -0.25f);
    EXPECT_EQ(out[1167].left, 0.0f);
    // The jump of 1 fades in over floor(1 × 0.5 × min(1103, 2J)) = 256 samples, the jump of 0.5
    // on the right over 128.
    EXPECT_EQ(out[next].left, 0.0f);
    EXPECT_FLOAT_EQ(out[next + 128].left, 0.5f);
    EXPECT_FLOAT_EQ(out[next + 64].right, -0.25f);
    EXPECT_EQ(out[next + 256].left, 1.0f);

    // Closed at 0.25: the ramp ends there and the next slice fades in from it over 192 samples.
    out = gate(bench.c, params(0.0f, 0.0f, 0.25f), {1.0f, 1.0f}, next + 200);
    EXPECT_FLOAT_EQ(out[1135].left, 0.625f);
    EXPECT_EQ(out[next].left, 0.25f);
    EXPECT_FLOAT_EQ(out[next + 96].left, 0.625f);
    EXPECT_EQ(out[next + 192].left, 1.0f);

    // The jump is measured in double: closed at 2^-25, the jump of 1 − 2^-25 fades over
    // floor(255.99…) = 255 samples, where a 32-bit difference (1.0) would give 256.
    out = gate(bench.c, params(0.0f, 0.0f, 0x1p-25f), {1.0f, 1.0f}, next + 300);
    EXPECT_EQ(out[next].left, 0x1p-25f);
    EXPECT_EQ(out[next + 255].left, 1.0f);

    // The mix blends the gated sample with the dry one.
    EXPECT_FLOAT_EQ(gate(bench.c, params(0.0f, 0.0f, 0.0f, 0.25f), {1.0f, 1.0f}, 5000)[4999].left,
                    0.75f);

    // A de-click longer than the open part keeps the gate open for D.
    bench.c.declick = 2000;
    out = gate(bench.c, params(0.0f, 0.0f, 0.0f), {1.0f, 1.0f}, 4001);
    EXPECT_EQ(out[1999].left, 1.0f);
    EXPECT_FLOAT_EQ(out[3000].left, 0.5f);
    EXPECT_EQ(out[4000].left, 0.0f);
}

TEST(Gater, SpeedSetsSlicesPerBeat) {
    EffectBench bench;
    for (auto [speed, slices] : {std::pair{0.0f, 1}, {0.5f, 8}, {1.0f, 16}}) {
        const auto out = gate(bench.c, params(speed, 0.0f, 0.0f), {1.0f, 1.0f}, 22050);
        int openings = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            openings += out[i].left > 0.0f && (i == 0 || out[i - 1].left == 0.0f);
        }
        EXPECT_EQ(openings, slices) << speed;
    }
    // Sixteen: slices of ceil(22050 / 16) + 1 = 1380 samples, open for ceil(0.05 × 1379) = 69.
    const auto out = gate(bench.c, params(1.0f, 0.0f, 0.0f), {1.0f, 1.0f}, 1380 + 134);
    EXPECT_EQ(out[69].left, 1.0f);
    EXPECT_FLOAT_EQ(out[101].left, 0.5f);
    EXPECT_EQ(out[133].left, 0.0f);
    EXPECT_EQ(out[1380].left, 0.0f);
    EXPECT_EQ(out[1380 + 34].left, 1.0f); // a fade of floor(0.5 × 69) samples
}

TEST(Gater, FullLengthOrFullVolumeLeavesTheSignal) {
    EffectBench bench;
    for (const EffectParams &p : {params(1.0f, 1.0f, 0.0f), params(0.0f, 1.0f, 0.0f),
                                  params(1.0f, 0.0f, 1.0f), params(0.3f, 0.5f, 1.0f)}) {
        GaterState s;
        GaterStart(s, bench.c, {0.0f, 0.0f});
        for (int i = 0; i < 3 * 22050; ++i) {
            const auto x = static_cast<float>(0.8 * std::sin(0.01 * i));
            const StereoSample y = GaterProcess(s, bench.c, {x, -x}, p);
            ASSERT_NEAR(y.left, x, 1e-6f) << p.p1 << " " << p.p2 << " " << i;
            ASSERT_NEAR(y.right, -x, 1e-6f);
        }
    }
}

} // namespace
} // namespace frakle::effects
