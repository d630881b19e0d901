// Shuffler: block sizes, shuffle and repeat decisions and the block de-click.
#include "effects/Shuffler.h"
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace frakle::effects {
namespace {

// History sample i holds i / 2^18: jumps stay below 2 (so J = 1 fades nothing) and every output
// reads back as the index it came from.
constexpr double kIndexScale = 262144.0;

std::vector<int32_t> PlayedIndices(EffectBench &bench, ShufflerState &s, const EffectParams &p,
                                   int32_t start, int n) {
    for (size_t i = 0; i < bench.left.size(); ++i) {
        bench.left[i] = bench.right[i] = static_cast<float>(i / kIndexScale);
    }
    bench.c.jumpLimit = 1;
    bench.c.patternPosition = start;
    const float live = static_cast<float>(start / kIndexScale);
    ShufflerStart(s, bench.c, {live, live});
    std::vector<int32_t> played;
    for (int i = 0; i < n; ++i) {
        const float x = bench.left[static_cast<size_t>(bench.c.patternPosition)];
        played.push_back(static_cast<int32_t>(
            std::nearbyint(ShufflerProcess(s, bench.c, {x, x}, p).left * kIndexScale)));
        bench.advance();
    }
    return played;
}

EffectParams Shuffle(float size, float range, float amount, float repeats) {
    EffectParams p;
    p.p1 = p.p2 = size;
    p.p3 = range;
    p.p4 = amount;
    p.extra = repeats;
    return p;
}

TEST(Shuffler, AmountBelowOnePercentPlaysTheLiveInput) {
    EffectParams p = Shuffle(0.0f, 1.0f, 0.009f, 1.0f);
    p.p2 = 0.2f; // k = 0 … 8: many short blocks
    EffectBench bench;
    ShufflerState s;
    const auto played = PlayedIndices(bench, s, p, 200000, 20000);
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(played[static_cast<size_t>(i)], 200000 + i) << i;
    }
    p.p4 = 0.011f; // one block in twenty is taken from the past (0.01f is just below 0.01)
    EffectBench other;
    ShufflerState t;
    EXPECT_NE(PlayedIndices(other, t, p, 200000, 20000), played);
}

// "ShuflRng" 0 restarts the block-sized grid cell that holds P, which shows each block's length.
TEST(Shuffler, BlockSizesComeFromTheTable) {
    EffectBench bench;
    ShufflerState s;
    EffectParams p = Shuffle(0.5f, 0.0f, 1.0f, 0.0f); // k = 20: a quarter step, 1378.125 samples
    p.p2 = 0.1f;                                      // below the minimum: the minimum wins
    // P 1378 still lies in cell 0; cell 1 starts at floor(1378.125).
    ExpectAt(PlayedIndices(bench, s, p, 0, 5000),
             {{1377, 1377}, {1378, 0}, {2756, 1378}, {4134, 2756}});

    // k = 3 at 10240 samples a beat: 2560 × 0x3C533333 = 32.9999995, so blocks are 32 samples
    // long while the grid, kept as a 32-bit float, is 33.
    EffectBench slow;
    slow.c.samplesPerBeat = 10240;
    ShufflerState t;
    ExpectAt(PlayedIndices(slow, t, Shuffle(3.5f / 40.0f, 0.0f, 1.0f, 0.0f), 0, 100),
             {{31, 31}, {32, 0}, {64, 33}, {96, 66}});
}

int CountRepeatedBlocks(float repeats) {
    EffectBench bench;
    ShufflerState s;
    // k = 0: 43-sample blocks from about 4000 cells, so chance coincidences are rare.
    const auto played = PlayedIndices(bench, s, Shuffle(0.0f, 1.0f, 1.0f, repeats), 200000, 4300);
    int count = 0;
    for (size_t b = 43; b < played.size(); b += 43) {
        count += played[b] == played[b - 43] ? 1 : 0;
    }
    return count;
}

TEST(Shuffler, RepeatsFollowShuflRep) {
    EXPECT_EQ(CountRepeatedBlocks(0.0f), 0);
    EXPECT_GT(CountRepeatedBlocks(1.0f), 20);
}

// The same seed gives the same blocks: decision, size, repeats and source are drawn in that
// order, and a shuffled block then plays its repeats.
TEST(Shuffler, DrawsDecisionSizeRepeatsThenSource) {
    const EffectParams p = Shuffle(0.5f, 1.0f, 0.5f, 1.0f); // one in ten; 1378-sample blocks
    int shuffled = 0;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        dsp::TRandom expected{seed};
        const bool active = expected.next(10) == 0;
        EXPECT_EQ(expected.range(20, 20), 20);
        const int32_t repeats = expected.range(0, 22);
        // From floor((200000 − 8 beats) / 1378.125) = 17 to floor(200000 / 1378.125) + 1.
        const int32_t source =
            active ? static_cast<int32_t>(std::floor(expected.range(17, 146) * 1378.125)) : 200000;
        EffectBench bench;
        bench.random.setSeed(seed);
        ShufflerState s;
        const auto played = PlayedIndices(bench, s, p, 200000, 1378 * (repeats + 1));
        EXPECT_EQ(played[0], source) << seed;
        if (active) {
            ++shuffled;
            for (int r = 1; r <= repeats; ++r) {
                EXPECT_EQ(played[static_cast<size_t>(1378 * r)], source) << seed;
            }
        }
    }
    EXPECT_GT(shuffled, 0);
}

