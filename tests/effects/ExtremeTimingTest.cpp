// Every effect processor at the edges of the engine's timing: 8 kHz and 384 kHz, 80 bpm over 64
// steps and 10,000 bpm over one, events from one sample to the whole sequence, the pattern
// position at 0, 1, 2 and the sequence end, and one state carried through all of it as the
// engine carries it. The history is NaN before index 0 and after the newest sample, so a read
// outside it shows in the output, which must stay finite and within the input's level.
#include "EffectTestSupport.h"
#include "effects/Crusher.h"
#include "effects/Gater.h"
#include "effects/Modulator.h"
#include "effects/Retrigger.h"
#include "effects/Reverser.h"
#include "effects/Shuffler.h"
#include "effects/Stretcher.h"
#include "effects/TapeStop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace frakle::effects {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kLevel = 1000.0f; // the input's peak
constexpr int kSamples = 3000;    // per event sequence

int32_t Nearest(double x) { return static_cast<int32_t>(std::nearbyint(x)); }

// A context at one rate and tempo over a history with a NaN guard in front of index 0.
struct ExtremeBench {
    static constexpr int32_t kGuard = 4;
    std::vector<float> store[2];
    std::atomic<bool> recompute{true};
    dsp::TRandom random{99};
    EffectContext c;

    ExtremeBench(double rate, double bpm, int32_t steps) {
        const double step = rate * 15.0 / bpm;
        const int32_t capacity = Nearest(12.0 * rate);
        for (auto &v : store) {
            v.assign(static_cast<size_t>(capacity + 16 + kGuard), kNaN);
        }
        c.sampleRate = rate;
        c.rateFactor = static_cast<float>(rate / 44100.0);
        c.samplesPerStep = c.samplesPerStepMod = Nearest(step);
        c.sequenceLength = std::min(capacity, Nearest(steps * step));
        c.samplesPerBeat = std::min(c.sequenceLength, Nearest(4.0 * step));
        c.jumpLimit = Nearest(512.0 * c.rateFactor) + 1;
        c.history = {store[0].data() + kGuard, store[1].data() + kGuard, capacity + 16};
        c.random = &random;
        c.recompute = &recompute;
    }
    void fill(int32_t from, int32_t to, float v) {
        for (auto &ch : store) {
            std::fill(ch.begin() + kGuard + from, ch.begin() + kGuard + to, v);
        }
    }
    // Events of `length` samples from pattern position `start` on loud noise, after audio in the
    // whole history before it or, for effects that read nothing before their event, in the last
    // few samples only; afterwards the history is all NaN again.
    template <class State, class Start, class Process>
    void run(State &s, int32_t start, int32_t length, const EffectParams &p, float bound,
             bool readsBefore, Start begin, Process process) {
        const int32_t seq = c.sequenceLength;
        const int32_t heard = readsBefore ? 0 : std::max(0, start - 8);
        fill(heard, start, kLevel);
        c.patternPosition = start;
        c.stepPosition = 0;
        c.stepLength = length;
        c.stepIndex = start % 2;
        c.globalSlot = start % 2 == 0;
        c.declick = std::clamp(static_cast<int32_t>(256.0f * c.rateFactor), 1, length);
        c.declickReciprocal = 1.0f / static_cast<float>(c.declick);
        for (int i = 0; i < kSamples; ++i) {
            const auto v = static_cast<float>(random.nextUnit() * 2.0 - 1.0) * kLevel;
            if (c.stepPosition == 0) {
                recompute = true;
                begin(s, c, StereoSample{v, -v});
            }
            store[0][static_cast<size_t>(kGuard + c.patternPosition)] = v;
            store[1][static_cast<size_t>(kGuard + c.patternPosition)] = -v;
            const StereoSample y = process(s, c, StereoSample{v, -v}, p);
            ASSERT_TRUE(std::fabs(y.left) <= bound * kLevel && std::fabs(y.right) <= bound * kLevel)
                << y.left << ", " << y.right << " at " << c.sampleRate << " Hz, sequence " << seq
                << ", event " << length << ", start " << start << ", sample " << i
                << ", parameters " << p.p1 << " " << p.p2 << " " << p.p3 << " " << p.p4;
            c.stepPosition = c.stepPosition + 1 < length ? c.stepPosition + 1 : 0;
            if (++c.patternPosition >= seq) {
                c.patternPosition = 0;
                fill(seq > kSamples ? std::max(1, heard) : 1, seq, kNaN); // now beyond P
            }
        }
        fill(0, std::min(seq, kSamples), kNaN);
        fill(heard, std::min(seq, start + kSamples), kNaN);
    }
};

