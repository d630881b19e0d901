// What parameter changes, the trigger buttons, programs and MIDI learn do inside the model.
#include "PluginHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <tuple>
#include <utility>

namespace frakle::state {
namespace {

constexpr int kRetrigger = 2;

double fixedClock() { return 25569.0 + 1000.0 / 864000.0; } // tenth of a second 1000

TEST(EffectChoice, WeightsFollowProbabilitiesAndTheOverallAmount) {
    PluginHarness h;
    engine::TEngine &engine = h.plugin().engine();
    for (int e = 0; e < 9; ++e) {
        EXPECT_EQ(engine.weight(e), 50) << e; // probability 0.5 at full amount
    }
    EXPECT_EQ(engine.weight(9), 0);

    h.plugin().setParameter(kFraklAmt, 0.0f);
    EXPECT_EQ(std::tuple(engine.weight(0), engine.weight(9)), std::tuple(0, 900));

    for (int e = 0; e < 9; ++e) {
        h.plugin().setParameter(kFirstEffectParam + 7 * e, 1.0f);
    }
    h.plugin().setParameter(kFraklAmt, 0.5f);
    EXPECT_EQ(std::tuple(engine.weight(4), engine.weight(9)), std::tuple(50, 450));
    engine.buildRandomPool();
    EXPECT_EQ(std::tuple(engine.poolSize(), engine.poolEntry(0), engine.poolEntry(899)),
              std::tuple(900, 0, 9));

    // Nothing to choose from: the pool falls back to "no effect".
    for (int e = 0; e < 9; ++e) {
        h.plugin().setParameter(kFirstEffectParam + 7 * e, 0.0f);
    }
    h.plugin().setParameter(kFraklAmt, 1.0f);
    engine.buildRandomPool();
    EXPECT_EQ(std::tuple(engine.poolSize(), engine.poolEntry(0)), std::tuple(1, 9));
}

TEST(OrderRules, LoopPointsAndSliceSizesStayInOrder) {
    PluginHarness h;
    h.plugin().setParameter(7, 0.8f); // "RevLeft" above "RevRight" 0.5
    EXPECT_EQ(h.recorded(8), 0.8f);
    ASSERT_FALSE(PluginHarness::sent().empty());
    EXPECT_EQ(PluginHarness::sent().back().index, 8); // the host hears of the move
    h.plugin().setParameter(8, 0.3f);                 // "RevRight" below "RevLeft"
    EXPECT_EQ(h.recorded(7), 0.3f);
    h.plugin().setParameter(17, 0.1f); // "ShuflMax" below "ShuflMin" 0.72
    EXPECT_EQ(h.recorded(16), 0.1f);
    h.plugin().setParameter(16, 0.9f);
    EXPECT_EQ(h.recorded(17), 0.9f);
}

TEST(TriggerButtons, RandomiseFromTheClockAndReturnToZero) {
    PluginHarness h;
    h.plugin().setWallClock(fixedClock);
    const uint32_t engineSeed = h.plugin().engine().random().seed();
    const float tapeProbability = h.recorded(37);

    h.plugin().setParameter(kFirstRandFx + kRetrigger, 0.3f);
    h.plugin().setParameter(kFirstRandFx + kRetrigger, 0.5f);
    EXPECT_EQ(h.recorded(6), 0.2f); // untouched

    const auto expectRecorded = [&h](std::initializer_list<std::pair<int32_t, float>> values) {
        for (const auto &[index, value] : values) {
            EXPECT_FLOAT_EQ(h.recorded(index), value) << index;
        }
    };
    h.plugin().setParameter(kFirstRandFx + kRetrigger, 0.7f);
    expectRecorded({{6, 0.37993929f}, {20, 0.69990766f}, {21, 0.39354637f}, {123, 0.54288304f}});
    EXPECT_EQ(h.plugin().getParameter(kFirstRandFx + kRetrigger), 0.0f);
    EXPECT_EQ(PluginHarness::sent().back().index, kFirstRandFx + kRetrigger);
    EXPECT_EQ(PluginHarness::sent().back().value, 0.0f);

    // The same tenth of a second gives the same values; pairs come out in order by themselves.
    h.plugin().setParameter(kFirstRandFx + 3, 1.0f); // shuffler
    expectRecorded({{16, 0.37993929f}, {17, 0.81392449f}, {18, 0.57548243f}, {121, 0.68001813f}});
    h.plugin().setParameter(kFirstRandFx + 4, 1.0f); // reverser
    expectRecorded({{7, 0.18996964f}, {8, 0.75691611f}});

    // Neither the engine's sequence nor the effect's probability, filter or mix moved.
    EXPECT_EQ(h.plugin().engine().random().seed(), engineSeed);
    EXPECT_EQ(h.recorded(37), tapeProbability);
}

TEST(TriggerButtons, InitialiseRestoresAnEffectsOwnDefaults) {
    PluginHarness h;
    h.plugin().setParameter(12, 0.9f);  // "DelaySiz"
    h.plugin().setParameter(128, 0.6f); // "DelayFin"
    h.plugin().setParameter(90, 0.1f);  // "DelayMix" is not the delay's own
    h.plugin().setParameter(kFirstInitFx + 7, 1.0f);
    EXPECT_EQ(std::tuple(h.recorded(12), h.recorded(128), h.recorded(90)),
              std::tuple(0.04f, 0.0f, 0.1f));
    EXPECT_EQ(h.plugin().getParameter(kFirstInitFx + 7), 0.0f);
}

TEST(SoloAndGlobal, OneEffectNeverHoldsBoth) {
    PluginHarness h;
    engine::TEngine &engine = h.plugin().engine();
    h.plugin().setParameter(kFirstGlobal + 5, 1.0f); // "G> Crush"
    EXPECT_EQ(engine.pendingGlobal(), 5);
    h.plugin().setParameter(kFirstSolo + 5, 1.0f); // "S> Crush" clears the global
    EXPECT_EQ(std::tuple(engine.soloEffect(), engine.pendingGlobal()), std::tuple(5, -1));
    EXPECT_EQ(static_cast<int8_t>(h.plugin().record().patternGlobal[0]), -1);

    h.plugin().solo(5, false); // the editor's toggle
    EXPECT_EQ(engine.soloEffect(), -1);
    h.plugin().global(3, false);
    h.plugin().global(3, false);
    EXPECT_EQ(engine.pendingGlobal(), -1);
    EXPECT_NE(h.plugin().takeEditorRequests() & kRefreshSoloSwitches, 0u);
}

TEST(ParameterValues, NotANumberChangesNothing) {
    PluginHarness h;
    h.plugin().setParameter(3, 0.25f);
    PluginHarness::sent().clear();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    h.plugin().setParameter(3, nan);
    h.plugin().setParameterAutomated(3, nan);
    h.plugin().setParameter(kPattern, nan);
    h.plugin().setParameter(kFirstSolo, nan);
    EXPECT_EQ(std::tuple(h.recorded(3), h.plugin().getParameter(3)), std::tuple(0.25f, 0.25f));
    EXPECT_TRUE(PluginHarness::sent().empty());
}

TEST(MidiLearn, ALearnBindsAndMovesTheParameterInOneMessage) {
    PluginHarness h;
    APlugin &plugin = h.plugin();
    EXPECT_EQ(plugin.GetMidiLearnTarget(), -1);
    h.midi(0xB0, 7, 64); // no learn armed: a controller changes nothing
    EXPECT_EQ(plugin.record().ccMap[7], -1);

    plugin.SetMidiLearnTarget(45); // the "RetrgSpd" knob
    plugin.takeEditorRequests();
    h.midi(0xB0, 20, 127);
    EXPECT_EQ(std::tuple(plugin.record().ccMap[20], h.recorded(6), plugin.GetMidiLearnTarget()),
              std::tuple(6, 1.0f, -1));
    EXPECT_NE(plugin.takeEditorRequests() & kHideLearnMarkers, 0u);

    plugin.SetMidiLearnTarget(45);
    h.midi(0xB0, 21, 0); // the same knob on another controller
    EXPECT_EQ(std::tuple(plugin.record().ccMap[20], plugin.record().ccMap[21]), std::tuple(-1, 6));
    plugin.ForgetMidiLearn(45);
    EXPECT_EQ(plugin.record().ccMap[21], -1);

    // MIDI switched off: nothing acts, and an armed learn stays armed.
    plugin.SetMidiEnabled(false);
    plugin.SetMidiLearnTarget(89);
    h.midi(0xB0, 22, 100);
    h.midi(0x90, 50, 100);
    EXPECT_EQ(
        std::tuple(plugin.GetMidiLearnTarget(), plugin.record().ccMap[22], plugin.currentPattern()),
        std::tuple(89, -1, 0));
}

TEST(ProgramLoad, StoredQModesReachTheFilters) {
    PluginHarness h;
    std::vector<uint8_t> bytes(sizeof(TProgramRecord));
    TProgramRecord rec = MakeDefaultRecord();
    rec.filterQMode[0] = 1;
    rec.filterQMode[1 + kRetrigger] = 1;
    std::memcpy(bytes.data(), &rec, sizeof rec);
    ASSERT_EQ(h.plugin().setChunk(bytes.data(), 2800, true), 2800);
    EXPECT_TRUE(h.plugin().engine().masterFilter().resonant());
    EXPECT_TRUE(h.plugin().engine().effectFilter(kRetrigger).resonant());
    EXPECT_FALSE(h.plugin().engine().effectFilter(0).resonant());
}

TEST(ProgramLoad, DamagedValuesFallBackToDefaults) {
    PluginHarness h;
    TProgramRecord rec = MakeDefaultRecord();
    rec.masterVolume = std::numeric_limits<float>::quiet_NaN();
    rec.masterMix = 7.0f;
    ASSERT_EQ(h.plugin().setChunk(&rec, 2800, true), 2800);
    EXPECT_EQ(std::tuple(h.plugin().record().masterVolume, h.plugin().record().masterMix),
              std::tuple(1.0f, 1.0f));
}

TEST(ProgramLoad, AShorterPatternTakesItsOwnLengthAtTheNextEvent) {
    PluginHarness h;
    h.play(64);
    EXPECT_EQ(h.plugin().engine().sequenceLength(), 352800);
    TProgramRecord rec = MakeDefaultRecord();
    rec.stepCount = 16;
    ASSERT_EQ(h.plugin().setChunk(&rec, 2800, true), 2800);
    h.play(64, 1.0); // step 4, a coded step: an event starts
    EXPECT_EQ(h.plugin().engine().sequenceLength(), 88200);
}

TEST(Envelope, FadesEachEventToItsLevel) {
    PluginHarness h;
    h.plugin().setParameter(28, 0.0f); // "EnvLngth": the shortest ramp
    h.plugin().setParameter(29, 0.0f); // "EnvLevel": down to silence
    h.plugin().setParameter(kPattern, 0.0f);
    std::vector<float> l(2000, 0.5f), r(2000, 0.5f);
    float *io[2] = {l.data(), r.data()};
    engine::BlockTiming timing{44100.0, 120.0, true, 0.0, true};
    h.plugin().engine().processBlock(timing, io, io, 2000, false);
    EXPECT_EQ(h.plugin().engine().envelopeLength(), 882); // 0.02 × 2 × 22050
    EXPECT_NEAR(l[441], 0.25f, 1e-3f);                    // half-way down the ramp
    EXPECT_EQ(l[1000], 0.0f);
}

// Host automation and a MIDI note switching patterns at the same moment: one switch wins and
// the engine's steps are those of the pattern the record names, never a mix of two.
TEST(Concurrency, SimultaneousPatternSwitchesNeverMixTwoPatterns) {
    PluginHarness h;
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
}

} // namespace
} // namespace frakle::state
