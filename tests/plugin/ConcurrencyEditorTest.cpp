// Every host thread at once, through the binary interface: one plays audio while others
// automate every parameter, switch patterns and solo and global effects by MIDI, save and load
// preset and bank chunks, and open, idle and close the editor (on the headless back end). Run
// under the thread sanitizer this finds any unsynchronised access between the editor and the
// rest; in every build each chunk saved mid-automation is whole: a quiet instance loads it and
// saves it back unchanged.
#include "PluginFixture.h"
#include "platform/Platform.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace frakle::plugin_tests {
namespace {

TEST(ConcurrencyWithEditor, AudioAutomationMidiChunksAndTheEditorSideBySide) {
    // The editor on the headless back end whatever display the test runs on.
    const char *display = std::getenv("DISPLAY");
    const std::string savedDisplay = display != nullptr ? display : "";
    platform::setEnvironment("DISPLAY", nullptr);
    tools::TestHost host(FRAKLE_PLUGIN_PATH);
    tools::TestHost quiet(FRAKLE_PLUGIN_PATH); // only the chunk thread touches it
    host.open();
    quiet.open();
    host.resume();
    host.timeline().playing = true;
    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};

    std::thread audio([&] {
        const auto loop = drumLoop(44100.0, 256);
        while (!done) {
            // Automated at random, resonant filters may peak far above full scale.
            const auto out = host.processSignal(loop, 256);
            EXPECT_TRUE(std::isfinite(peakOf(out))) << "block " << blocks;
            ++blocks;
        }
    });
    std::thread automation([&] {
        for (int i = 0; !done; ++i) {
            host.setParameter(i % 147, static_cast<float>(i % 11) / 10.0f);
            // Settings that move another with them, pushed against each other so that saves
            // land between a change and its follower: "RevLeft" up and "RevRight" down, the
            // same for "ShuflMin" and "ShuflMax", and an effect soloed and then made global.
            const int effect = i / 6 % 9;
            const int moved[6] = {7, 8, 16, 17, 100 + effect, 109 + effect};
            const float value[6] = {1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f};
            host.setParameter(moved[i % 6], value[i % 6]);
        }
    });
    std::thread midi([&] {
        for (int i = 0; !done; ++i) {
            const auto k = static_cast<uint8_t>(i % 16);
            const std::vector<tools::MidiMessage> messages{
                {0, {0x90, static_cast<uint8_t>(48 + k), 100}},           // pattern
                {0, {0x90, static_cast<uint8_t>(72 + k % 9), 100}},       // solo
                {0, {0x90, static_cast<uint8_t>(84 + (k + 3) % 9), 100}}, // global
                {0, {0xB0, static_cast<uint8_t>(i % 128), static_cast<uint8_t>(i % 127)}}};
            host.sendMidi(messages);
        }
    });
    int chunks = 0;
    std::thread state([&] {
        for (int i = 0; !done; ++i) {
            const auto kind = i % 2 == 0 ? tools::ChunkKind::Preset : tools::ChunkKind::Bank;
            const auto saved = host.getChunk(kind);
            ASSERT_EQ(host.setChunk(saved, kind), static_cast<intptr_t>(saved.size()));
            ASSERT_EQ(quiet.setChunk(saved, kind), static_cast<intptr_t>(saved.size()));
            ASSERT_EQ(quiet.getChunk(kind), saved) << "chunk " << i << " was torn";
            host.clearAutomations();
            quiet.clearAutomations();
            ++chunks;
        }
    });
    // The UI thread: the editor comes and goes, twenty times while the audio plays 400 blocks,
    // or as much of that as a slow (sanitizer) build fits into a second and a half, but at least
    // once and over 100 blocks.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int opens = 0;
    while (opens < 1 || blocks < 100 ||
           ((opens < 20 || blocks < 400) && std::chrono::steady_clock::now() < deadline)) {
        EXPECT_TRUE(host.editorRect().has_value());
        EXPECT_EQ(host.openEditor(0), 1);
        for (int i = 0; i < 10; ++i) {
            host.idleEditor();
        }
        host.closeEditor();
        ++opens;
    }
    done = true;
    audio.join();
    automation.join();
    midi.join();
    state.join();
    EXPECT_GT(chunks, 0);
    EXPECT_GT(opens, 0);
    for (int32_t i = 0; i < 147; ++i) {
        const float v = host.getParameter(i);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << i;
    }
    if (!savedDisplay.empty()) {
        platform::setEnvironment("DISPLAY", savedDisplay.c_str());
    }
}

} // namespace
} // namespace frakle::plugin_tests
