// Time units of a tempo-synchronised unit, kept as 32-bit floats like the rest of its state.
#include "dsp/effectCore.h"

#include <cmath>
#include <cstdio>

namespace frakle::dsp {

int32_t Nearest(double x) {
    const double r = std::nearbyint(x);
    if (!(r > -2147483648.0)) {
        return r < 0.0 ? INT32_MIN : 0;
    }
    return r < 2147483647.0 ? static_cast<int32_t>(r) : INT32_MAX;
}

TEffectCore::TEffectCore() {
    Derive();
    ReserveForTempoFloor();
}

void TEffectCore::Derive() {
    rateFactor_ = static_cast<float>(sampleRate_ / 44100.0);
    samplesPerMillisecond_ = static_cast<float>(sampleRate_ / 1000.0);
    samplesPerStep_ = static_cast<float>(sampleRate_ * 60.0 / (tempo_ * 4.0));
    samplesPerStepInt_ = Nearest(samplesPerStep_);
    samplesPerBeat_ = static_cast<float>(sampleRate_ * 60.0 / tempo_);
}

void TEffectCore::ReserveForTempoFloor() {
    const int32_t most = Nearest(sampleRate_ * 60.0 / kMinTempo + sampleRate_ / 1000.0) + 1;
    left_.reserve(static_cast<size_t>(most));
    right_.reserve(static_cast<size_t>(most));
}

bool TEffectCore::ChangeSampleRate(double rate) {
    if (!(rate > 0.0 && rate <= kMaxSampleRate) || rate == sampleRate_) {
        return false;
    }
    sampleRate_ = rate;
    Derive();
    ReserveForTempoFloor();
    return true;
}

bool TEffectCore::ChangeTempo(double bpm) {
    if (!std::isfinite(bpm) || !(bpm > 0.0)) {
        return false;
    }
    if (bpm < kMinTempo) {
        bpm = kMinTempo;
    }
    if (bpm == tempo_) {
        return false;
    }
    tempo_ = bpm;
    Derive();
    return true;
}

void TEffectCore::ResizeBuffers(int32_t length) {
    bufferLength_ = length < 1 ? 1 : length;
    left_.resize(static_cast<size_t>(bufferLength_), 0.0f);
    right_.resize(static_cast<size_t>(bufferLength_), 0.0f);
}

void TEffectCore::FormatPercent(float v, char *text, size_t size) {
    if (text != nullptr && size > 0) {
        std::snprintf(text, size, "%f%%", static_cast<double>(v) * 100.0);
    }
}

} // namespace frakle::dsp
