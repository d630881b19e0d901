// The delay line: every value read from the buffers is scaled by the feedback gain, so the gain
// sets both the level of the first echo and the decay of the ones after it.
#include "dsp/TeffectDelay.h"

#include "dsp/Quad.h"
#include "dsp/uFilterRBF2.h"

#include <algorithm>
#include <cmath>

namespace frakle::dsp {

namespace {

constexpr float kDefaults[8] = {0.1f, 0.5f, 0.7f, 0.5f, 1.0f, 0.8f, 1.0f, 0.0f}; // indices 1 … 8

// 4-point Hermite between y2 (t = 0) and y1 (t = 1); y0 is the newest tap. Every step is
// rounded to a 32-bit float, channel by channel.
template <typename T> T Hermite(T y0, T y1, T y2, T y3, float t) {
    const T c0 = (y1 - y3) * 0.5f;
    const T d = y2 - y1;
    const T c1 = c0 + d;
    const T c2 = c1 + d + (y0 - y2) * 0.5f;
    const T c3 = c1 + c2;
    const T a = c2 * t - c3;
    const T b = a * t + c0;
    return b * t + y2;
}

} // namespace

TEffectDelay::TEffectDelay() {
    StoreDefaults();
    Retune();
}

void TEffectDelay::StoreDefaults() {
    for (int i = 0; i < kParams; ++i) {
        params_[i].store(kDefaults[i], std::memory_order_relaxed);
    }
    paramsChanged_.store(true, std::memory_order_release);
}

void TEffectDelay::SetSampleRate(double rate) {
    if (ChangeSampleRate(rate)) {
        Retune();
    }
}

void TEffectDelay::SetTempo(double bpm) {
    if (ChangeTempo(bpm)) {
        Retune();
    }
}

void TEffectDelay::Init() {
    Retune();
    StoreDefaults();
    for (Pair &tap : taps_) {
        tap = Pair{0.0f, 0.0f};
    }
    feedbackGain_ = 0.0f;
}

void TEffectDelay::Retune() {
    ResizeBuffers(Nearest(static_cast<double>(samplesPerBeat()) +
                          static_cast<double>(samplesPerMillisecond())));
    time_ = -1.0f; // the units changed: recompute the delay whatever the parameters
    TakeParams();
    delay_ = targetDelay_;
    delayFraction_ = static_cast<float>(targetDelay_);
    SetWritePosition(writePosition_);
}

void TEffectDelay::Clear() { clearRequested_.store(true, std::memory_order_relaxed); }

void TEffectDelay::SetParam(int index, float value) {
    value = Clamp01(value);
    if (index >= kTime && index <= kFine) {
        params_[index - 1].store(value, std::memory_order_relaxed);
        paramsChanged_.store(true, std::memory_order_release);
    } else {
        SetValue(value);
    }
}

float TEffectDelay::GetParam(int index) const {
    return index >= kTime && index <= kFine ? Load(static_cast<Param>(index)) : GetValue();
}

void TEffectDelay::GetParamDisplay(int index, char *text, size_t size) const {
    FormatPercent(GetParam(index), text, size);
}

void TEffectDelay::TakeParams() {
    const float time = Load(kTime);
    const float fine = Load(kFine);
    const float separation = Load(kSeparation);
    if (time != time_ || fine != fine_ || separation != separation_) {
        time_ = time;
        fine_ = fine;
        separation_ = separation;
        UpdateDelayTime();
    }
    wet_ = Load(kWet);
    dry_ = Load(kDry);
    inputGain_ = Load(kInputGain);
    feedbackTarget_ = static_cast<float>(0.99 * static_cast<double>(Load(kFeedback)));
    glideStep_ = static_cast<float>(0.975 * static_cast<double>(Load(kGlide)) + 0.025);
}

// Target and offsets are worked out together here, on the audio thread, so the read positions
// never combine a new delay with an old offset.
void TEffectDelay::UpdateDelayTime() {
    const double beat = samplesPerBeat();
    const double ms = samplesPerMillisecond();
    const double t = (Nearest(beat) - ms) * static_cast<double>(time_) + ms;
    const double f = Nearest(5.0 * ms * static_cast<double>(fine_));
    targetDelay_ = Nearest(f + t);

    // One channel lags by up to a step at either end; a dead zone surrounds the centre.
    const double v = separation_;
    placedDelay_ = kUnplaced;
    offset_[0] = offset_[1] = 0;
    if (v <= 0.49) {
        offset_[0] = static_cast<int32_t>(std::floor((0.49 - v) * 2.0408164 * beat * 0.25));
    } else if (v >= 0.51) {
        offset_[1] = Nearest((v - 0.51) * 2.0408164 * beat * 0.25);
    }
}

int32_t TEffectDelay::Wrap(int32_t p) const {
    if (p < 0) {
        return p + bufferLength_;
    }
    return p >= bufferLength_ ? p - bufferLength_ : p;
}

int32_t TEffectDelay::Limit(int32_t p) const {
    return p < 0 ? 0 : (p >= bufferLength_ ? bufferLength_ - 1 : p);
}

// Wrapped once only: a read further back than the buffer holds stays at position 0.
void TEffectDelay::SetWritePosition(int32_t p) {
    const int32_t write = Wrap(p);
    bool following = true;
    for (int ch = 0; ch < 2; ++ch) {
        read_[ch] = Limit(Wrap(write - delay_ - offset_[ch]));
        const int32_t back = delay_ + offset_[ch];
        following = following && back >= 0 && back <= bufferLength_;
    }
    writePosition_ = Limit(write);
    placedDelay_ = following ? delay_ : kUnplaced;
}

void TEffectDelay::TakeRequests() {
    if (clearRequested_.load(std::memory_order_relaxed) &&
        clearRequested_.exchange(false, std::memory_order_relaxed)) {
        feedbackGain_ = 0.0f;
    }
    if (paramsChanged_.load(std::memory_order_acquire) &&
        paramsChanged_.exchange(false, std::memory_order_acq_rel)) {
        TakeParams();
    }
}

void TEffectDelay::ProcessStereo(float &left, float &right) {
    TakeRequests();
    Step(left, right);
}

void TEffectDelay::Step(float &left, float &right) {
    float t = delayFraction_ - static_cast<float>(delay_);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    float *bufferL = left_.data();
    float *bufferR = right_.data();
    const Pair newest =
        Pair{bufferL[static_cast<size_t>(read_[0])], bufferR[static_cast<size_t>(read_[1])]} *
        feedbackGain_;
    const Pair delayed = Hermite(newest, taps_[0], taps_[1], taps_[2], t);
    taps_[2] = taps_[1];
    taps_[1] = taps_[0];
    taps_[0] = newest;
    const Pair input = {left, right};
    const Pair fed = (input + delayed) * inputGain_;
    const Pair out = input * dry_ + delayed * wet_;
    const auto write = static_cast<size_t>(writePosition_);
    bufferL[write] = fed[0];
    bufferR[write] = fed[1];
    left = out[0];
    right = out[1];

    feedbackGain_ = SlewTo(0.01f, feedbackTarget_, feedbackGain_);
    if (targetDelay_ != delay_) {
        delayFraction_ += targetDelay_ > delay_ ? glideStep_ : -glideStep_;
        delay_ = Nearest(delayFraction_);
    }
    AdvanceWritePosition();
}

// Frames from now on that the steady path may take at once: none while the feedback or the
// delay glides or the read positions are being placed; otherwise up to a buffer end, and no
// more than the shortest distance back, so that no frame reads what the same frames write.
int32_t TEffectDelay::SteadyFrames(int32_t n) const {
    if (feedbackGain_ != feedbackTarget_ || targetDelay_ != delay_ || delay_ != placedDelay_) {
        return 0;
    }
    int32_t m = std::min(n, bufferLength_ - writePosition_);
    for (int ch = 0; ch < 2; ++ch) {
        m = std::min({m, delay_ + offset_[ch], bufferLength_ - read_[ch]});
    }
    return std::max(m, 0);
}

// The steady path: the same operations as Step, channel by channel, four frames at a time.
void TEffectDelay::StepSteady(const float *const in[2], float *const out[2], int32_t m) {
    float t = delayFraction_ - static_cast<float>(delay_);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    float *const buffers[2] = {left_.data(), right_.data()};
    for (int ch = 0; ch < 2; ++ch) {
        const float *src = buffers[ch] + read_[ch];
        float *dst = buffers[ch] + writePosition_;
        const float *x = in[ch];
        float *o = out[ch];
        // The values read at the frames before, oldest first: the taps, then each four read.
        Quad before = {0.0f, taps_[2][ch], taps_[1][ch], taps_[0][ch]};
        int32_t j = 0;
        for (; j + 4 <= m; j += 4) {
            const Quad newest = LoadQuad(src + j) * feedbackGain_;
            const Quad d = Hermite(newest, __builtin_shufflevector(before, newest, 3, 4, 5, 6),
                                   __builtin_shufflevector(before, newest, 2, 3, 4, 5),
                                   __builtin_shufflevector(before, newest, 1, 2, 3, 4), t);
            const Quad input = LoadQuad(x + j);
            StoreQuad(dst + j, (input + d) * inputGain_);
            if (o != nullptr) {
                StoreQuad(o + j, input * dry_ + d * wet_);
            }
            before = newest;
        }
        float y1 = before[3];
        float y2 = before[2];
        float y3 = before[1];
        for (; j < m; ++j) {
            const float y0 = src[j] * feedbackGain_;
            const float d = Hermite(y0, y1, y2, y3, t);
            dst[j] = (x[j] + d) * inputGain_;
            if (o != nullptr) {
                o[j] = x[j] * dry_ + d * wet_;
            }
            y3 = y2;
            y2 = y1;
            y1 = y0;
        }
        taps_[0][ch] = y1;
        taps_[1][ch] = y2;
        taps_[2][ch] = y3;
    }
    const auto advance = [this, m](int32_t p) { return p + m == bufferLength_ ? 0 : p + m; };
    writePosition_ = advance(writePosition_);
    read_[0] = advance(read_[0]);
    read_[1] = advance(read_[1]);
}

void TEffectDelay::ProcessRun(const float *inLeft, const float *inRight, float *outLeft,
                              float *outRight, int32_t n) {
    for (int32_t i = 0; i < n;) {
        TakeRequests();
        const int32_t m = n - i >= 4 ? SteadyFrames(n - i) : 0;
        if (m >= 4) {
            const float *const in[2] = {inLeft + i, inRight + i};
            float *const out[2] = {outLeft != nullptr ? outLeft + i : nullptr,
                                   outRight != nullptr ? outRight + i : nullptr};
            StepSteady(in, out, m);
            i += m;
            continue;
        }
        float l = inLeft[i];
        float r = inRight[i];
        Step(l, r);
        if (outLeft != nullptr && outRight != nullptr) {
            outLeft[i] = l;
            outRight[i] = r;
        }
        ++i;
    }
}

} // namespace frakle::dsp
