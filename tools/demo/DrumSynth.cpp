// Drum voices and the pattern that strings them into a loop.
#include "tools/demo/DrumSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace frakle::tools {

namespace {

constexpr double kPeakDb = -3.0;
constexpr int kStepsPerBar = 16;

// Fixed-seed white noise in -1..1.
class Noise {
public:
    float next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<float>(static_cast<double>(state_ >> 11) * 0x1.0p-52 - 1.0);
    }

private:
    uint64_t state_ = 0x9e3779b97f4a7c15ull;
};

using Voice = std::vector<float>;

Voice kick(double rate, Noise &noise) {
    Voice out(static_cast<size_t>(0.45 * rate));
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double frequency = 48.0 + 120.0 * std::exp(-t / 0.035);
        phase += 2.0 * std::numbers::pi * frequency / rate;
        const double body = std::sin(phase) * std::exp(-t / 0.22);
        const double click = 0.4 * noise.next() * std::exp(-t / 0.0015);
        out[i] = static_cast<float>(body + click);
    }
    return out;
}

Voice snare(double rate, Noise &noise) {
    Voice out(static_cast<size_t>(0.3 * rate));
    float previous = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double tone = (std::sin(2.0 * std::numbers::pi * 185.0 * t) +
                             0.5 * std::sin(2.0 * std::numbers::pi * 330.0 * t)) *
                            std::exp(-t / 0.05);
        const float white = noise.next();
        const double rattle = (white - 0.6 * previous) * std::exp(-t / 0.09);
        previous = white;
        out[i] = static_cast<float>(0.6 * tone + 0.7 * rattle);
    }
    return out;
}

// Noise through a two-stage high-pass, so only the sizzle is left.
Voice hat(double rate, Noise &noise, double decaySeconds) {
    Voice out(static_cast<size_t>(decaySeconds * 6.0 * rate));
    const double coefficient = std::exp(-2.0 * std::numbers::pi * 7000.0 / rate);
    double lastIn = 0.0, stage1 = 0.0, lastStage1 = 0.0, stage2 = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double white = noise.next();
        stage1 = coefficient * (stage1 + white - lastIn);
        lastIn = white;
        stage2 = coefficient * (stage2 + stage1 - lastStage1);
        lastStage1 = stage1;
        out[i] = static_cast<float>(stage2 * std::exp(-t / decaySeconds));
    }
    return out;
}

// Mixes a voice in at `start`; the tail wraps to the loop's start so the loop repeats cleanly.
void place(DrumLoop &loop, const Voice &voice, size_t start, float gain, float pan) {
    const size_t frames = loop.left.size();
    const float leftGain = gain * std::min(1.0f, 1.0f - pan);
    const float rightGain = gain * std::min(1.0f, 1.0f + pan);
    for (size_t i = 0; i < voice.size(); ++i) {
        const size_t at = (start + i) % frames;
        loop.left[at] += voice[i] * leftGain;
        loop.right[at] += voice[i] * rightGain;
    }
}

} // namespace

size_t loopFrames(const LoopSettings &settings) {
    return static_cast<size_t>(
        std::llround(settings.bars * 4 * 60.0 / settings.bpm * settings.sampleRate));
}

DrumLoop synthesiseLoop(const LoopSettings &settings) {
    const size_t frames = loopFrames(settings);
    DrumLoop loop{std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
    if (frames == 0) {
        return loop;
    }
    const double rate = settings.sampleRate;
    Noise noise;
    const Voice kickVoice = kick(rate, noise);
    const Voice snareVoice = snare(rate, noise);
    const Voice closedHat = hat(rate, noise, 0.012);
    const Voice openHat = hat(rate, noise, 0.07);

    const double stepFrames = 60.0 / settings.bpm / 4.0 * rate;
    for (int bar = 0; bar < settings.bars; ++bar) {
        const bool fill = bar % 4 == 3;
        for (int step = 0; step < kStepsPerBar; ++step) {
            const auto at =
                static_cast<size_t>(std::llround((bar * kStepsPerBar + step) * stepFrames));
            if (step == 0 || step == 7 || step == 10 || (fill && step == 15)) {
                place(loop, kickVoice, at, step == 7 ? 0.7f : 1.0f, 0.0f);
            }
            if (step == 4 || step == 12 || (fill && step == 14)) {
                place(loop, snareVoice, at, step == 14 ? 0.5f : 0.9f, 0.0f);
            }
            if (step == 14 && !fill) {
                place(loop, openHat, at, 0.35f, -0.3f);
            } else if (step % 2 == 0 || fill) {
                place(loop, closedHat, at, step % 4 == 0 ? 0.45f : 0.3f, 0.3f);
            }
        }
    }

    float peak = 0.0f;
    for (size_t i = 0; i < frames; ++i) {
        peak = std::max({peak, std::fabs(loop.left[i]), std::fabs(loop.right[i])});
    }
    if (peak > 0.0f) {
        const auto gain = static_cast<float>(std::pow(10.0, kPeakDb / 20.0) / peak);
        for (size_t i = 0; i < frames; ++i) {
            loop.left[i] *= gain;
            loop.right[i] *= gain;
        }
    }
    return loop;
}

} // namespace frakle::tools
