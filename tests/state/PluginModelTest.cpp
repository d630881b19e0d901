// What parameter changes, the trigger buttons, programs and MIDI learn do inside the model.
#include "state/ParameterTable.h"
#include "state/uPlugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>
#include <tuple>
#include <utility>

namespace frakle::state {
namespace {

constexpr int kRetrigger = 2;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A plug-in object made directly, with a host callback that records automation.
struct PluginHarness {
    using Values = std::initializer_list<std::pair<int32_t, float>>;
    struct Automated {
        int32_t index;
        float value;
    };
    static inline std::vector<Automated> sent;
    APlugin p{[](vst2::AEffect *, int32_t opcode, int32_t index, intptr_t, void *,
                 float opt) -> intptr_t {
        if (opcode == vst2::audioMasterAutomate) {
            sent.push_back({index, opt});
        }
        return opcode == vst2::audioMasterVersion ? 2400 : 0;
    }};
    engine::TEngine &engine = p.engine();

    PluginHarness() { sent.clear(); }
    float recorded(int32_t index) { return FloatAt(p.record(), kParamTable[index].recordOffset); }
    void set(Values values) {
        for (const auto &[index, value] : values) {
            p.setParameter(index, value);
        }
    }
    void expectRecorded(Values values) {
        for (const auto &[index, value] : values) {
            EXPECT_FLOAT_EQ(recorded(index), value) << index;
        }
    }
    void midi(uint8_t status, uint8_t data1, uint8_t data2) {
        const host::MidiMessage message{0, {status, data1, data2}};
        p.processEvents(&message, 1);
    }
    // Plays `frames` frames of a constant input with the transport running; the left channel.
    std::vector<float> play(int32_t frames, double ppq = 0.0, float level = 0.0f) {
        std::vector<float> l(static_cast<size_t>(frames), level), r = l;
        float *io[2] = {l.data(), r.data()};
        engine::BlockTiming timing{44100.0, 120.0, true, ppq, true};
        engine.processBlock(timing, io, io, frames, false);
        return l;
    }
    // A program record loaded as a preset chunk.
    bool load(const TProgramRecord &rec) { return p.setChunk(&rec, 2800, true) == 2800; }
    void probabilities(float value) {
        for (int e = 0; e < 9; ++e) {
            p.setParameter(kFirstEffectParam + 7 * e, value);
        }
    }
};

TEST(EffectChoice, WeightsFollowProbabilitiesAndTheOverallAmount) {
    PluginHarness h;
    for (int e = 0; e < 9; ++e) {
        EXPECT_EQ(h.engine.weight(e), 50) << e; // probability 0.5 at full amount
    }
    EXPECT_EQ(h.engine.weight(9), 0);
    h.set({{kFraklAmt, 0.0f}});
    EXPECT_EQ(std::tuple(h.engine.weight(0), h.engine.weight(9)), std::tuple(0, 900));
    h.probabilities(1.0f);
    h.set({{kFraklAmt, 0.5f}});
    EXPECT_EQ(std::tuple(h.engine.weight(4), h.engine.weight(9)), std::tuple(50, 450));
    h.engine.buildRandomPool();
    EXPECT_EQ(std::tuple(h.engine.poolSize(), h.engine.poolEntry(0), h.engine.poolEntry(899)),
              std::tuple(900, 0, 9));
    // Nothing to choose from: the pool falls back to "no effect".
    h.probabilities(0.0f);
    h.set({{kFraklAmt, 1.0f}});
    h.engine.buildRandomPool();
    EXPECT_EQ(std::tuple(h.engine.poolSize(), h.engine.poolEntry(0)), std::tuple(1, 9));
}

TEST(OrderRules, LoopPointsAndSliceSizesStayInOrder) {
    PluginHarness h;
    h.set({{7, 0.8f}}); // "RevLeft" above "RevRight" 0.5
    EXPECT_EQ(h.recorded(8), 0.8f);
    ASSERT_FALSE(h.sent.empty());
    EXPECT_EQ(h.sent.back().index, 8); // the host hears of the move
    h.set({{8, 0.3f}});                // "RevRight" below "RevLeft"
    EXPECT_EQ(h.recorded(7), 0.3f);
    h.set({{17, 0.1f}}); // "ShuflMax" below "ShuflMin" 0.72
    EXPECT_EQ(h.recorded(16), 0.1f);
    h.set({{16, 0.9f}});
    EXPECT_EQ(h.recorded(17), 0.9f);
}

TEST(TriggerButtons, RandomiseFromTheClockAndReturnToZero) {
    PluginHarness h;
    h.p.setWallClock([] { return 25569.0 + 1000.0 / 864000.0; }); // tenth of a second 1000
    const uint32_t engineSeed = h.engine.random().seed();
    const float tapeProbability = h.recorded(37);
    h.set({{kFirstRandFx + kRetrigger, 0.3f}, {kFirstRandFx + kRetrigger, 0.5f}});
    EXPECT_EQ(h.recorded(6), 0.2f); // untouched
    h.set({{kFirstRandFx + kRetrigger, 0.7f}});
    h.expectRecorded({{6, 0.37993929f}, {20, 0.69990766f}, {21, 0.39354637f}, {123, 0.54288304f}});
    EXPECT_EQ(h.p.getParameter(kFirstRandFx + kRetrigger), 0.0f);
    EXPECT_EQ(std::tuple(h.sent.back().index, h.sent.back().value),
              std::tuple(kFirstRandFx + kRetrigger, 0.0f));
    // The same tenth of a second gives the same values; pairs come out in order by themselves.
    h.set({{kFirstRandFx + 3, 1.0f}}); // shuffler
    h.expectRecorded({{16, 0.37993929f}, {17, 0.81392449f}, {18, 0.57548243f}, {121, 0.68001813f}});
    h.set({{kFirstRandFx + 4, 1.0f}}); // reverser
    h.expectRecorded({{7, 0.18996964f}, {8, 0.75691611f}});
    // Neither the engine's sequence nor the effect's probability, filter or mix moved.
    EXPECT_EQ(h.engine.random().seed(), engineSeed);
    EXPECT_EQ(h.recorded(37), tapeProbability);
}

TEST(TriggerButtons, InitialiseRestoresAnEffectsOwnDefaults) {
    PluginHarness h;
    // "DelaySiz", "DelayFin" and "DelayMix", which is not the delay's own.
    h.set({{12, 0.9f}, {128, 0.6f}, {90, 0.1f}, {kFirstInitFx + 7, 1.0f}});
    h.expectRecorded({{12, 0.04f}, {128, 0.0f}, {90, 0.1f}});
    EXPECT_EQ(h.p.getParameter(kFirstInitFx + 7), 0.0f);
}

TEST(SoloAndGlobal, OneEffectNeverHoldsBoth) {
    PluginHarness h;
    h.set({{kFirstGlobal + 5, 1.0f}}); // "G> Crush"
    EXPECT_EQ(h.engine.pendingGlobal(), 5);
    h.set({{kFirstSolo + 5, 1.0f}}); // "S> Crush" clears the global
    EXPECT_EQ(std::tuple(h.engine.soloEffect(), h.engine.pendingGlobal(),
                         static_cast<int8_t>(h.p.record().patternGlobal[0])),
              std::tuple(5, -1, -1));
    h.p.solo(5, false); // the editor's toggle
    EXPECT_EQ(h.engine.soloEffect(), -1);
    h.p.global(3, false);
    h.p.global(3, false);
    EXPECT_EQ(h.engine.pendingGlobal(), -1);
    EXPECT_NE(h.p.takeEditorRequests() & kRefreshSoloSwitches, 0u);
}

TEST(MidiLearn, ALearnBindsAndMovesTheParameterInOneMessage) {
    PluginHarness h;
    const auto &ccMap = h.p.record().ccMap;
    EXPECT_EQ(h.p.GetMidiLearnTarget(), -1);
    h.midi(0xB0, 7, 64); // no learn armed: a controller changes nothing
    EXPECT_EQ(ccMap[7], -1);
    h.p.SetMidiLearnTarget(45); // the "RetrgSpd" knob
    h.p.takeEditorRequests();
    h.midi(0xB0, 20, 127);
    EXPECT_EQ(std::tuple(ccMap[20], h.recorded(6), h.p.GetMidiLearnTarget()),
              std::tuple(6, 1.0f, -1));
    EXPECT_NE(h.p.takeEditorRequests() & kHideLearnMarkers, 0u);
    h.p.SetMidiLearnTarget(45);
    h.midi(0xB0, 21, 0); // the same knob on another controller
    EXPECT_EQ(std::tuple(ccMap[20], ccMap[21]), std::tuple(-1, 6));
    h.p.ForgetMidiLearn(45);
    EXPECT_EQ(ccMap[21], -1);
    // MIDI switched off: nothing acts, and an armed learn stays armed.
    h.p.SetMidiEnabled(false);
    h.p.SetMidiLearnTarget(89);
    h.midi(0xB0, 22, 100);
    h.midi(0x90, 50, 100);
    EXPECT_EQ(std::tuple(h.p.GetMidiLearnTarget(), ccMap[22], h.p.currentPattern()),
              std::tuple(89, -1, 0));
}

TEST(ProgramLoad, StoredQModesReachTheFilters) {
    PluginHarness h;
    TProgramRecord rec = MakeDefaultRecord();
    rec.filterQMode[0] = rec.filterQMode[1 + kRetrigger] = 1;
    ASSERT_TRUE(h.load(rec));
    EXPECT_EQ(std::tuple(h.engine.masterFilter().resonant(),
                         h.engine.effectFilter(kRetrigger).resonant(),
                         h.engine.effectFilter(0).resonant()),
              std::tuple(true, true, false));
}

TEST(ProgramLoad, DamagedValuesFallBackToDefaults) {
    PluginHarness h;
    TProgramRecord rec = MakeDefaultRecord();
    rec.masterVolume = kNaN;
    rec.masterMix = 7.0f;
    ASSERT_TRUE(h.load(rec));
    EXPECT_EQ(std::tuple(h.p.record().masterVolume, h.p.record().masterMix),
              std::tuple(1.0f, 1.0f));
}

TEST(ProgramLoad, AShorterPatternTakesItsOwnLengthAtTheNextEvent) {
    PluginHarness h;
    h.play(64);
    EXPECT_EQ(h.engine.sequenceLength(), 352800);
    TProgramRecord rec = MakeDefaultRecord();
    rec.stepCount = 16;
    ASSERT_TRUE(h.load(rec));
    h.play(64, 1.0); // step 4, a coded step: an event starts
    EXPECT_EQ(h.engine.sequenceLength(), 88200);
}

TEST(Envelope, FadesEachEventToItsLevel) {
    PluginHarness h;
    // "EnvLngth": the shortest ramp; "EnvLevel": down to silence.
    h.set({{28, 0.0f}, {29, 0.0f}, {kPattern, 0.0f}});
    const std::vector<float> l = h.play(2000, 0.0, 0.5f);
    EXPECT_EQ(h.engine.envelopeLength(), 882); // 0.02 × 2 × 22050
    EXPECT_NEAR(l[441], 0.25f, 1e-3f);         // half-way down the ramp
    EXPECT_EQ(l[1000], 0.0f);
}

// Host automation and a MIDI note switching patterns at the same moment: one switch wins and
// the engine's steps are those of the pattern the record names, never a mix of two.
TEST(Concurrency, SimultaneousPatternSwitchesNeverMixTwoPatterns) {
    PluginHarness h;
    APlugin &plugin = h.p;
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
