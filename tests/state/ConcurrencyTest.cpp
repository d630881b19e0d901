// One thread plays audio while others automate parameters, switch patterns by MIDI and save and
// load chunks, as hosts do. Run under the thread sanitizer this finds any unsynchronised access;
// in every build a chunk saved mid-automation must load back as a valid program.
#include "PluginHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace frakle::state {
namespace {

TEST(Concurrency, AudioAutomationMidiAndChunksSideBySide) {
    PluginHarness h;
    PluginHarness::recording() = false;
    APlugin &plugin = h.plugin();
    std::atomic<bool> done{false};

    std::thread audio([&] {
        std::vector<float> l(256, 0.3f), r(256, -0.3f);
        float *io[2] = {l.data(), r.data()};
        engine::BlockTiming timing{44100.0, 120.0, true, 0.0, true};
        for (int block = 0; block < 600; ++block) {
            timing.ppqPosition = block * 256 * 2.0 / 44100.0;
            plugin.engine().processBlock(timing, io, io, 256, false);
            for (float x : l) {
                ASSERT_TRUE(std::isfinite(x));
            }
        }
        done = true;
    });
    std::thread automation([&] {
        for (int i = 0; !done; ++i) {
            plugin.setParameter(i % 147, static_cast<float>(i % 10) / 9.0f);
        }
    });
    std::thread midi([&] {
        for (int i = 0; !done; ++i) {
            const host::MidiMessage messages[2] = {
                {0, {0x90, static_cast<uint8_t>(48 + i % 16), 100}},
                {0, {0xB0, static_cast<uint8_t>(i % 128), static_cast<uint8_t>(i % 127)}}};
            plugin.processEvents(messages, 2);
        }
    });

    // The UI thread: save and reload while everything else runs.
    int loads = 0;
    while (!done) {
        void *data = nullptr;
        const int32_t size = plugin.getChunk(&data, true);
        ASSERT_EQ(size, 2800);
        std::vector<uint8_t> copy(static_cast<uint8_t *>(data),
                                  static_cast<uint8_t *>(data) + size);
        ASSERT_EQ(plugin.setChunk(copy.data(), size, true), 2800);
        ++loads;
    }
    audio.join();
    automation.join();
    midi.join();
    PluginHarness::recording() = true;
    EXPECT_GT(loads, 0);
    const TProgramRecord &rec = plugin.record();
    EXPECT_LT(rec.currentPattern, 16);
    for (int i = 0; i < kNumParams; ++i) {
        const float v = plugin.getParameter(i);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << i;
    }
}

// Host automation and a MIDI note switching patterns at the same moment: one switch wins and
// the engine's steps are those of the pattern the record names, never a mix of two.
TEST(Concurrency, SimultaneousPatternSwitchesNeverMixTwoPatterns) {
    PluginHarness h;
    PluginHarness::recording() = false;
    APlugin &plugin = h.plugin();
    const auto matches = [&plugin] {
        const TProgramRecord &rec = plugin.record();
        for (int k = 0; k < kMaxSteps; ++k) {
            if (plugin.engine().stepCode(k) != rec.patternSteps[rec.currentPattern][k]) {
                return false;
            }
        }
        return true;
    };

    // Each round both threads wait for the round to open, then switch at the same moment.
    constexpr int kRounds = 4000;
    std::atomic<int> opened{-1};
    std::atomic<int> finished{-1};
    std::thread host([&] {
        for (int round = 0; round < kRounds; ++round) {
            while (opened.load() < round) {
            }
            plugin.setParameter(2, 2.0f / 15.0f); // pattern 3: every step coded
            finished = round;
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        opened = round;
        plugin.setParameter(2, 3.0f / 15.0f); // pattern 4: every eighth step
        while (finished.load() < round) {
        }
        if (!matches()) {
            ADD_FAILURE() << "round " << round;
            break;
        }
    }
    opened = kRounds;
    host.join();
    PluginHarness::recording() = true;
}

} // namespace
} // namespace frakle::state
