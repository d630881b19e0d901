// The biquad filter: responses measured with sines, cutoff glide timing, type and Q mode changes.
#include "dsp/uFilterRBF2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace frakle::dsp {
namespace {

// Output RMS / input RMS of a unit sine over the second half of `samples`.
double SineGain(TFilterRBF2 &f, double freq, double rate = 44100.0, int samples = 16384) {
    double in = 0.0, out = 0.0;
    for (int n = 0; n < samples; ++n) {
        float l = static_cast<float>(std::sin(6.283185307179586 * freq * n / rate));
        float r = l;
        const double x = l;
        f.ProcessStereo(l, r);
        if (n >= samples / 2) {
            in += x * x;
            out += static_cast<double>(l) * l;
        }
    }
    return std::sqrt(out / in);
}

void Feed(TFilterRBF2 &f, int samples, float input = 0.0f) {
    for (int n = 0; n < samples; ++n) {
        float l = input, r = input;
        f.ProcessStereo(l, r);
    }
}

double FreshGain(int type, double freq) {
    TFilterRBF2 f;
    f.SetType(type);
    return SineGain(f, freq);
}

bool Same(TFilterRBF2::Coefficients a, TFilterRBF2::Coefficients b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Filter, ResponsesAt10kHz) {
    EXPECT_EQ(TFilterRBF2().GetType(), TFilterRBF2::kLowpass); // new: lowpass, 10 kHz, q = 1
    EXPECT_NEAR(FreshGain(TFilterRBF2::kLowpass, 1000.0), 1.0034, 0.005);
    EXPECT_NEAR(FreshGain(TFilterRBF2::kLowpass, 18000.0), 0.0678, 0.003); // about -23 dB
    EXPECT_LT(FreshGain(TFilterRBF2::kHighpass, 1000.0), 0.01);            // about 0.0068
    EXPECT_NEAR(FreshGain(TFilterRBF2::kBandpass, 10000.0), 1.0, 0.02);    // peak gain is q
    EXPECT_LT(FreshGain(TFilterRBF2::kNotch, 10000.0), 0.01);
}

TEST(Filter, QModesAtFullQ) {
    // Lowpass at 652 Hz, Q control 1: mode A damps to q = 0.05 at the cutoff; mode B reads q as
    // a bandwidth (decimal logarithm) and peaks at about 66.
    TFilterRBF2 a, b;
    b.SetResonant(1.0f);
    for (TFilterRBF2 *f : {&a, &b}) {
        f->SetCutoff(0.5f);
        f->SetQ(1.0f);
        Feed(*f, 4000);
        EXPECT_NEAR(f->cutoff(), 652.456f, 0.01f);
        EXPECT_NEAR(f->q(), 0.05f, 1e-6f);
    }
    EXPECT_NEAR(SineGain(a, a.cutoff()), 0.05, 0.002);
    EXPECT_NEAR(SineGain(b, b.cutoff(), 44100.0, 60000), 66.3, 1.0);
}

TEST(Filter, CutoffGlidesFiftyHertzPerUpdate) {
    TFilterRBF2 f;
    f.SetCutoff(0.0f);
    Feed(f, 1); // the first sample updates at once
    EXPECT_EQ(f.cutoff(), 9950.0f);
    Feed(f, 199 * 8 - 1); // 199 updates do not yet cover 9960 Hz
    EXPECT_EQ(f.cutoff(), 50.0f);
    Feed(f, 8); // the 200th lands on 40 Hz and stays
    EXPECT_EQ(f.cutoff(), 40.0f);

    TFilterRBF2 g; // at 88.2 kHz one update every 16 samples
    g.SetSampleRate(88200.0);
    EXPECT_EQ(g.updateInterval(), 16);
    g.SetCutoff(0.0f);
    Feed(g, 16);
    EXPECT_EQ(g.cutoff(), 9950.0f);
    Feed(g, 1);
    EXPECT_EQ(g.cutoff(), 9900.0f);
}

TEST(Filter, SetTypeSameOrOffKeepsCoefficients) {
    TFilterRBF2 f, twin;
    for (int type : {1, 5, -1}) { // the current type, then two invalid ones
        f.SetType(type);
    }
    EXPECT_EQ(f.GetType(), TFilterRBF2::kLowpass);
    for (int n = 0; n < 100; ++n) {
        float l = static_cast<float>(std::sin(0.3 * n)), r = l, tl = l, tr = l;
        f.ProcessStereo(l, r);
        twin.ProcessStereo(tl, tr);
        ASSERT_EQ(l, tl);
    }
    const auto lowpass10k = f.coefficients();
    f.SetType(TFilterRBF2::kOff); // the cutoff keeps gliding, the coefficients stay
    f.SetCutoff(0.0f);
    Feed(f, 2000);
    EXPECT_EQ(f.cutoff(), 40.0f);
    EXPECT_TRUE(Same(f.coefficients(), lowpass10k));
    f.SetType(TFilterRBF2::kLowpass);
    Feed(f, 1);
    EXPECT_FALSE(Same(f.coefficients(), lowpass10k));
}

TEST(Filter, QModeSwitchTakesEffectAtNextSampleWithoutReset) {
    TFilterRBF2 f;
    Feed(f, 2003, 1.0f); // settled on DC, between two updates
    const auto modeA = f.coefficients();
    f.SetResonant(1.0f);
    EXPECT_TRUE(Same(f.coefficients(), modeA)); // only the audio thread recomputes
    float l = 1.0f, r = 1.0f;
    f.ProcessStereo(l, r);
    EXPECT_FALSE(Same(f.coefficients(), modeA));
    // Both modes pass DC at unity; a cleared state would give b0, about 0.35.
    EXPECT_NEAR(l, 1.0f, 1e-4f);
    EXPECT_NEAR(r, 1.0f, 1e-4f);
}

TEST(Filter, StableAt32kHzWithCutoffAtTheTop) {
    // A cutoff parameter of 1 asks for 20020 Hz, above half of 32 kHz.
    for (int type = 1; type <= 4; ++type) {
        for (float mode : {0.0f, 1.0f}) {
            TFilterRBF2 f;
            f.SetType(type);
            f.SetSampleRate(32000.0);
            f.SetResonant(mode);
            f.SetCutoff(1.0f);
            uint32_t seed = 1;
            float peak = 0.0f;
            for (int n = 0; n < 32000; ++n) {
                seed = seed * 134775813u + 1u;
                float l = static_cast<float>(seed) / 2147483648.0f - 1.0f, r = -l;
                f.ProcessStereo(l, r);
                peak = std::fmax(peak, std::fabs(l));
            }
            EXPECT_LT(peak, 20.0f) << "type " << type << " mode " << mode;
        }
    }
}

TEST(Filter, SilenceGivesNoLastingDenormals) {
    // Lowpass and notch pass the 1e-24 guard offset and never turn subnormal; highpass and
    // bandpass block it, so their tail must come to rest at exactly 0.
    for (int type = 1; type <= 4; ++type) {
        const bool passesDc = type == TFilterRBF2::kLowpass || type == TFilterRBF2::kNotch;
        TFilterRBF2 f;
        f.SetType(type);
        for (int n = 0; n < 100000; ++n) {
            float l = n < 500 ? static_cast<float>(std::sin(0.2 * n)) : 0.0f, r = 0.0f;
            f.ProcessStereo(l, r);
            if (passesDc || n >= 2500) {
                ASSERT_NE(std::fpclassify(l), FP_SUBNORMAL) << "type " << type << " at " << n;
                ASSERT_NE(std::fpclassify(r), FP_SUBNORMAL) << "type " << type << " at " << n;
                ASSERT_LE(std::fabs(l), n < 2500 ? 2.0f : passesDc ? 1.1e-24f : 0.0f);
            }
        }
    }
}

} // namespace
} // namespace frakle::dsp
