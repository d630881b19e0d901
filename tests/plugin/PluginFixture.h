// Loads build/frakle.so through the test host, as a DAW would.
#pragma once

#include "tools/testhost/TestHost.h"

#include <gtest/gtest.h>

#include <cstring>
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
constexpr size_t kCcMap = 1976;

inline float floatAt(const std::vector<uint8_t> &bytes, size_t offset) {
    float value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

inline void setFloatAt(std::vector<uint8_t> &bytes, size_t offset, float value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

inline int16_t ccEntry(const std::vector<uint8_t> &bytes, int controller) {
    int16_t value;
    std::memcpy(&value, bytes.data() + kCcMap + 2 * static_cast<size_t>(controller), 2);
    return value;
}

} // namespace frakle::plugin_tests
