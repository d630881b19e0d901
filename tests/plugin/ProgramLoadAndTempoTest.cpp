// What a program load brings and keeps, and tempo changes under a running event, as a host
// drives them: effSetProgram after a chunk load, the saved free-run setting, tempo automation.
#include "PluginFixture.h"
#include "state/ParameterTable.h"
#include "state/ProgramRecord.h"

namespace frakle::plugin_tests {
namespace {

constexpr size_t kIgnoreTransport = 1942;
constexpr int32_t kSoloShuffler = 103; // "S> Shufl"

tools::StereoSignal dc(size_t frames, float value) {
    return {std::vector<float>(frames, value), std::vector<float>(frames, value)};
}

using ProgramLoad = PluginTest;

// The solo and global a chunk brought belong to that load: a later program load keeps the
// current pattern's own and what the user changed since.
TEST_F(ProgramLoad, ChunkSoloIsNotBroughtBackByALaterProgramLoad) {
    auto p = preset();
    p[kPatternSolo] = 3; // pattern 1: the shuffler soloed
    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
    host().setParameter(2, 1.0f / 15.0f); // pattern 2
    host().setProgram(0);
    EXPECT_EQ(preset()[kPatternSolo + 1], 0xFF);
    EXPECT_EQ(preset()[kPatternSolo], 3);

    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
    host().setParameter(kSoloShuffler, 0.0f);
    host().setProgram(0);
    EXPECT_EQ(preset()[kPatternSolo], 0xFF);
    EXPECT_EQ(host().getParameter(kSoloShuffler), 0.0f);
}

// A program saved running free plays with the host stopped from the moment it is loaded, and
// one saved following the transport stops again; no editor is involved.
TEST_F(ProgramLoad, SavedFreeRunTakesEffectOnLoad) {
    auto p = preset();
    p[kPatternSolo] = 5;                                  // the crusher on every event…
    setFloatAt(p, state::EffectBlockOffset(5) + 4, 0.0f); // …at volume 0
    p[kIgnoreTransport] = 1;
    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
    host().timeline().playing = false;
    auto out = host().processSignal(dc(4096, 0.25f), 512);
    EXPECT_LT(std::fabs(out.left[4000]), 1e-6f); // the sequencer runs: the crusher silences

    p[kIgnoreTransport] = 0;
    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
    out = host().processSignal(dc(4096, 0.25f), 512);
    EXPECT_EQ(out.left[4000], 0.25f); // stopped: the input passes
}

// With the envelope at level 0 over no length, only the de-click windows at event edges let
// the input through. A tempo that moves every block must keep them as a steady tempo has them:
// a tied step once made the running event's length 0, so the envelope let everything through.
TEST_F(ProgramLoad, TempoAutomationKeepsTheStepEnvelopeOnTiedSteps) {
    const auto loudSamples = [](bool wobble) {
        tools::TestHost host(FRAKLE_PLUGIN_PATH);
        host.open();
        host.setParameter(state::FindParamByLabel("FraklAmt"), 0.0f);
        host.setParameter(state::FindParamByLabel("EnvLevel"), 0.0f);
        host.setParameter(state::FindParamByLabel("EnvLngth"), 0.0f);
        host.timeline().playing = true;
        const auto in = dc(512, 0.5f);
        int loud = 0;
        for (int block = 0; block < 172; ++block) {
            host.timeline().tempo = wobble && block % 2 == 1 ? 120.5 : 120.0;
            tools::StereoSignal out{std::vector<float>(512), std::vector<float>(512)};
            host.processReplacing(in.left, in.right, out.left, out.right);
            host.timeline().advance(512);
            for (const float x : out.left) {
                loud += std::fabs(x) > 0.1f ? 1 : 0;
            }
        }
        return loud;
    };
    const int steady = loudSamples(false);
    EXPECT_GT(steady, 0);
    EXPECT_LT(loudSamples(true), steady + steady / 10); // 2,893 against 2,785 (was 68,281)
}

} // namespace
} // namespace frakle::plugin_tests
