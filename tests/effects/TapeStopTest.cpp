// Tape stop and the 4-point interpolator: delay, slow-down, stop, catch-up, history edges; and
// for both effects that read through the interpolator, reads inside the history at extremes.
#include "effects/TapeStop.h"
#include "EffectTestSupport.h"
#include "effects/Interp4.h"
#include "effects/Retrigger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace frakle::effects {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

float Noise(int i) { return std::sin(0.37f * static_cast<float>(i)) * 0.8f; }

// One event from pattern position `start`, the history before it holding input(i) for i < 0 and
// NaN after the newest sample, so a read past P shows up in the output.
template <class Input>
std::vector<float> Play(EffectBench &b, const EffectParams &p, int n, int32_t start, Input input) {
    b.c.patternPosition = start;
    for (int32_t i = 0; i < b.c.history.size; ++i) {
        b.left[static_cast<size_t>(i)] = i < start ? input(i - start) : kNaN;
        b.right[static_cast<size_t>(i)] = b.left[static_cast<size_t>(i)];
    }
    TapeStopState s;
    std::vector<float> out;
    for (int i = 0; i < n; ++i) {
        const float x = input(i);
        b.write({x, x});
        if (i == 0) {
            TapeStopStart(s, b.c, {x, x});
        }
        out.push_back(TapeStopProcess(s, b.c, {x, x}, p).left);
        b.advance();
    }
    return out;
}

EffectParams Tape(float slowDown, float delay, float speedUp) {
    return {slowDown, delay, speedUp, 0.0f, 0.0f, 1.0f};
}

TEST(Interp4, MeetsTheSamplesAtTheEndsAndBendsBetween) {
    EXPECT_EQ(Interp4(0.3f, -0.7f, 0.25f, 0.9f, -2.0), 0.25f);      // t = 0 and below: h[i − 2]
    EXPECT_FLOAT_EQ(Interp4(0.3f, -0.7f, 0.25f, 0.9f, 7.0), -0.7f); // t = 1 and above: h[i − 1]
    EXPECT_FLOAT_EQ(Interp4(4.0f, 3.0f, 2.0f, 1.0f, 0.25), 2.25f);  // a line stays a line
    // Halfway, a single sample at either outer point pulls by −1/16 (worked out by hand).
    EXPECT_FLOAT_EQ(Interp4(1.0f, 0.0f, 0.0f, 0.0f, 0.5), -0.0625f);
    EXPECT_FLOAT_EQ(Interp4(0.0f, 0.0f, 0.0f, 1.0f, 0.5), -0.0625f);
}

TEST(TapeStop, FollowsTheInputTwoSamplesLateUntilTheDelayEnds) {
    EffectBench b;
    const auto whole = Play(b, Tape(1.0f, 1.0f, 0.0f), 5512, 1000, Noise);
    for (int i = 0; i < 5512; ++i) {
        ASSERT_EQ(whole[static_cast<size_t>(i)], Noise(i - 2)) << i;
    }
    // Half the step: floor(5512 × 0.5) = 2756 samples follow, then the tape falls behind.
    EffectBench half;
    const auto out = Play(half, Tape(1.0f, 0.5f, 0.0f), 5512, 1000, Noise);
    for (int i = 0; i <= 2758; ++i) {
        ASSERT_EQ(out[static_cast<size_t>(i)], Noise(i - 2)) << i;
    }
    EXPECT_GT(std::abs(out[3500] - Noise(3498)), 0.01f);
}

TEST(TapeStop, PassesTheDrySampleAtTheStartOfTheHistory) {
    EffectBench b;
    const auto out = Play(b, Tape(0.0f, 1.0f, 0.0f), 8, 0, Noise);
    EXPECT_EQ(out, (std::vector<float>{Noise(0), Noise(1), Noise(2), Noise(1), Noise(2), Noise(3),
                                       Noise(4), Noise(5)}));
}

