// A tempo-synchronised stereo feedback delay: the time runs from 1 ms to one beat plus a fine
// offset of up to 5 ms and glides when it is changed, the separation delays one channel by up
// to one more step, and fractional delays are read with 4-point Hermite interpolation.
// SetParam, GetParam, GetParamDisplay and Clear may be called from any thread; the rest runs on
// the audio thread, which takes up new parameter values at its next ProcessStereo.
#pragma once

#include "dsp/effectCore.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace frakle::dsp {

class TEffectDelay final : public TEffectCore {
public:
    enum Param : int {
        kValue = 0,
        kTime = 1,
        kWet = 2,
        kFeedback = 3,
        kSeparation = 4,
        kDry = 5,
        kGlide = 6,
        kInputGain = 7,
        kFine = 8,
    };

    TEffectDelay(); // 120 bpm at 44.1 kHz with the default parameters, at the default delay

    // Audio thread. An unchanged or unusable value does nothing; a new one resizes the buffers
    // and jumps to the delay it gives.
    void SetSampleRate(double rate);
    void SetTempo(double bpm);
    void Init();   // retune, then the default parameters (the time then glides to its default)
    void Retune(); // buffers of one beat plus 1 ms; the delay jumps to its target
    void ProcessStereo(float &left, float &right);
    // n frames from inLeft/inRight to outLeft/outRight; with no output (null) the line only
    // listens, its buffer and state as they would be.
    void ProcessRun(const float *inLeft, const float *inRight, float *outLeft, float *outRight,
                    int32_t n);

    // Any thread. Values are limited to 0 … 1.
    void Clear(); // the feedback gain starts again from 0 at the next sample
    void SetParam(int index, float value);
    float GetParam(int index) const; // the value as set (feedback: before the 0.99 scaling)
    void GetParamDisplay(int index, char *text, size_t size) const;

    // Audio-thread state.
    int32_t currentDelay() const { return delay_; }
    int32_t readPosition(int channel) const { return read_[channel & 1]; }

private:
    static constexpr int kParams = 8; // indices 1 … 8

    float Load(Param p) const { return params_[p - 1].load(std::memory_order_relaxed); }
    void StoreDefaults();
    void TakeParams();                    // picks up the values set since the last sample
    void TakeRequests();                  // a clear, new parameters
    void Step(float &left, float &right); // one frame
    int32_t SteadyFrames(int32_t n) const;
    void StepSteady(const float *const in[2], float *const out[2], int32_t m);
    void UpdateDelayTime();
    void SetWritePosition(int32_t p);
    // While a channel reads no further back than the buffer holds, its read position stays a
    // fixed distance behind the write position, so both simply step on and wrap.
    void AdvanceWritePosition() {
        if (delay_ != placedDelay_) {
            SetWritePosition(writePosition_ + 1);
            return;
        }
        const int32_t last = bufferLength_ - 1;
        writePosition_ = writePosition_ == last ? 0 : writePosition_ + 1;
        read_[0] = read_[0] == last ? 0 : read_[0] + 1;
        read_[1] = read_[1] == last ? 0 : read_[1] + 1;
    }
    int32_t Wrap(int32_t p) const;
    int32_t Limit(int32_t p) const;

    std::atomic<float> params_[kParams];
    std::atomic<bool> paramsChanged_{true}; // raised after a store to params_
    std::atomic<bool> clearRequested_{false};

    // Audio thread.
    float time_ = -1.0f; // as last applied; -1 until the first application
    float fine_ = 0.0f;
    float separation_ = 0.0f;
    float wet_ = 0.0f;
    float dry_ = 0.0f;
    float inputGain_ = 0.0f;
    float feedbackTarget_ = 0.0f;
    float glideStep_ = 0.0f;
    float feedbackGain_ = 0.0f;
    // Both channels side by side, so one instruction serves the pair.
    using Pair = float __attribute__((vector_size(8)));
    Pair taps_[3] = {}; // the last three values read, newest first
    int32_t delay_ = 0;
    float delayFraction_ = 0.0f;
    int32_t targetDelay_ = 0;
    int32_t offset_[2] = {};
    int32_t read_[2] = {};
    // The delay the read positions were placed for, while they simply follow the write
    // position; kUnplaced after the delay, the offsets or the buffer length changed.
    static constexpr int32_t kUnplaced = INT32_MIN;
    int32_t placedDelay_ = kUnplaced;
};

} // namespace frakle::dsp
