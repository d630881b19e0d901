// The engine's output and the sequencer's decisions in a range of settings and in the demo renders
// (`make demo`, `make demo-effects`, `frakle-render --variations 8`), against references taken
// from earlier versions. The decisions (every event start, effect chosen and generator state)
// must stay exactly as they are; the sound within -120 dBFS peak of the stored windows of output
// (tests/state/reference/<setting>.f32: eight windows of 128 frames, left and right interleaved,
// 32-bit float). Settings whose output is still bit for bit as before also keep their hash.
// FRAKLE_WRITE_REFERENCE=1 writes the windows and the hashes (hashes.txt beside them) for a change
// that is meant to alter the sound or the decisions; FRAKLE_REFERENCE_FULL=1 with
// FRAKLE_REFERENCE_DIR=<dir> writes or compares whole renders instead, outside the repository.
#include "engine/Denormals.h"
#include "engine/Engine.h"
#include "state/uPlugin.h"
#include "tools/common/WavFile.h"
#include "tools/demo/DrumSynth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace frakle::state {
namespace {

constexpr uint64_t kFnvBasis = 1469598103934665603ULL;
constexpr double kBound = 1.0 / 1048576.0; // 2^-20: -120 dBFS
constexpr int32_t kWindows = 8;
constexpr int32_t kWindowFrames = 128;

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

// The demo input as `make demo` writes it: four bars at 120 bpm through a 16-bit WAV file.
const tools::Audio &DemoLoop() {
    static const tools::Audio audio = [] {
        const tools::DrumLoop loop = tools::synthesiseLoop({});
        tools::Audio out{44100, tools::SampleFormat::Pcm16, {loop.left, loop.right}};
        const auto path = std::filesystem::temp_directory_path() /
                          ("frakle-golden-" + std::to_string(::getpid()) + ".wav");
        tools::writeWav(path, out, path.string());
        out = tools::readWav(path);
        std::filesystem::remove(path);
        return out;
    }();
    return audio;
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
    bool demo = false; // the demo loop once, on frakle-render's timeline
};

struct Result {
    uint64_t bits = kFnvBasis;      // FNV-1a over the output's bits, left and right interleaved
    uint64_t decisions = kFnvBasis; // over the sequencer's state after every block
    std::vector<float> output;      // left and right interleaved
};

uint64_t Fnv(uint64_t hash, uint64_t value, int bytes) {
    for (int b = 0; b < bytes; ++b) {
        hash = (hash ^ ((value >> (8 * b)) & 0xFFu)) * 1099511628211ULL;
    }
    return hash;
}

Result Play(const Render &r) {
    APlugin plugin(&quietHost);
    plugin.setSampleRate(static_cast<float>(r.rate));
    r.setup(plugin);
    const std::vector<float> loopL = r.demo ? DemoLoop().channels[0] : DrumBar(r.rate, r.tempo, 0);
    const std::vector<float> loopR = r.demo ? DemoLoop().channels[1] : DrumBar(r.rate, r.tempo, 1);
    const auto total =
        r.demo ? static_cast<int64_t>(loopL.size()) : static_cast<int64_t>(r.seconds * r.rate);
    std::vector<float> inL(static_cast<size_t>(r.block)), inR(inL.size());
    std::vector<float> outL(inL.size()), outR(inL.size());
    Result result;
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
        engine::TEngine &engine = plugin.engine();
        {
            const engine::ScopedFlushDenormals noDenormals;
            engine.processBlock(engine::BlockTiming{r.rate, r.tempo, true, ppq, r.playing(index)},
                                inputs, outputs, frames, false);
        }
        for (int32_t i = 0; i < frames; ++i) {
            for (const float x : {outL[static_cast<size_t>(i)], outR[static_cast<size_t>(i)]}) {
                uint32_t bits;
                std::memcpy(&bits, &x, 4);
                result.bits = Fnv(result.bits, bits, 4);
                result.output.push_back(x);
            }
        }
        for (const int64_t v : {int64_t{engine.eventCount()}, int64_t{engine.stepEffect()},
                                int64_t{engine.globalEffect()}, int64_t{engine.random().seed()},
                                int64_t{engine.stepPosition()}, int64_t{engine.stepIndex()}}) {
            result.decisions = Fnv(result.decisions, static_cast<uint64_t>(v), 8);
        }
        ppq += r.demo ? frames * r.tempo / (60.0 * r.rate) : frames * (r.tempo / 60.0) / r.rate;
        done += frames;
    }
    return result;
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

void Worst(APlugin &p) {
    Solo(p, 2);
    Global(p, 7);
    Everything(p, 0.25f);
}

// The delay's time and feedback, filter cutoffs and the master section move between blocks;
// MIDI switches patterns; the transport stops and starts.
const Render kChanges{.seconds = 4.0,
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
                      .playing = [](int i) { return i % 100 < 80; }};

struct Setting {
    std::string name;
    Render render;
};

const char *const kEffects[9] = {"tape-stop", "modulator", "retrigger", "shuffler", "reverser",
                                 "crusher",   "gater",     "delay",     "stretcher"};

std::vector<Setting> GoldenSettings() {
    std::vector<Setting> s = {
        {"default", {}},
        {"fraklamt0", {.setup = [](APlugin &p) { p.setParameter(1, 0.0f); }}},
        {"worst", {.setup = Worst}},
        {"worst-block1", {.block = 1, .seconds = 1.0, .setup = Worst}},
        {"worst-96k", {.rate = 96000.0, .tempo = 97.0, .block = 4096, .setup = Worst}},
        {"worst-8k", {.rate = 8000.0, .tempo = 174.0, .block = 100, .setup = Worst}},
        {"changes", kChanges},
    };
    for (int e = 0; e < 9; ++e) {
        s.push_back(
            {std::string("solo-") + kEffects[e], {.setup = [e](APlugin &p) { Solo(p, e); }}});
        s.push_back(
            {std::string("global-") + kEffects[e], {.setup = [e](APlugin &p) { Global(p, e); }}});
    }
    for (const float type : {0.5f, 0.75f, 1.0f}) {
        s.push_back({"filter-type-" + std::to_string(static_cast<int>(type * 100.0f)),
                     {.setup = [type](APlugin &p) {
                         Solo(p, 7);
                         Global(p, 1);
                         Everything(p, type);
                     }}});
    }
    for (const float seed : {0.1f, 0.7f}) {
        s.push_back({"seed-" + std::to_string(static_cast<int>(seed * 10.0f)),
                     {.setup = [seed](APlugin &p) { p.setParameter(0, seed); }}});
    }
    return s;
}

std::vector<Setting> DemoSettings() {
    std::vector<Setting> s = {{"demo", {.demo = true}}};
    for (int e = 0; e < 9; ++e) {
        s.push_back({std::string("demo-") + kEffects[e],
                     {.setup = [e](APlugin &p) { Solo(p, e); }, .demo = true}});
    }
    for (int n = 0; n < 8; ++n) {
        const auto seed = static_cast<float>((n + 0.5) / 8.0);
        s.push_back({"demo-variation-" + std::to_string(n + 1),
                     {.setup = [seed](APlugin &p) { p.setParameter(0, seed); }, .demo = true}});
    }
    return s;
}

bool Env(const char *name) { return std::getenv(name) != nullptr; }

// The frames compared: eight windows spread over the render, or all of it.
std::vector<std::pair<size_t, size_t>> Windows(size_t frames) {
    if (Env("FRAKLE_REFERENCE_FULL")) {
        return {{0, frames}};
    }
    std::vector<std::pair<size_t, size_t>> w;
    for (int32_t k = 0; k < kWindows; ++k) {
        const size_t middle = frames * static_cast<size_t>(2 * k + 1) / (2 * kWindows);
        w.emplace_back(middle - kWindowFrames / 2, kWindowFrames);
    }
    return w;
}

// hashes.txt: a line per setting, "name decisions bits"; bits "-" where the output is no longer
// bit for bit as it was and only the bound holds.
struct Hashes {
    uint64_t decisions = 0;
    std::string bits;
};

void Check(const std::vector<Setting> &settings) {
    const char *dir = std::getenv("FRAKLE_REFERENCE_DIR");
    const std::filesystem::path folder =
        dir != nullptr ? std::filesystem::path(dir)
                       : std::filesystem::path(FRAKLE_SOURCE_DIR) / "tests/state/reference";
    const bool write = Env("FRAKLE_WRITE_REFERENCE");
    std::map<std::string, Hashes> hashes;
    std::ifstream list(folder / "hashes.txt");
    for (std::string name; list >> name;) {
        list >> hashes[name].decisions >> hashes[name].bits;
    }
    for (const Setting &setting : settings) {
        const Result r = Play(setting.render);
        std::vector<float> window;
        for (const auto &[from, count] : Windows(r.output.size() / 2)) {
            window.insert(window.end(), r.output.begin() + static_cast<ptrdiff_t>(2 * from),
                          r.output.begin() + static_cast<ptrdiff_t>(2 * (from + count)));
        }
        const std::filesystem::path file = folder / (setting.name + ".f32");
        if (write) {
            std::ofstream(file, std::ios::binary)
                .write(reinterpret_cast<const char *>(window.data()),
                       static_cast<std::streamsize>(window.size() * sizeof(float)));
            hashes[setting.name] = {r.decisions, std::to_string(r.bits)};
            continue;
        }
        std::vector<float> stored(window.size());
        std::ifstream in(file, std::ios::binary);
        in.read(reinterpret_cast<char *>(stored.data()),
                static_cast<std::streamsize>(stored.size() * sizeof(float)));
        ASSERT_TRUE(in && in.peek() == EOF) << setting.name << ": no reference of this size";
        ASSERT_EQ(hashes.count(setting.name), 1U) << setting.name << ": no hashes";
        double peak = 0.0;
        for (size_t i = 0; i < window.size(); ++i) {
            peak = std::max(peak, std::fabs(static_cast<double>(window[i]) - stored[i]));
        }
        const Hashes &h = hashes[setting.name];
        EXPECT_EQ(r.decisions, h.decisions) << setting.name << ": the decisions changed";
        EXPECT_LE(peak, kBound) << setting.name << ": the output differs by "
                                << 20.0 * std::log10(peak) << " dBFS";
        if (h.bits != "-") {
            EXPECT_EQ(std::to_string(r.bits), h.bits) << setting.name << ": the bits changed";
        }
    }
    if (write) {
        std::ofstream out(folder / "hashes.txt");
        for (const auto &[name, h] : hashes) {
            out << name << ' ' << h.decisions << ' ' << h.bits << '\n';
        }
    }
}

TEST(GoldenOutput, Settings) { Check(GoldenSettings()); }

TEST(GoldenOutput, DemoRenders) { Check(DemoSettings()); }

} // namespace
} // namespace frakle::state
