// Each effect's output stage and the master section, in the order the signal meets them.
// Audio thread; the settings are read from the program record at every call.
#include "engine/OutputStage.h"

#include "dsp/Quad.h"
#include "engine/Engine.h"

#include <algorithm>

namespace frakle::engine {

namespace {
constexpr float kSlewStep = 0.01f; // a full 0 → 1 change takes 100 samples
} // namespace

void TEngine::OutputStage(int32_t e, float *left, float *right, int32_t n) {
    const state::TEffectBlock &block = record_.effects[e];
    EffectState &state = effects_[static_cast<size_t>(e)];
    const float volume = state::Load(block.volume);
    const float mix = state::Load(block.mix);
    const float pan = state::Load(block.pan);
    float *wetL = saved_[0];
    float *wetR = saved_[1];
    if (mix < 1.0f || state.outputMix < 1.0f) {
        dsp::CopyFrames(left, wetL, n);
        dsp::CopyFrames(right, wetR, n);
    }
    if (state.filter.GetType() > 0) {
        state.filter.ProcessRun(left, right, n);
    }
    int32_t i = 0;
    if (state.outputVolume == volume && state.outputMix == mix && state.outputPan == pan) {
        // Settled: the same products, with 1 for the side the pan leaves alone.
        const float gain = 2.0f * volume;
        float panL = 1.0f;
        float panR = 1.0f;
        if (pan < 0.5f) {
            panR = 2.0f * pan;
        } else if (pan > 0.5f) {
            panL = 1.0f - 2.0f * (pan - 0.5f);
        }
        for (; i + 4 <= n; i += 4) {
            dsp::Quad l = dsp::LoadQuad(left + i) * panL;
            dsp::Quad r = dsp::LoadQuad(right + i) * panR;
            if (mix < 1.0f) {
                l = l * mix + dsp::LoadQuad(wetL + i) * (1.0f - mix);
                r = r * mix + dsp::LoadQuad(wetR + i) * (1.0f - mix);
            }
            dsp::StoreQuad(left + i, l * gain);
            dsp::StoreQuad(right + i, r * gain);
        }
        for (; i < n; ++i) {
            float l = left[i] * panL;
            float r = right[i] * panR;
            if (mix < 1.0f) {
                l = l * mix + wetL[i] * (1.0f - mix);
                r = r * mix + wetR[i] * (1.0f - mix);
            }
            left[i] = l * gain;
            right[i] = r * gain;
        }
    }
    for (; i < n; ++i) {
        state.outputVolume = dsp::SlewTo(kSlewStep, volume, state.outputVolume);
        state.outputMix = dsp::SlewTo(kSlewStep, mix, state.outputMix);
        state.outputPan = dsp::SlewTo(kSlewStep, pan, state.outputPan);
        const float gain = 2.0f * state.outputVolume;
        float l = left[i];
        float r = right[i];
        const float p = state.outputPan;
        if (p < 0.5f) {
            r *= 2.0f * p;
        } else if (p > 0.5f) {
            l *= 1.0f - 2.0f * (p - 0.5f);
        }
        if (state.outputMix < 1.0f) {
            l = blend(state.outputMix, l, wetL[i]);
            r = blend(state.outputMix, r, wetR[i]);
        }
        left[i] = l * gain;
        right[i] = r * gain;
    }
}

void TEngine::OutputStage(int32_t e, float *dest, float wetL, float wetR) {
    dest[0] = wetL;
    dest[1] = wetR;
    OutputStage(e, &dest[0], &dest[1], 1);
}

void TEngine::MasterSection(float *left, float *right, int32_t n) {
    const state::TProgramRecord &rec = record_;
    const float drive = state::Load(rec.overdriveLevel);
    if (drive > 0.0f) {
        const float mix = state::Load(rec.overdriveMix);
        for (int32_t i = 0; i < n; ++i) {
            Overdrive(left[i], right[i], drive, mix);
        }
    }
    // A type value below 0.25 selects "off": the stage is skipped rather than run on stale
    // coefficients.
    if (state::Load(rec.masterFilterType) > 0.0f && masterFilter_.GetType() > 0) {
        const float mix = state::Load(rec.masterFilterMix);
        if (mix < 1.0f) {
            dsp::CopyFrames(left, saved_[0], n);
            dsp::CopyFrames(right, saved_[1], n);
        }
        masterFilter_.ProcessRun(left, right, n);
        if (mix < 1.0f) {
            for (int32_t i = 0; i < n; ++i) {
                left[i] = blend(mix, left[i], saved_[0][i]);
                right[i] = blend(mix, right[i], saved_[1][i]);
            }
        }
    }
    const float mixTarget = state::Load(rec.masterMix);
    const float volumeTarget = state::Load(rec.masterVolume);
    int32_t i = 0;
    if (smoothedOutputMix_ == mixTarget && smoothedOutputVolume_ == volumeTarget) {
        const float mix = mixTarget;
        const float volume = volumeTarget;
        for (; i + 4 <= n && (mix < 1.0f || volume < 1.0f); i += 4) {
            dsp::Quad l = dsp::LoadQuad(left + i);
            dsp::Quad r = dsp::LoadQuad(right + i);
            if (mix < 1.0f) {
                l = l * mix + dsp::LoadQuad(dry_[0] + i) * (1.0f - mix);
                r = r * mix + dsp::LoadQuad(dry_[1] + i) * (1.0f - mix);
            }
            if (volume < 1.0f) {
                l *= volume;
                r *= volume;
            }
            dsp::StoreQuad(left + i, l);
            dsp::StoreQuad(right + i, r);
        }
        if (mix >= 1.0f && volume >= 1.0f) {
            return; // settled at unity: the signal passes
        }
    }
    for (; i < n; ++i) {
        smoothedOutputMix_ = dsp::SlewTo(kSlewStep, mixTarget, smoothedOutputMix_);
        if (smoothedOutputMix_ < 1.0f) {
            left[i] = blend(smoothedOutputMix_, left[i], dry_[0][i]);
            right[i] = blend(smoothedOutputMix_, right[i], dry_[1][i]);
        }
        smoothedOutputVolume_ = dsp::SlewTo(kSlewStep, volumeTarget, smoothedOutputVolume_);
        if (smoothedOutputVolume_ < 1.0f) {
            left[i] *= smoothedOutputVolume_;
            right[i] *= smoothedOutputVolume_;
        }
    }
}

void TEngine::Clip(float *left, float *right, int32_t n) const {
    switch (state::Load(record_.clippingMode)) {
    case 2: { // SoftSaturate(x, 0): tanh x, four frames at a time, the last ones two at a time
        int32_t i = 0;
        for (; i + 4 <= n; i += 4) {
            dsp::StoreQuad(left + i, dsp::TanhQuad(dsp::LoadQuad(left + i)));
            dsp::StoreQuad(right + i, dsp::TanhQuad(dsp::LoadQuad(right + i)));
        }
        for (; i < n; i += 2) {
            const bool two = i + 1 < n;
            const dsp::Quad y = dsp::TanhQuad(
                dsp::Quad{left[i], right[i], two ? left[i + 1] : 0.0f, two ? right[i + 1] : 0.0f});
            left[i] = y[0];
            right[i] = y[1];
            if (two) {
                left[i + 1] = y[2];
                right[i + 1] = y[3];
            }
        }
        break;
    }
    case 3:
        for (int32_t i = 0; i < n; ++i) {
            left[i] = HardClip(left[i], 1.0f);
            right[i] = HardClip(right[i], 1.0f);
        }
        break;
    default:
        break;
    }
}

} // namespace frakle::engine
