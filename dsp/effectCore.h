// The time base of a tempo-synchronised stereo unit: host tempo and sample rate, the time units
// derived from them, a generic parameter, and the unit's pair of sample buffers with its write
// position. Everything but the generic parameter belongs to the audio thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace frakle::dsp {

// Nearest integer, halves to the even neighbour; values beyond int32 saturate, NaN gives 0.
int32_t Nearest(double x);

// 0 … 1; NaN gives 0.
inline float Clamp01(float v) { return v >= 0.0f ? (v <= 1.0f ? v : 1.0f) : 0.0f; }

class TEffectCore {
public:
    static constexpr double kMinTempo = 80.0;       // the product's tempo floor
    static constexpr double kMaxSampleRate = 1.0e7; // above this a rate is ignored

    double tempo() const { return tempo_; }
    double sampleRate() const { return sampleRate_; }
    float samplesPerMillisecond() const { return samplesPerMillisecond_; }
    float samplesPerStep() const { return samplesPerStep_; }
    float samplesPerBeat() const { return samplesPerBeat_; }
    float rateFactor() const { return rateFactor_; }
    int32_t samplesPerStepInt() const { return samplesPerStepInt_; }
    int32_t bufferLength() const { return bufferLength_; }
    int32_t writePosition() const { return writePosition_; }

protected:
    TEffectCore(); // 120 bpm at 44.1 kHz, units derived, buffers empty
    ~TEffectCore() = default;
    TEffectCore(const TEffectCore &) = delete;
    TEffectCore &operator=(const TEffectCore &) = delete;

    // Store a new rate or tempo and re-derive the units. False, with nothing changed, when the
    // value equals the stored one or is unusable (not finite, not positive, rate above the
    // maximum); a tempo below the floor counts as the floor. A new rate also reserves buffer
    // room for one beat plus one millisecond at the tempo floor, so tempo changes never allocate.
    bool ChangeSampleRate(double rate);
    bool ChangeTempo(double bpm);
    // Both buffers to `length` samples (at least 1): held samples stay, new ones are 0.
    void ResizeBuffers(int32_t length);

    float GetValue() const { return value_.load(std::memory_order_relaxed); }
    void SetValue(float v) { value_.store(v, std::memory_order_relaxed); }
    // v × 100 as "%f" followed by "%".
    static void FormatPercent(float v, char *text, size_t size);

    std::vector<float> left_;
    std::vector<float> right_;
    int32_t writePosition_ = 0;
    int32_t bufferLength_ = 0;

private:
    void Derive();
    void ReserveForTempoFloor();

    double tempo_ = 120.0;
    double sampleRate_ = 44100.0;
    std::atomic<float> value_{0.0f}; // parameter 0, any thread
    float samplesPerMillisecond_ = 0.0f;
    float samplesPerStep_ = 0.0f;
    float samplesPerBeat_ = 0.0f;
    float rateFactor_ = 0.0f;
    int32_t samplesPerStepInt_ = 0;
};

} // namespace frakle::dsp