// `bound`: how far above the input's level the output may go (interpolating reads overshoot).
template <class State, class Start, class Process>
void ExpectInsideAtTheExtremes(Start begin, Process process, float bound, bool readsBefore,
                               std::initializer_list<EffectParams> params) {
    for (const double rate : {8000.0, 384000.0}) {
        for (const auto &[bpm, steps] : {std::pair{80.0, 64}, std::pair{10000.0, 1}}) {
            ExtremeBench b(rate, bpm, steps);
            State s{};
            const int32_t seq = b.c.sequenceLength;
            for (const int32_t length : {1, 2, 7, b.c.samplesPerStep, seq}) {
                for (const int32_t start : {0, 1, 2, seq - 1}) {
                    for (const EffectParams &p : params) {
                        b.run(s, start, length, p, bound, readsBefore, begin, process);
                        if (::testing::Test::HasFatalFailure()) {
                            return;
                        }
                    }
                }
            }
        }
    }
}

// Everything at 0, everything at 1, and two mixtures with the mix below 1.
constexpr std::initializer_list<EffectParams> kSets = {{0, 0, 0, 0, 0, 1},
                                                       {1, 1, 1, 1, 1, 1},
                                                       {0.3f, 0.7f, 0.5f, 0.96f, 1, 0.5f},
                                                       {1, 0, 0.7f, 0.5f, 0.5f, 1}};
constexpr float kExact = 1.0001f; // whole-sample reads and gains up to 1
constexpr float kCubic = 1.5f;    // the 4-point interpolator's overshoot

TEST(EveryEffect, StaysInsideTheHistoryAndTheInputLevelAtTheExtremes) {
    ExpectInsideAtTheExtremes<ShufflerState>(ShufflerStart, ShufflerProcess, kExact, true, kSets);
    ExpectInsideAtTheExtremes<ReverserState>(ReverserStart, ReverserProcess, kExact, true, kSets);
    ExpectInsideAtTheExtremes<StretcherState>(StretcherStart, StretcherProcess, kExact, true,
                                              kSets);
    ExpectInsideAtTheExtremes<ModulatorState>(ModulatorStart, ModulatorProcess, kExact, true,
                                              kSets);
    ExpectInsideAtTheExtremes<GaterState>(GaterStart, GaterProcess, kExact, true, kSets);
    ExpectInsideAtTheExtremes<CrusherState>(CrusherStart, CrusherProcess, kExact, true, kSets);
    ExpectInsideAtTheExtremes<TapeStopState>(
        TapeStopStart, TapeStopProcess, kCubic, false,
        {{0, 0, 0, 0, 0, 1}, {1, 0, 1, 0, 0, 1}, {0.7f, 0.3f, 0.4f, 0, 0, 1}});
    // Short, shrinking and speeding up; long, growing and slowing down; in between.
    ExpectInsideAtTheExtremes<RetriggerState>(
        RetriggerStart, RetriggerProcess, kCubic, false,
        {{1, 0, 1, 1, 0, 0.5f}, {0, 1, 0, 0, 0, 1}, {0.4f, 0.3f, 0.2f, 0.8f, 0, 1}});
}

} // namespace
} // namespace frakle::effects
