// What every effect processor is handed: the engine's timing of the current sample, the history
// pair of its slot and its parameters. Filled by the engine on the audio thread before each call.
#pragma once

#include "dsp/Random.h"

#include <atomic>
#include <cstdint>

namespace frakle::effects {

struct StereoSample {
    float left;
    float right;
};

// A history pair: left and right, `size` samples each, indexed by pattern position.
struct History {
    const float *left = nullptr;
    const float *right = nullptr;
    int32_t size = 0;

    // Whole-sample read; callers keep indices within 0 … P, which always lies inside.
    StereoSample at(int32_t i) const {
        return {left[static_cast<size_t>(i)], right[static_cast<size_t>(i)]};
    }
};

// The parameters an effect reads, 0 … 1 each, taken from the program at every sample.
// p1 … p4 are the effect's own four fields, `extra` its spare field ("ModSine", "ShuflRep"),
// `mix` its Mix parameter.
struct EffectParams {
    float p1 = 0.0f;
    float p2 = 0.0f;
    float p3 = 0.0f;
    float p4 = 0.0f;
    float extra = 0.0f;
    float mix = 1.0f;
};

struct EffectContext {
    double sampleRate = 44100.0;
    float rateFactor = 1.0f;        // sample rate / 44100
    int32_t samplesPerStep = 0;     // the clock's integer step length
    int32_t samplesPerStepMod = 0;  // nearest(sample rate × 60 / tempo / 4), read by the modulator
    int32_t samplesPerBeat = 0;     // never more than the sequence length
    int32_t sequenceLength = 0;     // history samples in use; positions wrap here
    int32_t stepLength = 0;         // length of the current event
    int32_t stepPosition = 0;       // samples since the event started
    int32_t patternPosition = 0;    // P: where the newest sample was written
    int32_t stepIndex = 0;          // sequencer step, 0 = the first step of the pattern
    int32_t fadeLength = 64;        // nearest(128 × rate factor)
    int32_t declick = 1;            // D, at least 1
    float declickReciprocal = 1.0f; // 1 / D
    int32_t jumpLimit = 256;        // J
    History history;                // the slot's pair: input history or chain history
    dsp::TRandom *random = nullptr; // the engine's generator, reseeded at every event start
    bool globalSlot = false;        // the effect runs in the global slot
    // Set at every event start and by parameter changes that need new timing; the effect
    // clears it when it has recomputed (retrigger, reverser, stretcher).
    std::atomic<bool> *recompute = nullptr;
    // The effect's parameters as the program holds them at the moment of the call.
    EffectParams (*readParams)(const void *owner, int32_t effect) = nullptr;
    const void *paramsOwner = nullptr;
    int32_t effect = -1;

    // Takes the recompute flag in one step and then reads the parameters the new timing is
    // made of, so a change that raises the flag after the sample's parameters were read is
    // never lost. False (and `params` untouched) while the flag is down.
    bool takeRecompute(EffectParams &params) const {
        if (recompute == nullptr || !recompute->load(std::memory_order_relaxed) ||
            !recompute->exchange(false, std::memory_order_acquire)) {
            return false;
        }
        if (readParams != nullptr) {
            params = readParams(paramsOwner, effect);
        }
        return true;
    }
};

// An effect's per-sample function over a run of frames, in place; the positions step on with
// every frame, as the engine's do.
template <auto Process, typename State>
void RunEffect(State &s, EffectContext &c, const EffectParams &p, float *left, float *right,
               int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        const StereoSample y = Process(s, c, StereoSample{left[i], right[i]}, p);
        left[i] = y.left;
        right[i] = y.right;
        ++c.stepPosition;
        ++c.patternPosition;
    }
}

// The one cross-fade rule: a·t + b·(1 − t), in 32-bit float.
inline float blend(float t, float a, float b) { return a * t + b * (1.0f - t); }

inline float clamp01(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }

} // namespace frakle::effects
