// Each effect's output stage and the master section, in the order the signal meets them.
// Audio thread; the settings are read from the program record at every call.
#include "engine/OutputStage.h"

#include "engine/Engine.h"

namespace frakle::engine {

namespace {
constexpr float kSlewStep = 0.01f; // a full 0 → 1 change takes 100 samples
} // namespace

void TEngine::OutputStage(int32_t e, float *dest, float wetL, float wetR) {
    const state::TEffectBlock &block = record_.effects[e];
    EffectState &state = effects_[static_cast<size_t>(e)];
    state.outputVolume = dsp::SlewTo(kSlewStep, state::Load(block.volume), state.outputVolume);
    state.outputMix = dsp::SlewTo(kSlewStep, state::Load(block.mix), state.outputMix);
    state.outputPan = dsp::SlewTo(kSlewStep, state::Load(block.pan), state.outputPan);
    const float gain = 2.0f * state.outputVolume;

    float l = wetL;
    float r = wetR;
    if (state.filter.GetType() > 0) {
        state.filter.ProcessStereo(l, r);
    }
    const float p = state.outputPan;
    if (p < 0.5f) {
        r *= 2.0f * p;
    } else if (p > 0.5f) {
        l *= 1.0f - 2.0f * (p - 0.5f);
    }
    if (state.outputMix < 1.0f) {
        l = blend(state.outputMix, l, wetL);
        r = blend(state.outputMix, r, wetR);
    }
    dest[0] = l * gain;
    dest[1] = r * gain;
}

void TEngine::MasterSection(float *cur, const float *dry) {
    const state::TProgramRecord &rec = record_;
    const float drive = state::Load(rec.overdriveLevel);
    if (drive > 0.0f) {
        Overdrive(cur[0], cur[1], drive, state::Load(rec.overdriveMix));
    }
    // A type value below 0.25 selects "off": the stage is skipped rather than run on stale
    // coefficients.
    if (state::Load(rec.masterFilterType) > 0.0f && masterFilter_.GetType() > 0) {
        const float xl = cur[0];
        const float xr = cur[1];
        masterFilter_.ProcessStereo(cur[0], cur[1]);
        const float mix = state::Load(rec.masterFilterMix);
        if (mix < 1.0f) {
            cur[0] = blend(mix, cur[0], xl);
            cur[1] = blend(mix, cur[1], xr);
        }
    }
    smoothedOutputMix_ = dsp::SlewTo(kSlewStep, state::Load(rec.masterMix), smoothedOutputMix_);
    if (smoothedOutputMix_ < 1.0f) {
        cur[0] = blend(smoothedOutputMix_, cur[0], dry[0]);
        cur[1] = blend(smoothedOutputMix_, cur[1], dry[1]);
    }
    smoothedOutputVolume_ =
        dsp::SlewTo(kSlewStep, state::Load(rec.masterVolume), smoothedOutputVolume_);
    if (smoothedOutputVolume_ < 1.0f) {
        cur[0] *= smoothedOutputVolume_;
        cur[1] *= smoothedOutputVolume_;
    }
}

void TEngine::Clip(float *cur) const {
    switch (state::Load(record_.clippingMode)) {
    case 2:
        cur[0] = SoftSaturate(cur[0], 0.0f);
        cur[1] = SoftSaturate(cur[1], 0.0f);
        break;
    case 3:
        cur[0] = HardClip(cur[0], 1.0f);
        cur[1] = HardClip(cur[1], 1.0f);
        break;
    default:
        break;
    }
}

} // namespace frakle::engine