TEST(TapeStop, SlowsDownAtTheKnobsRateAndFadesBelowAFifthOfTheSpeed) {
    // On a constant input the output is the level: 5 × speed once the speed is 0.2 or less. The
    // first sample plays at full speed; the speed is a 32-bit float, so many steps drift a little.
    const auto one = [](int) { return 1.0f; };
    EffectBench b;
    const auto out = Play(b, Tape(1.0f, 0.0f, 0.0f), 2480, 1000, one);
    EXPECT_EQ(out[1900], 1.0f);
    EXPECT_NEAR(out[2001], 5.0 * (1.0 - 2000 * 0.0004025), 1e-4);
    EXPECT_NEAR(out[2401], 5.0 * (1.0 - 2400 * 0.0004025), 1e-4);
    // At twice the rate the knob's part halves; the minimum of 0.0000025 does not.
    EffectBench fast;
    fast.c.sampleRate = 88200.0;
    EXPECT_NEAR(Play(fast, Tape(1.0f, 0.0f, 0.0f), 4002, 1000, one)[4001],
                5.0 * (1.0 - 4000 * 0.0002025), 1e-3);
    // With the knob at 0 the tape takes 400,000 samples to stop, then stays silent.
    EffectBench slow(529200 + 16);
    slow.c.sequenceLength = slow.c.stepLength = 529200;
    const auto stop = Play(slow, Tape(0.0f, 0.0f, 0.0f), 402000, 100, one);
    EXPECT_NEAR(stop[360001], 0.5f, 0.01f);
    EXPECT_GT(stop[399000], 0.0f);
    EXPECT_TRUE(std::all_of(stop.begin() + 401000, stop.end(), [](float y) { return y == 0.0f; }));
}

TEST(TapeStop, SpeedsUpAndCrossFadesBackToTheLiveInput) {
    EffectBench b;
    b.c.stepLength = 20000;
    const auto out = Play(b, Tape(1.0f, 0.0f, 1.0f), 20000, 1000, Noise);
    EXPECT_LT(std::abs(out[2490]), 0.01f);
    for (int i = 15000; i < 20000; ++i) {
        ASSERT_EQ(out[static_cast<size_t>(i)], Noise(i)) << i;
    }
    EffectBench stay;
    const auto silent = Play(stay, Tape(1.0f, 0.0f, 0.0f), 5512, 1000, Noise);
    EXPECT_TRUE(
        std::all_of(silent.begin() + 2500, silent.end(), [](float y) { return y == 0.0f; }));
}

// A context at an extreme rate and tempo whose history is NaN wherever no read may go: before
// index 0, after the newest sample, and before the few samples ahead of the first event.
struct GuardedHistory {
    static constexpr int32_t kGuard = 4;
    static constexpr int32_t kSamples = 3000;
    std::vector<float> store[2];
    std::atomic<bool> recompute{true};
    dsp::TRandom random{99};
    EffectContext c;

