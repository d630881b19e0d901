// Retrigger: slice lengths, cuts, slice-to-slice change, pitch glide and the read head's limit.
#include "effects/Retrigger.h"
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace frakle::effects {
namespace {

constexpr int32_t kStart = 1000;

float Noise(int i) { return std::sin(0.37f * static_cast<float>(i)) * 0.8f; }
float One(int) { return 1.0f; }
float Ramp(int i) { return static_cast<float>(kStart + i) / 1024.0f; } // history index / 1024

// One event from pattern position kStart, lasting the whole sequence. The history before it holds
// the input for i < 0 and NaN after the newest sample, so a read past P shows in the output.
struct Slicer {
    EffectBench b;
    RetriggerState s;
    EffectParams p;
    float (*input)(int);
    int n = 0;

    Slicer(EffectParams params, float (*in)(int)) : p(params), input(in) {
        b.c.patternPosition = kStart;
        b.c.stepLength = b.c.sequenceLength;
        for (int32_t i = 0; i < b.c.history.size; ++i) {
            b.left[static_cast<size_t>(i)] = b.right[static_cast<size_t>(i)] =
                i < kStart ? input(i - kStart) : std::numeric_limits<float>::quiet_NaN();
        }
    }
    std::vector<float> run(int count) {
        std::vector<float> out;
        for (int i = 0; i < count; ++i, ++n) {
            const float x = input(n);
            b.write({x, x});
            if (n == 0) {
                RetriggerStart(s, b.c, {x, x});
            }
            out.push_back(RetriggerProcess(s, b.c, {x, x}, p).left);
            b.advance();
        }
        return out;
    }
};

EffectParams Retrig(float speed, float length, float change, float pitch) {
    return {speed, length, change, pitch, 0.0f, 1.0f};
}

// Uncut slices of a constant input fade to exactly 0 at their last sample and, after the first,
// at their first: the lengths are the distances between those zeros.
std::vector<int> SliceLengths(const std::vector<float> &out, size_t count) {
    std::vector<int> lengths;
    size_t start = 0;
    for (size_t i = 1; i < out.size() && lengths.size() < count; ++i) {
        if (out[i] == 0.0f && i > start) {
            lengths.push_back(static_cast<int>(i - start));
            start = ++i;
        }
    }
    return lengths;
}

TEST(Retrigger, ReplaysTheEventStartInEverySlice) {
    Slicer r(Retrig(1.0f, 1.0f, 0.5f, 0.5f), Noise); // floor(22050 / 32) = 689
    const auto out = r.run(1400);
    for (int q = 0; q < 600; ++q) {
        ASSERT_EQ(out[static_cast<size_t>(q)], Noise(q - 2)) << q; // the live input, unfaded
        if (q > 64) {
            ASSERT_EQ(out[static_cast<size_t>(690 + q)], out[static_cast<size_t>(q)]) << q;
        }
    }
}

TEST(Retrigger, SliceLengthFollowsTheSlicesPerBeat) {
    EXPECT_EQ(SliceLengths(Slicer(Retrig(0.0f, 1.0f, 0.5f, 0.5f), One).run(33100), 3),
              (std::vector<int>{11025, 11025, 11025}));
    EXPECT_EQ(SliceLengths(Slicer(Retrig(0.5f, 1.0f, 0.5f, 0.5f), One).run(4000), 3),
              (std::vector<int>{1297, 1297, 1297}));
    EXPECT_EQ(SliceLengths(Slicer(Retrig(1.0f, 1.0f, 0.5f, 0.5f), One).run(2100), 3),
              (std::vector<int>{689, 689, 689}));
}

TEST(Retrigger, SliceChangeShrinksOrGrowsOutsideTheDeadZone) {
    const auto lengths = [](float change) {
        return SliceLengths(Slicer(Retrig(1.0f, 1.0f, change, 0.5f), One).run(4000), 3);
    };
    for (const float still : {0.495f, 0.5f, 0.505f}) {
        EXPECT_EQ(lengths(still), (std::vector<int>{689, 689, 689})) << still;
    }
    EXPECT_EQ(lengths(1.0f), (std::vector<int>{689, 520, 392}));   // × 0.755
    EXPECT_EQ(lengths(0.0f), (std::vector<int>{689, 1026, 1528})); // × 1.49
    EXPECT_EQ(lengths(0.48f), (std::vector<int>{689, 695, 701}));  // × 1.01
    // Shrunk to nothing: silence, or the dry part of the mix.
    EffectParams p = Retrig(1.0f, 1.0f, 1.0f, 0.5f);
    p.mix = 0.5f;
    Slicer r(p, Noise);
    const auto out = r.run(5100);
    for (int i = 5000; i < 5100; ++i) {
        ASSERT_EQ(out[static_cast<size_t>(i)], 0.5f * Noise(i)) << i;
    }
}

TEST(Retrigger, ShortLengthsSoundForAtLeastATenth) {
    const auto tenth = Slicer(Retrig(1.0f, 0.1f, 0.5f, 0.5f), One).run(1400);
    EXPECT_EQ(Slicer(Retrig(1.0f, 0.0f, 0.5f, 0.5f), One).run(1400), tenth);
    // Second slice, starting at 690: floor(689 × 0.1) = 68 samples sound, the rest is silent.
    EXPECT_GT(tenth[690 + 30], 0.0f);
    for (int q = 69; q <= 689; ++q) {
        ASSERT_EQ(tenth[static_cast<size_t>(690 + q)], 0.0f) << q;
    }
}

TEST(Retrigger, PitchGlidesBetweenAQuarterAndFourTimesTheSpeed) {
    // On a ramp the output gives the head position; over 100 samples its slope is the speed.
    const auto speed = [](const std::vector<float> &out, int n) {
        const auto at = [&](int i) { return static_cast<double>(out[static_cast<size_t>(i)]); };
        return (at(n + 50) - at(n - 50)) * 1024.0 / 100.0;
    };
    const auto up = Slicer(Retrig(0.0f, 1.0f, 0.5f, 1.0f), Ramp).run(33700);
    EXPECT_NEAR(speed(up, 16026), 1.0 + 0.000098 * 16026, 0.005); // second slice, not reset
    EXPECT_NEAR(speed(up, 33578), 4.0, 1e-3);
    const auto down = Slicer(Retrig(0.0f, 1.0f, 0.5f, 0.0f), Ramp).run(44700);
    EXPECT_NEAR(speed(down, 5000), 1.0 - 0.0000198 * 5000, 0.002);
    EXPECT_NEAR(speed(down, 44604), 0.25, 1e-3);
    const auto level = Slicer(Retrig(0.0f, 1.0f, 0.5f, 0.5f), Ramp).run(16100);
    EXPECT_NEAR(speed(level, 16026), 1.0, 1e-3);
}

TEST(Retrigger, ReadHeadCatchesUpAndPlaysTheLiveInput) {
    Slicer r(Retrig(0.0f, 1.0f, 0.5f, 1.0f), Noise);
    const auto out = r.run(22000);
    for (int n = 0; n < 22000; ++n) {
        // The first slice, and the second once caught up, until their fade-outs.
        const bool live = n < 10900 || (n >= 11026 + 10000 && n < 11026 + 10900);
        if (live) {
            ASSERT_EQ(out[static_cast<size_t>(n)], Noise(n - 2)) << n;
        }
        ASSERT_TRUE(std::isfinite(out[static_cast<size_t>(n)])) << n;
    }
}

TEST(Retrigger, NewSliceRateWaitsForTheNextSliceStart) {
    for (const bool flagged : {false, true}) {
        Slicer r(Retrig(0.0f, 1.0f, 0.5f, 0.5f), One);
        auto out = r.run(5000);
        r.p.p1 = 1.0f;
        if (flagged) {
            r.b.recompute.store(true);
        }
        const auto rest = r.run(8000);
        out.insert(out.end(), rest.begin(), rest.end());
        EXPECT_EQ(SliceLengths(out, 3),
                  flagged ? (std::vector<int>{11025, 689, 689}) : (std::vector<int>{11025}));
        EXPECT_FALSE(r.b.recompute.load());
    }
}

} // namespace
} // namespace frakle::effects
