// Loads build/frakle.so through the test host, as a DAW would.
#pragma once

#include "tools/testhost/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>

namespace frakle::plugin_tests {

class PluginTest : public ::testing::Test {
protected:
    PluginTest() : host_(std::make_unique<tools::TestHost>(FRAKLE_PLUGIN_PATH)) { host_->open(); }

    tools::TestHost &host() { return *host_; }
    std::vector<uint8_t> preset() { return host_->getChunk(tools::ChunkKind::Preset); }
    std::vector<uint8_t> bank() { return host_->getChunk(tools::ChunkKind::Bank); }

    std::unique_ptr<tools::TestHost> host_;
};

// Record offsets the tests look at.
constexpr size_t kCurrentPattern = 748;
constexpr size_t kPatternSteps = 749;
constexpr size_t kPatternSolo = 1773;
constexpr size_t kPatternGlobal = 1789;
constexpr size_t kStepCount = 1805;
constexpr size_t kLegacyCcMap = 1814;
constexpr size_t kFilterQMode = 1959;
constexpr size_t kCcMap = 1976;

inline float floatAt(const std::vector<uint8_t> &bytes, size_t offset) {
    float value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

inline void setFloatAt(std::vector<uint8_t> &bytes, size_t offset, float value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

// The record offset of an effect's output volume.
inline size_t volumeOffset(int effect) { return 88 + 44 * static_cast<size_t>(effect) + 4; }

// The current pattern of a preset chunk made of these step codes.
inline void setSteps(std::vector<uint8_t> &p, std::initializer_list<uint8_t> codes) {
    std::copy(codes.begin(), codes.end(), p.begin() + kPatternSteps);
    p[kStepCount] = static_cast<uint8_t>(codes.size());
}

// The preset changed by `edit`, loaded back into the plug-in.
template <class Edit> void editPreset(tools::TestHost &h, Edit edit) {
    auto p = h.getChunk(tools::ChunkKind::Preset);
    edit(p);
    ASSERT_EQ(h.setChunk(p, tools::ChunkKind::Preset), static_cast<intptr_t>(p.size()));
}

// A four-step pattern with an event on every step, so events start all through the signal, and
// every filter in its resonant mode for the tests that switch filters on.
inline void everyStep(tools::TestHost &h) {
    editPreset(h, [](std::vector<uint8_t> &p) {
        setSteps(p, {1, 1, 1, 1});
        std::memset(p.data() + kFilterQMode, 1, 10);
    });
}

inline tools::StereoSignal constant(size_t frames, float value) {
    return {std::vector<float>(frames, value), std::vector<float>(frames, value)};
}

// Two bars of kicks, claps and hats at 120 bpm, made here so the tests need no files.
inline tools::StereoSignal drumLoop(double rate, size_t frames) {
    tools::StereoSignal s;
    uint32_t noise = 1;
    const double beat = rate * 0.5;
    for (size_t i = 0; i < frames; ++i) {
        const double t = std::fmod(static_cast<double>(i), beat) / rate;
        noise = noise * 1664525U + 1013904223U;
        const double white = static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
        const double kick = std::sin(2.0 * M_PI * 55.0 * t * (1.0 + 2.0 * std::exp(-t * 30.0))) *
                            std::exp(-t * 8.0);
        const double hat = white * std::exp(-std::fmod(t, 0.125) * 60.0) * 0.2;
        s.left.push_back(static_cast<float>(0.6 * kick + hat));
        s.right.push_back(static_cast<float>(0.6 * kick - hat));
    }
    return s;
}

// The largest magnitude in both channels; infinite when any sample is no finite number.
inline float peakOf(const tools::StereoSignal &s) {
    float peak = 0.0f;
    for (size_t i = 0; i < s.frames(); ++i) {
        for (float x : {s.left[i], s.right[i]}) {
            if (!std::isfinite(x)) {
                return std::numeric_limits<float>::infinity();
            }
            peak = std::max(peak, std::fabs(x));
        }
    }
    return peak;
}

inline int16_t ccEntry(const std::vector<uint8_t> &bytes, int controller) {
    int16_t value;
    std::memcpy(&value, bytes.data() + kCcMap + 2 * static_cast<size_t>(controller), 2);
    return value;
}

} // namespace frakle::plugin_tests
