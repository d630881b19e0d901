// A stereo biquad (lowpass, highpass, bandpass, notch) whose cutoff and Q glide towards their
// targets, with coefficients refreshed every few samples. Targets and modes are set from the UI
// or MIDI thread; the audio thread processes. Shared fields are atomics read and written whole.
#pragma once

#include <atomic>
#include <cstdint>

namespace frakle::dsp {

class TFilterRBF2 {
public:
    enum Type : uint8_t { kOff = 0, kLowpass, kHighpass, kBandpass, kNotch };

    TFilterRBF2();

    void SetType(int type); // 0 … 4; others ignored
    int GetType() const { return type_.load(std::memory_order_relaxed); }
    void SetCutoff(float v);   // 0 … 1 → 40 … 20020 Hz
    void SetQ(float v);        // 0 … 1 → q 1 … 0.05
    void SetResonant(float v); // ≥ 0.5: mode B
    bool resonant() const { return resonant_.load(std::memory_order_relaxed); }
    void SetSampleRate(double rate);

    void ProcessStereo(float &left, float &right);
    void ProcessRun(float *left, float *right, int32_t n); // n frames in place

    float cutoff() const { return cutoff_; }
    float q() const { return q_; }
    int32_t updateInterval() const { return updateInterval_.load(std::memory_order_relaxed); }

    // Coefficients, normalised by a0: b0, b1, b2, a1, a2.
    struct Coefficients {
        float b0, b1, b2, a1, a2;
    };
    Coefficients coefficients() const;

private:
    void computeCoefficients();
    void requestRecompute() { recompute_.store(true, std::memory_order_relaxed); }

    // Left and right side by side: one instruction serves both channels, each computed exactly
    // as on its own.
    using Pair = double __attribute__((vector_size(16)));
    static Pair RoundToFloat(Pair y, float &l, float &r);

    float c_[5] = {};                            // b0, b1, b2, a1, a2 (audio thread)
    Pair x1_ = {}, x2_ = {}, y1_ = {}, y2_ = {}; // past samples, each a 32-bit float value
    // What the coefficients were last computed from; an update with the same values is skipped.
    struct Inputs {
        float cutoff = -1.0f;
        float q = -1.0f;
        double rate = 0.0;
        int type = -1;
        bool resonant = false;
        bool operator==(const Inputs &) const = default;
    };
    Inputs computedFrom_;
    std::atomic<double> sampleRate_{44100.0};
    std::atomic<uint8_t> type_{kLowpass};
    float cutoff_ = 10000.0f;
    std::atomic<float> cutoffTarget_{10000.0f};
    float q_ = 1.0f;
    std::atomic<float> qTarget_{1.0f};
    int32_t updateCounter_ = 0;
    std::atomic<int32_t> updateInterval_{8};
    std::atomic<bool> resonant_{false};
    std::atomic<bool> recompute_{false}; // a setter asks the audio thread for new coefficients
};

// Moves current towards target by at most step, in 32-bit float, never past the target.
inline float SlewTo(float step, float target, float current) {
    if (current < target) {
        current += step;
        return current > target ? target : current;
    }
    if (current > target) {
        current -= step;
        return current < target ? target : current;
    }
    return target;
}

} // namespace frakle::dsp