    GuardedHistory(double rate, double bpm, int32_t steps) {
        const double step = rate * 60.0 / bpm / 4.0;
        const auto capacity = static_cast<int32_t>(std::nearbyint(12.0 * rate));
        for (auto &v : store) {
            v.assign(static_cast<size_t>(capacity + 16 + kGuard), kNaN);
        }
        c.sampleRate = rate;
        c.rateFactor = static_cast<float>(rate / 44100.0);
        c.samplesPerStep = c.samplesPerStepMod = static_cast<int32_t>(std::nearbyint(step));
        c.sequenceLength = std::min(capacity, static_cast<int32_t>(std::nearbyint(steps * step)));
        c.samplesPerBeat = std::min(c.sequenceLength, 4 * c.samplesPerStep);
        c.history = {store[0].data() + kGuard, store[1].data() + kGuard, capacity + 16};
        c.random = &random;
        c.recompute = &recompute;
    }
    void set(int32_t from, int32_t to, float v) {
        for (auto &ch : store) {
            std::fill(ch.begin() + kGuard + from, ch.begin() + kGuard + to, v);
        }
    }
    // Events of `stepLength` samples from pattern position `start` on loud noise; afterwards the
    // history is all NaN again.
    template <class State, class Start, class Process>
    void run(int32_t start, int32_t stepLength, const EffectParams &p, Start begin,
             Process process) {
        const int32_t seq = c.sequenceLength;
        set(std::max(0, start - 8), start, 1000.0f);
        c.patternPosition = start;
        c.stepPosition = 0;
        c.stepLength = stepLength;
        c.declick = std::clamp(static_cast<int32_t>(64.0f * c.rateFactor), 1, stepLength);
        c.declickReciprocal = 1.0f / static_cast<float>(c.declick);
        State s;
        for (int i = 0; i < kSamples; ++i) {
            const auto v = static_cast<float>(random.nextUnit() * 2000.0 - 1000.0);
            if (c.stepPosition == 0) {
                begin(s, c, StereoSample{v, -v});
            }
            store[0][static_cast<size_t>(kGuard + c.patternPosition)] = v;
            store[1][static_cast<size_t>(kGuard + c.patternPosition)] = -v;
            const StereoSample y = process(s, c, StereoSample{v, -v}, p);
            ASSERT_TRUE(std::isfinite(y.left) && std::isfinite(y.right))
                << c.sampleRate << " Hz, sequence " << c.sequenceLength << ", step " << stepLength
                << ", start " << start << ", sample " << i;
            c.stepPosition = c.stepPosition + 1 < stepLength ? c.stepPosition + 1 : 0;
            if (++c.patternPosition >= c.sequenceLength) {
                c.patternPosition = 0;
                set(seq > kSamples ? std::max(1, start - 8) : 1, seq, kNaN); // now beyond P
            }
        }
        set(0, std::min(seq, kSamples), kNaN);
        set(std::max(0, start - 8), std::min(seq, start + kSamples), kNaN);
    }
};

// Every kind of pattern position, step length and tempo at 8 and 384 kHz.
template <class State, class Start, class Process>
void ExpectReadsInsideHistory(std::initializer_list<EffectParams> params, Start begin,
                              Process process) {
    for (const double rate : {8000.0, 384000.0}) {
        for (const auto &[bpm, steps] : {std::pair{80.0, 64}, std::pair{10000.0, 1}}) {
            GuardedHistory g(rate, bpm, steps);
            const int32_t seq = g.c.sequenceLength;
            for (const int32_t stepLength : {1, 2, 3, 7, g.c.samplesPerStep, seq}) {
                for (const int32_t start : {0, 1, 2, seq - 1}) {
                    for (const EffectParams &p : params) {
                        g.run<State>(start, stepLength, p, begin, process);
                    }
                }
            }
        }
    }
}

// Far into a long history (384 kHz, a slow tempo: indices beyond 2^22) the slowing head still
// moves by fractions of a sample and plays what the same event plays near the history start.
TEST(TapeStop, SlowHeadKeepsItsFractionFarIntoTheHistory) {
    constexpr int32_t kFar = 4500000;
    const auto play = [](int32_t start) {
        EffectBench b(kFar + 10000);
        b.c.sequenceLength = kFar + 9000;
        return Play(b, Tape(1.0f, 0.0f, 0.0f), 3000, start, [](int i) { return float(i); });
    };
    const auto near = play(1000);
    const auto far = play(kFar);
    for (size_t i = 0; i < near.size(); ++i) {
        ASSERT_NEAR(far[i], near[i], 0.01f) << i;
    }
}

TEST(TapeStop, StaysInsideTheHistoryAtExtremeRatesAndPositions) {
    ExpectReadsInsideHistory<TapeStopState>(
        {Tape(0.0f, 0.0f, 0.0f), Tape(1.0f, 0.0f, 1.0f), Tape(0.7f, 0.3f, 0.4f)}, TapeStopStart,
        TapeStopProcess);
}

TEST(Retrigger, StaysInsideTheHistoryAtExtremeRatesAndPositions) {
    EffectParams fast{1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.5f}; // short, shrinking, speeding up
    EffectParams slow{0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}; // long, growing, slowing down
    EffectParams mid{0.4f, 0.3f, 0.2f, 0.8f, 0.0f, 1.0f};
    ExpectReadsInsideHistory<RetriggerState>({fast, slow, mid}, RetriggerStart, RetriggerProcess);
}

} // namespace
} // namespace frakle::effects
