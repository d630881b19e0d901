// What a host learns about the plug-in: record fields, dispatcher answers, pins, the editor's
// size, the entry points and the program a new instance holds.
#include "PluginFixture.h"
#include "platform/Platform.h"
#include "state/ProgramRecord.h"

namespace frakle::plugin_tests {
namespace {

using Identity = PluginTest;

TEST_F(Identity, RecordDescribesAStereoEffectWithEditorAndChunks) {
    const vst2::AEffect &e = host().effect();
    const std::pair<intptr_t, intptr_t> fields[] = {{e.magic, vst2::kEffectMagic},
                                                    {e.numPrograms, 1},
                                                    {e.numParams, 147},
                                                    {e.numInputs, 2},
                                                    {e.numOutputs, 2},
                                                    {e.flags, 57},
                                                    {e.uniqueID, vst2::fourCC('m', 'F', '[', '_')},
                                                    {e.version, 1},
                                                    {e.initialDelay, 0},
                                                    {e.resvd2, 0}};
    for (size_t i = 0; i < std::size(fields); ++i) {
        EXPECT_EQ(fields[i].first, fields[i].second) << "field " << i;
    }
    EXPECT_NE(e.process, nullptr);
    EXPECT_NE(e.processReplacing, nullptr);
    EXPECT_EQ(host().effectName(), "mosko Frakle v1.3");
    EXPECT_EQ(host().product(), "mosko Frakle v1.3");
    EXPECT_EQ(host().vendor(), "mosko");
    EXPECT_EQ(host().vendorVersion(), 1);
}

TEST_F(Identity, DispatcherAnswers) {
    EXPECT_EQ(host().dispatch(vst2::effIdentify), 0x4E764566);
    EXPECT_EQ(host().dispatch(vst2::effGetVstVersion), 2300);
    EXPECT_EQ(host().dispatch(vst2::effGetPlugCategory), 0);
    EXPECT_EQ(host().dispatch(vst2::effGetProgram), 0);
    EXPECT_EQ(host().dispatch(vst2::effGetVu), 0);
    EXPECT_EQ(host().dispatch(vst2::effCanBeAutomated, 146), 1);
    EXPECT_EQ(host().dispatch(vst2::effGetNumProgramCategories), 1);
    EXPECT_EQ(host().dispatch(vst2::effConnectInput, 0, 1), 1);
    EXPECT_EQ(host().dispatch(vst2::effKeysRequired), 1);
    EXPECT_EQ(host().dispatch(vst2::effEditKeyDown, 'a'), -1);
    EXPECT_EQ(host().dispatch(vst2::effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(host().dispatch(vst2::effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f), 1);
    // Opcodes the plug-in does not handle, numbers no opcode has, and text queries with no
    // buffer answer 0.
    for (int32_t opcode :
         std::initializer_list<int32_t>{vst2::effGetTailSize, vst2::effSetBypass,
                                        vst2::effString2Parameter, vst2::effShellGetNextPlugin, 80,
                                        1000, -1, vst2::effGetParamName, vst2::effGetEffectName}) {
        EXPECT_EQ(host().dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
    }
}

TEST_F(Identity, CanDoTableAndPins) {
    for (const char *yes :
         {"receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents", "sendVstMidiEvent"}) {
        EXPECT_EQ(host().canDo(yes), 1) << yes;
    }
    for (const char *no : {"receiveVstTimeInfo", "bypass", "offline", "2in2out", "midiProgramNames",
                           "conformsToWindowRules"}) {
        EXPECT_EQ(host().canDo(no), 0) << no;
    }
    for (const char *unknown : {"ReceiveVstEvents", "hasCockosExtensions", ""}) {
        EXPECT_EQ(host().canDo(unknown), -1) << unknown; // case matters
    }
    auto in = host().inputProperties(1);
    ASSERT_TRUE(in.has_value());
    EXPECT_STREQ(in->label, "Input #2");
    EXPECT_EQ(in->flags, vst2::kVstPinIsActive | vst2::kVstPinIsStereo);
    auto out = host().outputProperties(0);
    ASSERT_TRUE(out.has_value());
    EXPECT_STREQ(out->label, "Output #1");
    EXPECT_FALSE(host().inputProperties(2).has_value());
    EXPECT_FALSE(host().outputProperties(-1).has_value());
}

// The size is known before the window exists, so hosts can size theirs first; resuming asks for
// MIDI each time.
TEST_F(Identity, EditorSizeBeforeOpeningAndMidiOnResume) {
    for (bool open : {false, true}) {
        if (open) {
            EXPECT_EQ(host().openEditor(0x1234), 1);
        }
        auto rect = host().editorRect();
        ASSERT_TRUE(rect.has_value());
        EXPECT_EQ(rect->top, 0);
        EXPECT_EQ(rect->left, 0);
        EXPECT_EQ(rect->bottom, 626);
        EXPECT_EQ(rect->right, 844);
    }
    host().closeEditor();
    host().closeEditor(); // one close too many does nothing
    host().idleEditor();
    const int before = host().wantMidiCount();
    host().suspend();
    host().resume();
    host().resume();
    EXPECT_EQ(host().wantMidiCount(), before + 2);
}

intptr_t oldHost(vst2::AEffect *, int32_t, int32_t, intptr_t, void *, float) { return 0; }

TEST(EntryPoints, BothSymbolsMakeInstancesAndRefuseOldOrMissingHosts) {
    std::string error;
    void *library = platform::openLibrary(FRAKLE_PLUGIN_PATH, error);
    ASSERT_NE(library, nullptr) << error;
    for (const char *symbol : {"VSTPluginMain", "main"}) {
        auto entry = reinterpret_cast<vst2::EntryProc>(platform::findSymbol(library, symbol));
        ASSERT_NE(entry, nullptr) << symbol;
        EXPECT_EQ(entry(oldHost), nullptr) << symbol; // a host that answers version 0
        EXPECT_EQ(entry(nullptr), nullptr) << symbol;
    }
    // Nothing else is visible from outside.
    EXPECT_EQ(platform::findSymbol(library, "createEffectInstance"), nullptr);
    platform::closeLibrary(library);
}

TEST(EntryPoints, ANewInstanceHoldsTheDefaultProgram) {
    tools::TestHost host(FRAKLE_PLUGIN_PATH);
    const state::TProgramRecord defaults = state::MakeDefaultRecord();
    std::vector<uint8_t> expected(sizeof defaults);
    std::memcpy(expected.data(), &defaults, sizeof defaults);
    EXPECT_EQ(host.getChunk(tools::ChunkKind::Preset), expected);
    // The bank is the program after its length.
    std::vector<uint8_t> bank{0xF0, 0x0A, 0, 0};
    bank.insert(bank.end(), expected.begin(), expected.end());
    EXPECT_EQ(host.getChunk(tools::ChunkKind::Bank), bank);
    // The host-visible values follow the record: "FraklAmt" 1.0, "RetrgSpd" 0.2, "Pattern" 0.
    EXPECT_EQ(host.getParameter(1), 1.0f);
    EXPECT_EQ(host.getParameter(6), 0.2f);
    EXPECT_EQ(host.getParameter(2), 0.0f);
}

} // namespace
} // namespace frakle::plugin_tests
