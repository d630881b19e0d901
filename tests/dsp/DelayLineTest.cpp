// The delay line: delay lengths and separation measured with impulses, feedback levels, tempo
// jumps against time glides, and index safety at extreme rates and tempos. (Changes from other
// threads are played in the plug-in's concurrency tests.)
#include "dsp/Random.h"
#include "dsp/TeffectDelay.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>
#include <vector>

namespace frakle::dsp {
namespace {

using Frame = std::array<float, 2>;
using P = TEffectDelay::Param;

// The interpolator sounds between its two middle taps, two samples behind the read position.
constexpr int kTapLatency = 2;

void Configure(TEffectDelay &d, float time, float feedback, float separation = 0.5f) {
    d.SetParam(P::kTime, time);
    d.SetParam(P::kFeedback, feedback);
    d.SetParam(P::kSeparation, separation);
    d.Retune(); // the new time at once instead of a glide
}

std::vector<Frame> Feed(TEffectDelay &d, int n, float first) {
    std::vector<Frame> out;
    for (int i = 0; i < n; ++i) {
        float l = i == 0 ? first : 0.0f, r = l;
        d.ProcessStereo(l, r);
        out.push_back({l, r});
    }
    return out;
}

// 100 samples of silence, in which the feedback gain glides from 0 to its target, then an
// impulse; returns the output from the impulse on.
std::vector<Frame> Impulse(TEffectDelay &d, int n) {
    Feed(d, 100, 0.0f);
    return Feed(d, n, 1.0f);
}

int FirstEcho(const std::vector<Frame> &out, int ch) {
    for (size_t i = 1; i < out.size(); ++i) {
        if (out[i][static_cast<size_t>(ch)] != 0.0f) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool InRange(const TEffectDelay &d) {
    const auto n = static_cast<unsigned>(d.bufferLength());
    return static_cast<unsigned>(d.writePosition()) < n &&
           static_cast<unsigned>(d.readPosition(0)) < n &&
           static_cast<unsigned>(d.readPosition(1)) < n;
}

TEST(DelayLine, DelayRunsFromOneMillisecondToOneBeatPlusFine) {
    TEffectDelay fresh;                     // 44.1 kHz, 120 bpm, time 0.1, feedback 0.7, wet 0.5
    EXPECT_EQ(fresh.bufferLength(), 22094); // nearest(22050 + 44.1)
    auto out = Impulse(fresh, 2300);
    EXPECT_EQ(out[0][0], 1.0f);
    EXPECT_EQ(FirstEcho(out, 0), 2245 + kTapLatency); // nearest(22005.9 × 0.1 + 44.1)
    EXPECT_FLOAT_EQ(out[2245 + kTapLatency][0], 0.5f * 0.693f);

    for (auto [time, fine, delay] : {std::tuple{0.0f, 0.0f, 44},
                                     {1.0f, 0.0f, 22050},
                                     {0.0f, 1.0f, 44 + 220}}) { // nearest(5 × 44.1) = 220
        TEffectDelay d;
        d.SetParam(P::kFine, fine);
        Configure(d, time, 1.0f);
        out = Impulse(d, delay + 100);
        EXPECT_EQ(FirstEcho(out, 0), delay + kTapLatency) << time << " " << fine;
        EXPECT_FLOAT_EQ(out[static_cast<size_t>(delay + kTapLatency)][1], 0.5f * 0.99f);
    }
}

TEST(DelayLine, AFractionalDelayIsReadWithHermiteInterpolation) {
    // A fine step of one sample (45), then back: the glide stops at 45 − 0.805 = 44.195, and an
    // impulse comes back through the four Hermite weights at t = 0.195, times 0.5 × 0.99.
    TEffectDelay d;
    d.SetParam(P::kFine, 0.0045f);
    Configure(d, 0.0f, 1.0f);
    d.SetParam(P::kFine, 0.0f);
    const auto out = Impulse(d, 50);
    EXPECT_EQ(d.currentDelay(), 44);
    EXPECT_NEAR(out[44][0], 0.495 * -0.0153050625, 1e-5); // (t³ − t²) / 2
    EXPECT_NEAR(out[45][0], 0.495 * 0.1624276875, 1e-5);  // (−3t³ + 4t² + t) / 2
    EXPECT_NEAR(out[46][0], 0.495 * 0.9160598125, 1e-5);  // (3t³ − 5t² + 2) / 2
    EXPECT_NEAR(out[47][0], 0.495 * -0.0631824375, 1e-5); // (−t³ + 2t² − t) / 2
    EXPECT_EQ(out[48][0], 0.0f);
}

TEST(DelayLine, SeparationDelaysOneChannelByUpToAStep) {
    // floor(0.49 × 2.0408164 × 5512.5) = 5512 on the left, the nearest integer 5513 on the right.
    for (auto [separation, left, right] :
         {std::tuple{0.0f, 5512, 0}, {1.0f, 0, 5513}, {0.5f, 0, 0}, {0.505f, 0, 0}}) {
        TEffectDelay d;
        Configure(d, 0.0f, 1.0f, separation);
        const auto out = Impulse(d, 5600);
        EXPECT_EQ(FirstEcho(out, 0), 44 + kTapLatency + left) << separation;
        EXPECT_EQ(FirstEcho(out, 1), 44 + kTapLatency + right) << separation;
    }
}

TEST(DelayLine, FeedbackSetsEchoLevelAndDecay) {
    TEffectDelay silent; // feedback 0: nothing but the dry part, ever
    silent.SetParam(P::kFeedback, 0.0f);
    silent.SetParam(P::kDry, 0.7f);
    for (int i = 0; i < 30000; ++i) {
        const auto x = static_cast<float>(std::sin(0.37 * i));
        float l = x, r = -x;
        silent.ProcessStereo(l, r);
        ASSERT_EQ(l, x * 0.7f);
        ASSERT_EQ(r, -x * 0.7f);
    }

    // Each pass: 0.99 × input gain.
    for (const float gain : {1.0f, 0.5f}) {
        TEffectDelay d;
        d.SetParam(P::kInputGain, gain);
        Configure(d, 0.0f, 1.0f);
        const auto out = Impulse(d, 4 * 46 + 1);
        for (int k = 1; k <= 4; ++k) {
            EXPECT_NEAR(out[static_cast<size_t>(46 * k)][0], 0.5 * std::pow(0.99 * gain, k), 1e-6);
        }
    }
}

TEST(DelayLine, TimeChangeGlidesTempoChangeJumps) {
    TEffectDelay d;
    Configure(d, 0.0f, 1.0f);
    d.SetParam(P::kTime, 1.0f);
    // The delay grows by 0.805 a sample, so the read position moves on only 0.195 samples per
    // sample: the impulse comes back after about 44 / 0.195 samples instead of 46 or 22052.
    EXPECT_NEAR(FirstEcho(Feed(d, 30000, 1.0f), 0), 226, 4);
    EXPECT_EQ(d.currentDelay(), 22050); // after (22050 − 44) / 0.805 ≈ 27337 samples

    // An unchanged tempo does nothing: a glide goes on. A new tempo jumps at once: at 240 bpm a
    // beat is 11025 samples and time 0.5 gives nearest(10980.9 × 0.5 + 44.1) = 5535.
    TEffectDelay t;
    Configure(t, 1.0f, 1.0f);
    t.SetParam(P::kTime, 0.5f);
    Feed(t, 10, 0.0f);
    const int gliding = t.currentDelay();
    EXPECT_EQ(gliding, 22042);
    t.SetTempo(120.0);
    EXPECT_EQ(t.currentDelay(), gliding);
    t.SetTempo(240.0);
    EXPECT_EQ(t.bufferLength(), 11069);
    EXPECT_EQ(FirstEcho(Impulse(t, 5600), 0), 5535 + kTapLatency);
}

TEST(DelayLine, ExtremeRatesAndTemposKeepIndicesInRange) {
    TEffectDelay d;
    TRandom random(99);
    d.SetParam(P::kFeedback, 1.0f);
    d.SetParam(P::kFine, 1.0f);
    for (auto [rate, bpm] : {std::pair{8000.0, 80.0},
                             {8000.0, 10000.0},
                             {384000.0, 10000.0},
                             {384000.0, 80.0},
                             {8000.0, 10000.0}}) {
        d.SetSampleRate(rate);
        d.SetTempo(bpm);
        ASSERT_EQ(d.bufferLength(), Nearest(rate * 60.0 / bpm + rate / 1000.0));
        for (int i = 0; i < d.bufferLength() + 4000; ++i) {
            if (i % 1500 == 0) { // the time glides on while the separation swaps sides
                d.SetParam(P::kTime, static_cast<float>(i % 3000 == 0));
                d.SetParam(P::kSeparation, static_cast<float>(random.next(2)));
                d.SetParam(P::kGlide, static_cast<float>(random.nextUnit()));
            }
            float l = static_cast<float>(2.0 * random.nextUnit() - 1.0), r = -l;
            d.ProcessStereo(l, r);
            ASSERT_TRUE(InRange(d)) << rate << " " << bpm << " " << i;
            ASSERT_TRUE(std::fabs(l) < 100.0f && std::fabs(r) < 100.0f) << rate << " " << i;
        }
    }
}

// A line that only listens (no output) keeps its buffer and state exactly as one that plays:
// once both play, they sound the same to the bit.
TEST(DelayLine, AListeningLineStaysInStepWithAPlayingOne) {
    TEffectDelay playing, listening;
    Configure(playing, 0.05f, 0.7f);
    Configure(listening, 0.05f, 0.7f);
    TRandom random(7);
    std::array<float, 64> in{};
    std::array<std::array<float, 64>, 4> out{}; // playing left and right, then listening
    for (int run = 0; run < 60; ++run) {
        for (float &x : in) {
            x = static_cast<float>(2.0 * random.nextUnit() - 1.0);
        }
        const bool heard = run >= 40; // the listening line plays from here on
        playing.ProcessRun(in.data(), in.data(), out[0].data(), out[1].data(), 64);
        listening.ProcessRun(in.data(), in.data(), heard ? out[2].data() : nullptr,
                             heard ? out[3].data() : nullptr, 64);
        ASSERT_TRUE(!heard || (out[0] == out[2] && out[1] == out[3])) << run;
    }
}

} // namespace
} // namespace frakle::dsp
