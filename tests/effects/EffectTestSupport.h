// A context and a history for driving one effect processor directly, sample by sample.
#pragma once

#include "effects/EffectContext.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace frakle::effects {

// 44.1 kHz, 120 bpm: 5512 samples a step, 22050 a beat, a 64-step sequence.
struct EffectBench {
    std::vector<float> left;
    std::vector<float> right;
    dsp::TRandom random{12345};
    std::atomic<bool> recompute{true};
    EffectContext c;

    explicit EffectBench(int32_t historySize = 352800 + 16)
        : left(static_cast<size_t>(historySize)), right(static_cast<size_t>(historySize)) {
        c.sampleRate = 44100.0;
        c.rateFactor = 1.0f;
        c.samplesPerStep = 5512;
        c.samplesPerStepMod = 5512;
        c.samplesPerBeat = 22050;
        c.sequenceLength = 352800;
        c.stepLength = 5512;
        c.declick = 64;
        c.declickReciprocal = 1.0f / 64.0f;
        c.jumpLimit = 256;
        c.history = {left.data(), right.data(), historySize};
        c.random = &random;
        c.recompute = &recompute;
    }

    // Writes the input at the pattern position, as the engine does before the effect runs.
    void write(StereoSample in) {
        left[static_cast<size_t>(c.patternPosition)] = in.left;
        right[static_cast<size_t>(c.patternPosition)] = in.right;
    }
    // Moves the positions on by one sample, as the engine does after the effect ran.
    void advance() {
        ++c.stepPosition;
        if (++c.patternPosition >= c.sequenceLength) {
            c.patternPosition = 0;
        }
    }
};

// Expects out[i] == v for every {i, v}.
template <class T>
void ExpectAt(const std::vector<T> &out, std::initializer_list<std::pair<size_t, T>> expected) {
    for (const auto &[i, v] : expected) {
        ASSERT_LT(i, out.size());
        EXPECT_EQ(out[i], v) << "at " << i;
    }
}

} // namespace frakle::effects
