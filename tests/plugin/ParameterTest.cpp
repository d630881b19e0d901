// Parameters and programs as the host sees them: names, texts, clamping, the pattern selector,
// the solo and global switches, program names and the controller-map migration.
#include "PluginFixture.h"

#include <limits>

namespace frakle::plugin_tests {
namespace {

using Parameters = PluginTest;

TEST_F(Parameters, NamesLabelsAndDisplays) {
    EXPECT_EQ(host().paramName(0), "RandSeed");
    EXPECT_EQ(host().paramName(25), "GaterVol");
    EXPECT_EQ(host().paramName(85), "GaterVol");
    EXPECT_EQ(host().paramName(146), "InitFX 9");
    EXPECT_EQ(host().paramName(147), "undefined");
    EXPECT_EQ(host().paramName(-1), "undefined");
    EXPECT_EQ(host().paramLabel(147), "undefined");
    EXPECT_EQ(host().paramDisplay(-5), "undefined");
    EXPECT_EQ(host().paramLabel(4), "Hz");
    EXPECT_EQ(host().paramLabel(19), "\xB0");
    EXPECT_EQ(host().paramLabel(0), "");

    host().setParameter(4, 0.5f);
    EXPECT_EQ(host().paramDisplay(4), "2500.00");
    host().setParameter(21, 0.25f);
    EXPECT_EQ(host().paramDisplay(21), "-50.00");
    host().setParameter(10, 1.0f);
    EXPECT_EQ(host().paramDisplay(10), "4.00");
    host().setParameter(10, 0.0f);
    EXPECT_EQ(host().paramDisplay(10), "128.00");
    // The defaults of a new instance show through the display.
    EXPECT_EQ(host().paramDisplay(15), "200.00"); // "StretAmt" 0.125
    EXPECT_EQ(host().paramDisplay(12), "0.16");   // "DelaySiz" 0.04
    EXPECT_EQ(host().paramDisplay(2), "1.00");    // pattern 1
}

TEST_F(Parameters, ValuesAreClampedAndStoredInTheRecord) {
    host().setParameter(3, 1.7f);
    EXPECT_EQ(host().getParameter(3), 1.0f);
    host().setParameter(3, -0.3f);
    EXPECT_EQ(host().getParameter(3), 0.0f);
    host().setParameter(3, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(host().getParameter(3), 0.0f);
    host().setParameter(3, std::numeric_limits<float>::infinity());
    EXPECT_EQ(host().getParameter(3), 1.0f);
    EXPECT_EQ(floatAt(preset(), 72), 1.0f); // "OutptMix" → masterMix

    host().setParameter(4, 0.3f);
    EXPECT_EQ(floatAt(preset(), 160), 0.3f); // "Mod Freq" → modulator param1
    host().setParameter(99, 0.7f);
    EXPECT_EQ(floatAt(preset(), 88 + 44 * 8 + 4), 0.7f); // "StretVol" → block 8 volume
    host().setParameter(128, 0.9f);
    EXPECT_EQ(floatAt(preset(), 600), 0.9f); // "DelayFin" → spare block 11 param1

    // Indices outside the table change nothing.
    const auto before = preset();
    host().setParameter(147, 1.0f);
    host().setParameter(-1, 1.0f);
    EXPECT_EQ(host().getParameter(147), 0.0f);
    EXPECT_EQ(preset(), before);
}

TEST_F(Parameters, PatternSelectorPicksEachPatternExactly) {
    for (int p = 0; p < 16; ++p) {
        host().setParameter(2, static_cast<float>(p) / 15.0f);
        EXPECT_EQ(preset()[kCurrentPattern], p);
    }
    host().setParameter(2, 0.5f);
    EXPECT_EQ(preset()[kCurrentPattern], 7); // 7.5 rounds down
    host().setParameter(2, 0.06f);
    EXPECT_EQ(preset()[kCurrentPattern], 0);
    host().setParameter(2, 2.0f / 15.0f);
    EXPECT_EQ(host().paramDisplay(2), "3.00");
}

TEST_F(Parameters, SwitchesSetAndClearSoloAndGlobalOfTheCurrentPattern) {
    host().setParameter(2, 4.0f / 15.0f); // pattern 5
    host().setParameter(106, 1.0f);       // "S> Gater"
    EXPECT_EQ(static_cast<int8_t>(preset()[kPatternSolo + 4]), 6);
    host().setParameter(105, 0.0f); // "S> Crush" off clears whatever solo is set
    EXPECT_EQ(static_cast<int8_t>(preset()[kPatternSolo + 4]), -1);

    host().setParameter(114, 1.0f); // "G> Crush"
    EXPECT_EQ(static_cast<int8_t>(preset()[kPatternGlobal + 4]), 5);
    host().setParameter(105, 1.0f); // "S> Crush": the same effect cannot be global too
    const auto bytes = preset();
    EXPECT_EQ(static_cast<int8_t>(bytes[kPatternSolo + 4]), 5);
    EXPECT_EQ(static_cast<int8_t>(bytes[kPatternGlobal + 4]), -1);
    host().setParameter(105, 0.5f); // 0.5 is not "on"
    EXPECT_EQ(static_cast<int8_t>(preset()[kPatternSolo + 4]), -1);
    // Other patterns keep their own settings.
    EXPECT_EQ(static_cast<int8_t>(preset()[kPatternSolo + 0]), -1);
}

TEST_F(Parameters, ProgramNames) {
    EXPECT_EQ(host().programName(), "Program 1");
    host().setProgramName("A name of thirty characters!!!");
    EXPECT_EQ(host().programName(), "A name of thirty charac");
    char text[64] = {};
    EXPECT_EQ(host().dispatch(vst2::effGetProgramNameIndexed, 5, -1, text), 1);
    EXPECT_STREQ(text, "A name of thirty charac");
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(preset().data())),
              "A name of thirty charac");
}

TEST_F(Parameters, SetProgramReappliesValuesAndIgnoresOtherPrograms) {
    host().setParameter(3, 0.25f);
    const auto before = preset();
    host().clearAutomations();
    host().setProgram(1); // there is one program
    EXPECT_TRUE(host().automations().empty());
    EXPECT_EQ(preset(), before);

    host().setProgram(0);
    EXPECT_EQ(floatAt(preset(), 72), 0.25f);
    // The program load tells the host every stored setting and the pattern.
    EXPECT_EQ(host().automations().size(), 111u);
}

TEST_F(Parameters, LegacyControllerMapMovesIntoTheCurrentMap) {
    auto bytes = preset();
    bytes[kLegacyCcMap + 7] = 5;
    ASSERT_EQ(host().setChunk(bytes, tools::ChunkKind::Preset), 2800);
    host().setProgram(0);
    const auto after = preset();
    for (int c = 0; c < 128; ++c) {
        EXPECT_EQ(ccEntry(after, c), c == 7 ? 5 : -1) << c;
        EXPECT_EQ(static_cast<int8_t>(after[kLegacyCcMap + static_cast<size_t>(c)]), -1) << c;
    }
    // Nothing left to migrate: a second program change keeps the map.
    host().setProgram(0);
    EXPECT_EQ(preset(), after);
}

} // namespace
} // namespace frakle::plugin_tests