// A jump of 2 at a block start fades over J samples from the previous block's end, played
// backwards; a channel without a jump is not faded.
TEST(Shuffler, FadesJumpsPerChannel) {
    EffectBench bench;
    for (size_t i = 0; i < bench.left.size(); ++i) {
        bench.left[i] = i < 1378 ? 0.5f : -1.0f;
        bench.right[i] = -1.0f;
    }
    ShufflerState s;
    s.lastOutput[0] = 1.0f;
    s.lastOutput[1] = -1.0f;
    s.lastReadIndex = 1000;
    bench.c.patternPosition = 2078; // in the cell that starts at 1378
    ShufflerStart(s, bench.c, {-1.0f, -1.0f});
    std::vector<StereoSample> out;
    for (int i = 0; i < 300; ++i) {
        out.push_back(ShufflerProcess(s, bench.c, {-1.0f, -1.0f}, Shuffle(0.5f, 0, 1, 0)));
        bench.advance();
    }
    std::vector<float> left, right;
    for (const StereoSample &x : out) {
        left.push_back(x.left);
        right.push_back(x.right);
    }
    ExpectAt(left, {{0, 0.5f}, {64, 0.125f}, {128, -0.25f}, {255, -0.994140625f}, {256, -1.0f}});
    EXPECT_EQ(right, std::vector<float>(300, -1.0f));
}

// Below full mix the block read from the past is blended with the live input.
TEST(Shuffler, MixBlendsTheBlockWithTheLiveInput) {
    EffectBench bench;
    for (size_t i = 0; i < bench.left.size(); ++i) {
        bench.left[i] = bench.right[i] = static_cast<float>(i / kIndexScale);
    }
    bench.c.jumpLimit = 1;
    bench.c.patternPosition = 2078; // in the cell that starts at 1378
    EffectParams p = Shuffle(0.5f, 0, 1, 0);
    p.mix = 0.25f;
    ShufflerState s;
    ShufflerStart(s, bench.c, {0.5f, 0.5f});
    for (int i = 0; i < 10; ++i) {
        const StereoSample y = ShufflerProcess(s, bench.c, {0.5f, 0.5f}, p);
        ASSERT_FLOAT_EQ(y.left, 0.25f * bench.left[static_cast<size_t>(1378 + i)] + 0.375f) << i;
        bench.advance();
    }
}

} // namespace
} // namespace frakle::effects
