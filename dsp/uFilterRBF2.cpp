// Biquad coefficients after the well-known cookbook formulas; mode B takes its bandwidth with a
// decimal logarithm, which makes it strongly resonant at high Q settings.
#include "dsp/uFilterRBF2.h"

#include <algorithm>
#include <bit>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace frakle::dsp {

namespace {
constexpr double kPi = 3.14159265358979323846;
} // namespace

TFilterRBF2::TFilterRBF2() { computeCoefficients(); }

// y rounded to 32-bit floats, stored to l and r and returned as doubles. The rounding is the
// filter's own and must happen: a plain cast may be kept at double precision by the compiler.
inline TFilterRBF2::Pair TFilterRBF2::RoundToFloat(Pair y, float &l, float &r) {
#if defined(__SSE2__)
    const __m128 f = _mm_cvtpd_ps(std::bit_cast<__m128d>(y));
    l = _mm_cvtss_f32(f);
    r = _mm_cvtss_f32(_mm_shuffle_ps(f, f, 1));
    return std::bit_cast<Pair>(_mm_cvtps_pd(f));
#else
    l = static_cast<float>(y[0]);
    r = static_cast<float>(y[1]);
    return Pair{static_cast<double>(l), static_cast<double>(r)}; // l and r are read back
#endif
}

void TFilterRBF2::SetType(int type) {
    if (type < kOff || type > kNotch || type == GetType()) {
        return;
    }
    type_.store(static_cast<uint8_t>(type), std::memory_order_relaxed);
    requestRecompute();
}

void TFilterRBF2::SetCutoff(float v) {
    cutoffTarget_.store(static_cast<float>(20.0 * std::pow(1000.0, static_cast<double>(v)) + 20.0),
                        std::memory_order_relaxed);
}

void TFilterRBF2::SetQ(float v) {
    qTarget_.store(static_cast<float>(1.0 - 0.95 * static_cast<double>(v)),
                   std::memory_order_relaxed);
}

void TFilterRBF2::SetResonant(float v) {
    resonant_.store(v >= 0.5f, std::memory_order_relaxed);
    requestRecompute();
}

void TFilterRBF2::SetSampleRate(double rate) {
    if (!(rate > 0.0)) {
        return;
    }
    sampleRate_.store(rate, std::memory_order_relaxed);
    const int32_t interval = static_cast<int32_t>(std::nearbyint(8.0 * rate / 44100.0));
    updateInterval_.store(interval < 1 ? 1 : interval, std::memory_order_relaxed);
    requestRecompute();
}

TFilterRBF2::Coefficients TFilterRBF2::coefficients() const {
    return {c_[0], c_[1], c_[2], c_[3], c_[4]};
}

void TFilterRBF2::computeCoefficients() {
    const int type = GetType();
    if (type == kOff) {
        return; // the last coefficients stay
    }
    const double rate = sampleRate_.load(std::memory_order_relaxed);
    const Inputs inputs{cutoff_, q_, rate, type, resonant()};
    if (inputs == computedFrom_) {
        return; // the same coefficients again
    }
    computedFrom_ = inputs;
    // Keep the cutoff below Nyquist: at low sample rates the top of the range lies above it.
    const double cutoff = std::min(static_cast<double>(cutoff_), 0.49 * rate);
    const double w0 = 2.0 * kPi * cutoff / rate;
    const double sn = std::sin(w0);
    const double cs = std::cos(w0);
    const double q = q_;
    double alpha = sn / (2.0 * q);
    if (resonant()) {
        alpha = sn * std::sinh(std::log10(2.0) / 2.0 * q * w0 / sn);
    }
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    switch (type) {
    case kLowpass:
        b0 = (1.0 - cs) / 2.0;
        b1 = 1.0 - cs;
        b2 = (1.0 - cs) / 2.0;
        break;
    case kHighpass:
        b0 = (1.0 + cs) / 2.0;
        b1 = -(1.0 + cs);
        b2 = (1.0 + cs) / 2.0;
        break;
    case kBandpass:
        b0 = sn / 2.0;
        b1 = 0.0;
        b2 = -sn / 2.0;
        break;
    default: // notch
        b0 = 1.0;
        b1 = -2.0 * cs;
        b2 = 1.0;
        break;
    }
    const double a0 = 1.0 + alpha;
    c_[0] = static_cast<float>(b0 / a0);
    c_[1] = static_cast<float>(b1 / a0);
    c_[2] = static_cast<float>(b2 / a0);
    c_[3] = static_cast<float>(-2.0 * cs / a0);
    c_[4] = static_cast<float>((1.0 - alpha) / a0);
}

void TFilterRBF2::ProcessStereo(float &left, float &right) {
    left += 1e-24f;
    right += 1e-24f;
    if (recompute_.load(std::memory_order_relaxed)) {
        recompute_.store(false, std::memory_order_relaxed);
        computeCoefficients();
    }
    if (updateCounter_ == 0) {
        cutoff_ = SlewTo(50.0f, cutoffTarget_.load(std::memory_order_relaxed), cutoff_);
        q_ = SlewTo(0.01f, qTarget_.load(std::memory_order_relaxed), q_);
        computeCoefficients();
    }
    if (++updateCounter_ >= updateInterval()) {
        updateCounter_ = 0;
    }
    // y = b0·x + b1·x1 + b2·x2 − a1·y1 − a2·y2 in double, stored as a 32-bit float.
    const Pair x = {static_cast<double>(left), static_cast<double>(right)};
    const Pair y = static_cast<double>(c_[0]) * x + static_cast<double>(c_[1]) * x1_ +
                   static_cast<double>(c_[2]) * x2_ - static_cast<double>(c_[3]) * y1_ -
                   static_cast<double>(c_[4]) * y2_;
    left = static_cast<float>(y[0]);
    right = static_cast<float>(y[1]);
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = Pair{static_cast<double>(left), static_cast<double>(right)};
}

} // namespace frakle::dsp

namespace frakle::dsp {

// As ProcessStereo frame by frame, with the coefficients and past samples held in registers
// between the updates.
void TFilterRBF2::ProcessRun(float *left, float *right, int32_t n) {
    if (recompute_.load(std::memory_order_relaxed)) {
        recompute_.store(false, std::memory_order_relaxed);
        computeCoefficients();
    }
    const int32_t interval = updateInterval();
    for (int32_t i = 0; i < n;) {
        if (updateCounter_ == 0) {
            cutoff_ = SlewTo(50.0f, cutoffTarget_.load(std::memory_order_relaxed), cutoff_);
            q_ = SlewTo(0.01f, qTarget_.load(std::memory_order_relaxed), q_);
            computeCoefficients();
        }
        const int32_t m = std::min(n - i, std::max(1, interval - updateCounter_));
        updateCounter_ += m;
        if (updateCounter_ >= interval) {
            updateCounter_ = 0;
        }
        const double b0 = c_[0];
        const double b1 = c_[1];
        const double b2 = c_[2];
        const double a1 = c_[3];
        const double a2 = c_[4];
        Pair x1 = x1_;
        Pair x2 = x2_;
        Pair y1 = y1_;
        Pair y2 = y2_;
        for (const int32_t end = i + m; i < end; ++i) {
            const Pair x = {static_cast<double>(left[i] + 1e-24f),
                            static_cast<double>(right[i] + 1e-24f)};
            const Pair y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = RoundToFloat(y, left[i], right[i]);
        }
        x1_ = x1;
        x2_ = x2;
        y1_ = y1;
        y2_ = y2;
    }
}

} // namespace frakle::dsp
