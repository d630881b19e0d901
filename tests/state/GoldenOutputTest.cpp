// The engine's output, bit for bit, in a range of settings: any change to the audio path that is
// meant to leave the sound alone (an optimisation, a refactoring) must keep these hashes.
// A change that is meant to alter the sound updates them, and says so in its commit.
#include "engine/Denormals.h"
#include "engine/Engine.h"
#include "state/uPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <utility>
#include <vector>

namespace frakle::state {
namespace {

intptr_t quietHost(vst2::AEffect *, int32_t opcode, int32_t, intptr_t, void *, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// A beat of kick (sine sweep) and noise hats, one bar long at the given tempo, then repeated.
std::vector<float> DrumBar(double rate, double tempo, int channel) {
    const auto beat = static_cast<int32_t>(std::lround(rate * 60.0 / tempo));
    std::vector<float> out(static_cast<size_t>(beat) * 4);
    uint32_t seed = 0x1234567u + static_cast<uint32_t>(channel);
    for (size_t i = 0; i < out.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float noise = static_cast<float>(static_cast<int32_t>(seed)) * (1.0f / 2147483648.0f);
        const double t = static_cast<double>(static_cast<int32_t>(i) % beat) / rate;
        const double phase =
            2.0 * std::numbers::pi * (45.0 * t + 3.5 * (1.0 - std::exp(-30.0 * t)));
        const double th = static_cast<double>((static_cast<int32_t>(i) + beat / 2) % beat) / rate;
        out[i] = static_cast<float>(0.8 * std::sin(phase) * std::exp(-6.0 * t) +
                                    0.3 * std::exp(-60.0 * th) * noise);
    }
    return out;
}

struct Render {
    double rate = 44100.0;
    double tempo = 120.0;
    int32_t block = 512;
    double seconds = 3.0;
    std::function<void(APlugin &)> setup = [](APlugin &) {};
    // Called before each block with the block's index; may change parameters or send MIDI.
    std::function<void(APlugin &, int)> perBlock = [](APlugin &, int) {};
    std::function<bool(int)> playing = [](int) { return true; };
};

// FNV-1a over the output's bits, left and right interleaved.
uint64_t Hash(const Render &r) {
    APlugin plugin(&quietHost);
    plugin.setSampleRate(static_cast<float>(r.rate));
    r.setup(plugin);
    const std::vector<float> loopL = DrumBar(r.rate, r.tempo, 0);
    const std::vector<float> loopR = DrumBar(r.rate, r.tempo, 1);
    const auto total = static_cast<int64_t>(r.seconds * r.rate);
    std::vector<float> inL(static_cast<size_t>(r.block)), inR(inL.size());
    std::vector<float> outL(inL.size()), outR(inL.size());
    uint64_t hash = 1469598103934665603ULL;
    double ppq = 0.0;
    int64_t done = 0;
    for (int index = 0; done < total; ++index) {
        const auto frames = static_cast<int32_t>(std::min<int64_t>(r.block, total - done));
        for (int32_t i = 0; i < frames; ++i) {
            const size_t at = static_cast<size_t>(done + i) % loopL.size();
            inL[static_cast<size_t>(i)] = loopL[at];
            inR[static_cast<size_t>(i)] = loopR[at];
        }
        r.perBlock(plugin, index);
        float *const inputs[2] = {inL.data(), inR.data()};
        float *const outputs[2] = {outL.data(), outR.data()};
        {
            const engine::ScopedFlushDenormals noDenormals;
            plugin.engine().processBlock(
                engine::BlockTiming{r.rate, r.tempo, true, ppq, r.playing(index)}, inputs, outputs,
                frames, false);
        }
        for (int32_t i = 0; i < frames; ++i) {
            for (const float x : {outL[static_cast<size_t>(i)], outR[static_cast<size_t>(i)]}) {
                uint32_t bits;
                std::memcpy(&bits, &x, 4);
                for (int b = 0; b < 4; ++b) {
                    hash = (hash ^ ((bits >> (8 * b)) & 0xFFu)) * 1099511628211ULL;
                }
            }
        }
        ppq += frames * (r.tempo / 60.0) / r.rate;
        done += frames;
    }
    return hash;
}

void Solo(APlugin &p, int effect) { p.setParameter(100 + effect, 1.0f); }
void Global(APlugin &p, int effect) { p.setParameter(109 + effect, 1.0f); }

// Every filter on, Q mode B, overdrive, soft clipping and the step envelope.
void Everything(APlugin &p, float filterType) {
    p.setParameter(32, filterType); // "MstFltTp"
    for (int e = 0; e < 9; ++e) {
        p.setParameter(38 + 7 * e, filterType);
    }
    for (int i = 0; i < 10; ++i) {
        p.SetFilterMode(i, true);
    }
    p.setParameter(31, 0.5f); // "OdrvGain"
    p.StoreClippingMode(2);
    p.setParameter(29, 0.5f); // "EnvLevel"
}

void midi(APlugin &p, uint8_t status, uint8_t data1, uint8_t data2) {
    const host::MidiMessage message{0, {status, data1, data2}};
    p.processEvents(&message, 1);
}

TEST(GoldenOutput, DefaultProgramAndEachEffect) {
    EXPECT_EQ(Hash({}), 778939445291547376ULL);
    EXPECT_EQ(Hash({.setup = [](APlugin &p) { p.setParameter(1, 0.0f); }}), 9537012117817713580ULL);
    const uint64_t solo[9] = {
        10678603598339147097ULL, 1048067483739675593ULL,  11835666462891653023ULL,
        2041545419166806486ULL,  13775117287850011087ULL, 13641680327915109103ULL,
        16164514884971225134ULL, 17240717809089456354ULL, 15745876959222917047ULL};
    const uint64_t global[9] = {
        9119076211509654444ULL,  3829115705997937815ULL,  10045983516299688574ULL,
        16915728201700350839ULL, 5951715746181694703ULL,  13998933509370055833ULL,
        17051051316900043292ULL, 18173971817120993737ULL, 7228648933884066786ULL};
    for (int e = 0; e < 9; ++e) {
        EXPECT_EQ(Hash({.setup = [e](APlugin &p) { Solo(p, e); }}), solo[e]) << "solo " << e;
        EXPECT_EQ(Hash({.setup = [e](APlugin &p) { Global(p, e); }}), global[e]) << "global " << e;
    }
}

TEST(GoldenOutput, EverythingOnAtRatesAndBlocks) {
    auto worst = [](APlugin &p) {
        Solo(p, 2);
        Global(p, 7);
        Everything(p, 0.25f);
    };
    EXPECT_EQ(Hash({.setup = worst}), 3031088714507801109ULL);
    EXPECT_EQ(Hash({.block = 1, .seconds = 1.0, .setup = worst}), 11331908025020289293ULL);
    EXPECT_EQ(Hash({.rate = 96000.0, .tempo = 97.0, .block = 4096, .setup = worst}),
              3128223944866213452ULL);
    EXPECT_EQ(Hash({.rate = 8000.0, .tempo = 174.0, .block = 100, .setup = worst}),
              12150794931678659147ULL);
    const std::pair<float, uint64_t> types[] = {{0.5f, 1000595306711338586ULL},
                                                {0.75f, 10108260895980637767ULL},
                                                {1.0f, 1416485116169922779ULL}};
    for (const auto &[type, hash] : types) {
        EXPECT_EQ(Hash({.setup =
                            [type](APlugin &p) {
                                Solo(p, 7);
                                Global(p, 1);
                                Everything(p, type);
                            }}),
                  hash)
            << "filter type " << type;
    }
}

TEST(GoldenOutput, ChangesWhilePlaying) {
    // The delay's time and feedback, filter cutoffs and the master section move
    // between blocks; MIDI switches patterns; the transport stops and starts.
    EXPECT_EQ(Hash({.seconds = 4.0,
                    .setup =
                        [](APlugin &p) {
                            Global(p, 7);
                            p.StoreClippingMode(1);
                        },
                    .perBlock =
                        [](APlugin &p, int i) {
                            const float t = static_cast<float>(i % 64) / 64.0f;
                            p.setParameter(12, t);        // "DelaySiz"
                            p.setParameter(26, 1.0f - t); // "DlyFedBk"
                            p.setParameter(33, t);        // "MstFltCt"
                            p.setParameter(32, i < 200 ? 0.5f : 0.0f);
                            p.setParameter(87, 0.5f);     // "Delay FT"
                            p.setParameter(88, 1.0f - t); // "Delay FC"
                            if (i % 50 == 25) {
                                midi(p, 0x90, static_cast<uint8_t>(48 + (i / 50) % 16), 100);
                            }
                        },
                    .playing = [](int i) { return i % 100 < 80; }}),
              3728211243768027368ULL);
    const std::pair<float, uint64_t> seeds[] = {{0.1f, 582790851072586760ULL},
                                                {0.7f, 4621664933154217397ULL}};
    for (const auto &[seed, hash] : seeds) {
        EXPECT_EQ(Hash({.setup = [seed](APlugin &p) { p.setParameter(0, seed); }}), hash)
            << "seed " << seed;
    }
}

} // namespace
} // namespace frakle::state
