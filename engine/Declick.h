// The jump de-click: the end of each event is kept as a tail, and at the next event start the
// tail plays backwards, faded into the new event over a length that grows with the size of the
// jump. Two independent stages run per sample on the audio thread.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace frakle::engine {

struct DeclickStage {
    static constexpr int32_t kTailSize = 16384;
    static constexpr int32_t kLongestFade = 1 << 30;

    float previous[2] = {0.0f, 0.0f};
    std::array<std::array<float, kTailSize>, 2> tail{};
    int32_t tailCount = 0;
    int32_t fadeLength[2] = {0, 0};
    float fadeReciprocal[2] = {0.0f, 0.0f};

    // x: the stage's input pair; p: step position; limit: J; armed: after the first event.
    void process(float *x, int32_t p, int32_t stepLength, int32_t limit, bool armed) {
        const int32_t w = limit < stepLength ? limit : stepLength;
        tailCount = tailCount < 0 ? 0 : (tailCount > limit ? limit : tailCount);
        if (w > p && tailCount > 0 && armed) {
            if (p == 0) {
                for (int c = 0; c < 2; ++c) {
                    const double jump = std::fabs((static_cast<double>(x[c]) + 1.0) -
                                                  (static_cast<double>(previous[c]) + 1.0));
                    const double len = std::floor(jump * 0.5 * w);
                    // Long fades for big jumps: only a length no int32 holds is cut short.
                    fadeLength[c] = len >= kLongestFade ? kLongestFade : static_cast<int32_t>(len);
                    fadeReciprocal[c] =
                        fadeLength[c] > 0 ? 1.0f / static_cast<float>(fadeLength[c]) : 0.0f;
                }
            }
            if (tailCount > 0) {
                --tailCount;
            }
            for (int c = 0; c < 2; ++c) {
                if (p < fadeLength[c]) {
                    float t = static_cast<float>(p) * fadeReciprocal[c];
                    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
                    x[c] =
                        t * x[c] +
                        (1.0f - t) * tail[static_cast<size_t>(c)][static_cast<size_t>(tailCount)];
                }
            }
        }
        if (p >= stepLength - w) {
            tail[0][static_cast<size_t>(tailCount)] = x[0];
            tail[1][static_cast<size_t>(tailCount)] = x[1];
            ++tailCount;
        }
        previous[0] = x[0];
        previous[1] = x[1];
    }

    // A run of n frames from step position p0, in place. Between the fade at the event's start
    // and the tail at its end a frame only becomes the previous one.
    void processRun(float *left, float *right, int32_t n, int32_t p0, int32_t stepLength,
                    int32_t limit, bool armed) {
        const int32_t w = limit < stepLength ? limit : stepLength;
        for (int32_t i = 0; i < n;) {
            const int32_t p = p0 + i;
            if (p < w || p >= stepLength - w) {
                float x[2] = {left[i], right[i]};
                process(x, p, stepLength, limit, armed);
                left[i] = x[0];
                right[i] = x[1];
                ++i;
                continue;
            }
            tailCount = tailCount < 0 ? 0 : (tailCount > limit ? limit : tailCount);
            i = std::min(n, stepLength - w - p0);
            previous[0] = left[i - 1];
            previous[1] = right[i - 1];
        }
    }
};

} // namespace frakle::engine
