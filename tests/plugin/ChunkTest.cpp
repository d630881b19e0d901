// Saved state: preset and bank chunks as a host stores them in its projects, and what a load
// does with odd or hostile bytes.
#include "PluginFixture.h"

namespace frakle::plugin_tests {
namespace {

using Chunks = PluginTest;

TEST_F(Chunks, BankRoundTripReproducesEveryByte) {
    host().setParameter(1, 0.3f);
    host().setParameter(2, 9.0f / 15.0f);
    host().setParameter(103, 1.0f);
    host().setProgramName("Saved");
    auto saved = bank();
    saved[4 + 1806] = 0x5A; // reserved bytes travel unchanged
    saved[4 + 2232 + 100] = 0xA5;
    setFloatAt(saved, 4 + 80, 0.125f);

    tools::TestHost other(FRAKLE_PLUGIN_PATH);
    EXPECT_EQ(other.setChunk(saved, tools::ChunkKind::Bank), static_cast<intptr_t>(saved.size()));
    EXPECT_EQ(other.getChunk(tools::ChunkKind::Bank), saved);
    EXPECT_EQ(other.getParameter(1), 0.3f);
    EXPECT_EQ(other.programName(), "Saved");
    EXPECT_EQ(other.paramDisplay(2), "10.00");
}

TEST_F(Chunks, LoadedPatternBringsItsSoloAndGlobal) {
    auto p = preset();
    p[kCurrentPattern] = 5;
    p[kPatternSolo + 5] = 3;
    p[kPatternGlobal + 5] = 7;
    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
    const auto after = preset();
    EXPECT_EQ(after[kCurrentPattern], 5);
    EXPECT_EQ(after[kPatternSolo + 5], 3);
    EXPECT_EQ(after[kPatternGlobal + 5], 7);
    EXPECT_EQ(host().paramDisplay(2), "6.00");
}

TEST_F(Chunks, PatternNumberBeyondTheBankEndsOnTheLastPattern) {
    auto p = preset();
    p[kCurrentPattern] = 20;
    p[kPatternSolo + 15] = 2;
    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
    EXPECT_EQ(preset()[kCurrentPattern], 15);
    EXPECT_EQ(host().getParameter(2), 1.0f);
}

TEST_F(Chunks, LongerChunksKeepTheirExtraBytes) {
    auto p = preset();
    p.resize(3000);
    for (size_t i = 2800; i < 3000; ++i) {
        p[i] = static_cast<uint8_t>(i);
    }
    ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 3000);
    EXPECT_EQ(preset(), p);
    const auto b = bank();
    ASSERT_EQ(b.size(), 3004u);
    EXPECT_EQ(b[0], 0xB8);
    EXPECT_EQ(b[1], 0x0B);
}

TEST_F(Chunks, ChunksThatCannotHoldAProgramAreRefused) {
    host().setParameter(3, 0.4f);
    const auto before = preset();
    auto shortPreset = before;
    shortPreset.resize(2799);
    EXPECT_EQ(host().setChunk(shortPreset, tools::ChunkKind::Preset), 0);
    EXPECT_EQ(host().setChunk({}, tools::ChunkKind::Preset), 0);

    auto b = bank();
    EXPECT_EQ(
        host().setChunk(std::vector<uint8_t>(b.begin(), b.begin() + 3), tools::ChunkKind::Bank), 0);
    auto promisesMore = b;
    promisesMore[0] = 0xF1; // 2801 bytes announced, 2800 follow
    EXPECT_EQ(host().setChunk(promisesMore, tools::ChunkKind::Bank), 0);
    auto huge = b;
    huge[3] = 0xFF;
    EXPECT_EQ(host().setChunk(huge, tools::ChunkKind::Bank), 0);
    auto tooShort = b;
    tooShort[0] = 0x10; // 2576 bytes: not a whole program
    tooShort[1] = 0x0A;
    EXPECT_EQ(host().setChunk(tooShort, tools::ChunkKind::Bank), 0);

    EXPECT_EQ(host().dispatch(vst2::effSetChunk, 1, 2800, nullptr), 0);
    EXPECT_EQ(host().dispatch(vst2::effSetChunk, 1, -5, b.data()), 0);
    EXPECT_EQ(host().dispatch(vst2::effGetChunk, 1, 0, nullptr), 0);
    EXPECT_EQ(preset(), before);
    EXPECT_EQ(host().getParameter(3), 0.4f);
}

TEST_F(Chunks, OddStepCountsAreKeptAsSaved) {
    for (uint8_t steps : {0, 1, 65, 200}) {
        auto p = preset();
        p[kStepCount] = steps;
        ASSERT_EQ(host().setChunk(p, tools::ChunkKind::Preset), 2800);
        EXPECT_EQ(preset()[kStepCount], steps);
        std::vector<float> silence(256);
        std::vector<float> outL(256), outR(256);
        host().timeline().playing = true;
        host().processReplacing(silence, silence, outL, outR);
    }
}

} // namespace
} // namespace frakle::plugin_tests
