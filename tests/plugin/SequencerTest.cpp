// The sequencer and MIDI as a host drives them: events on coded steps, solo and global slots,
// pattern notes and learned controllers. Each effect's output volume is set apart so that the
// output level tells which effect played.
#include "PluginFixture.h"

#include <cmath>

namespace frakle::plugin_tests {
namespace {

constexpr size_t kStep = 5512; // samples per sixteenth at 120 bpm, 44.1 kHz

using Sequencer = PluginTest;

// The crusher for three steps, then the reverser: on a steady input both give it back unchanged,
// so their output volumes tell them apart, and the steps keep their codes however far from zero
// the song is.
TEST(SequencerSteps, FourStepPatternSwitchesEffectsOnItsCodedStepsAtAnySongPosition) {
    for (double start : {0.0, -2.0, 536870912.0 + 1024.0, 1e10}) {
        tools::TestHost h(FRAKLE_PLUGIN_PATH);
        editPreset(h, [](std::vector<uint8_t> &p) {
            setSteps(p, {7, 0, 0, 6});
            setFloatAt(p, volumeOffset(5), 0.0f); // crusher silent
            setFloatAt(p, volumeOffset(4), 1.0f); // reverser twice as loud
        });
        h.timeline().ppqPosition = start;
        h.timeline().playing = true;
        const auto out = h.processSignal(constant(12 * kStep, 0.25f), 512);
        for (size_t step = 0; step < 12; ++step) {
            const size_t middle = step * kStep + step / 2 + kStep / 2;
            EXPECT_EQ(out.left[middle], step % 4 == 3 ? 0.5f : 0.0f) << step << " from " << start;
        }
        EXPECT_EQ(out.right[4 * kStep - 1], 0.5f);
        // The volume glides into each event: no jump from one sample to the next beyond 0.05.
        for (size_t i = 1; i < out.left.size(); ++i) {
            ASSERT_LT(std::fabs(out.left[i] - out.left[i - 1]), 0.05f) << i;
        }
    }
}

TEST_F(Sequencer, SoloAndGlobalOnTheSameEffectLeaveTheStepSlotEmpty) {
    editPreset(host(), [](std::vector<uint8_t> &p) {
        p[kPatternSolo + 1] = 2; // pattern 2: solo and global both the retrigger
        p[kPatternGlobal + 1] = 2;
        setFloatAt(p, volumeOffset(2), 0.25f); // gain 0.5 per pass
    });
    host().setParameter(2, 1.0f / 15.0f);
    host().timeline().playing = true;
    const auto out = host().processSignal(constant(2 * kStep, 0.25f), 512);
    EXPECT_EQ(out.left[kStep + 1000], 0.125f); // one pass, in the global slot only
}

TEST_F(Sequencer, StoppingFadesTheLastSampleOutOverTheStopFade) {
    host().timeline().playing = true;
    host().processSignal(constant(1000, 0.5f), 500);
    host().timeline().playing = false;
    const auto out = host().processSignal(constant(300, 0.1f), 300);
    EXPECT_EQ(out.left[0], 0.5f); // 256/256 of the last playing sample
    EXPECT_EQ(out.left[128], 0.5f * 128.0f / 256.0f);
    EXPECT_EQ(out.left[256], 0.0f);
    EXPECT_EQ(out.left[257], 0.1f); // then the input through the master section
}

TEST_F(Sequencer, PatternNotesSwitchPatterns) {
    host().clearAutomations();
    host().sendMidi(std::vector<tools::MidiMessage>{{0, {0x90, 55, 100}}});
    EXPECT_EQ(preset()[kCurrentPattern], 7); // note 48 + k selects pattern index k
    ASSERT_FALSE(host().automations().empty());
    EXPECT_EQ(host().automations().back().index, 2);
    EXPECT_EQ(host().automations().back().value, 0.4669f);
    host().sendMidi(std::vector<tools::MidiMessage>{{0, {0x9F, 63, 1}}}); // any channel
    EXPECT_EQ(preset()[kCurrentPattern], 15);
    EXPECT_EQ(host().getParameter(2), 1.0f);
    host().sendMidi(std::vector<tools::MidiMessage>{{0, {0x80, 50, 0}}, {0, {0x90, 66, 9}}});
    EXPECT_EQ(preset()[kCurrentPattern], 15);
}

TEST_F(Sequencer, SavedControllerBindingsDriveTheirParameters) {
    auto p = preset();
    const int16_t retriggerSpeed = 6;
    std::memcpy(p.data() + kCcMap + 2 * 20, &retriggerSpeed, 2);
    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
    host().sendMidi(std::vector<tools::MidiMessage>{{0, {0xB3, 20, 127}}});
    EXPECT_EQ(host().getParameter(6), 1.0f);
    host().sendMidi(std::vector<tools::MidiMessage>{{0, {0xB0, 21, 0}}}); // unbound
    EXPECT_EQ(host().getParameter(6), 1.0f);

    // With MIDI switched off in the program nothing responds.
    p = preset();
    p[1813] = 0;
    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
    host().sendMidi(std::vector<tools::MidiMessage>{{0, {0xB0, 20, 0}}, {0, {0x90, 50, 100}}});
    EXPECT_EQ(host().getParameter(6), 1.0f);
    EXPECT_EQ(preset()[kCurrentPattern], 0);
}

TEST_F(Sequencer, SysexAndForeignEventsAreIgnored) {
    char dump[4] = {static_cast<char>(0xF0), 0x7E, 0x00, static_cast<char>(0xF7)};
    vst2::VstMidiSysexEvent sysex{vst2::kVstSysExType, 48, 0, 0, 4, 0, dump, 0};
    vst2::VstEvent odd{42, 32, 0, 0, {}};
    std::vector<vst2::VstEvent *> events{reinterpret_cast<vst2::VstEvent *>(&sysex), &odd, nullptr};
    const auto before = preset();
    EXPECT_EQ(host().sendEvents(events), 1);
    EXPECT_EQ(host().dispatch(vst2::effProcessEvents, 0, 0, nullptr), 1);
    EXPECT_EQ(preset(), before);
}

} // namespace
} // namespace frakle::plugin_tests
