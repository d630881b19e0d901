// What the audio engine costs per stereo frame, case by case, also as a multiple of one plain
// stereo biquad measured over the same frames in the same run.
#include "engine/Denormals.h"
#include "engine/Engine.h"
#include "state/uPlugin.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <time.h>
#include <vector>

namespace {

// Seconds of CPU time this thread has used: other work on the machine does not count.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

constexpr double kTempo = 120.0;
constexpr int32_t kChunk = 4096; // frames timed per benchmark iteration
constexpr int32_t kMaxBlock = 4096;

intptr_t quietHost(vst2::AEffect *, int32_t opcode, int32_t, intptr_t, void *, float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// Four beats at 120 bpm: a kick (sine sweep 150 → 45 Hz) on every beat, noise hats on the
// off-beats, fixed seed. The first kMaxBlock frames repeat after the end so that any block can
// be read in place.
struct DrumLoop {
    int32_t length = 0;
    std::vector<float> left, right;

    explicit DrumLoop(double rate) {
        const auto beat = static_cast<int32_t>(std::lround(rate * 60.0 / kTempo));
        length = beat * 4;
        left.assign(static_cast<size_t>(length) + static_cast<size_t>(kMaxBlock), 0.0f);
        right.assign(left.size(), 0.0f);
        uint32_t seed = 0x2545F491u;
        auto noise = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<float>(static_cast<int32_t>(seed)) * (1.0f / 2147483648.0f);
        };
        for (int32_t i = 0; i < length; ++i) {
            const double t = static_cast<double>(i % beat) / rate;
            const double phase =
                2.0 * std::numbers::pi * (45.0 * t + (105.0 / 30.0) * (1.0 - std::exp(-30.0 * t)));
            const auto kick = static_cast<float>(0.8 * std::sin(phase) * std::exp(-6.0 * t));
            const double th = static_cast<double>((i + beat / 2) % beat) / rate;
            const auto hatLevel = static_cast<float>(0.3 * std::exp(-60.0 * th));
            left[static_cast<size_t>(i)] = kick + hatLevel * noise();
            right[static_cast<size_t>(i)] = kick + hatLevel * noise();
        }
        std::copy_n(left.begin(), kMaxBlock, left.begin() + length);
        std::copy_n(right.begin(), kMaxBlock, right.begin() + length);
    }
};

const DrumLoop &LoopAt(double rate) {
    static std::map<double, std::unique_ptr<DrumLoop>> loops;
    auto &loop = loops[rate];
    if (!loop) {
        loop = std::make_unique<DrumLoop>(rate);
    }
    return *loop;
}

// The reference kernel: a stereo lowpass biquad (1 kHz, q 0.707), float coefficients,
// direct form I.
struct ReferenceBiquad {
    float b0, b1, b2, a1, a2;
    float lx1 = 0, lx2 = 0, ly1 = 0, ly2 = 0, rx1 = 0, rx2 = 0, ry1 = 0, ry2 = 0;

    ReferenceBiquad() {
        const double w = 2.0 * std::numbers::pi * 1000.0 / 44100.0;
        const double alpha = std::sin(w) / (2.0 * 0.707);
        const double a0 = 1.0 + alpha;
        b0 = static_cast<float>((1.0 - std::cos(w)) / 2.0 / a0);
        b1 = static_cast<float>((1.0 - std::cos(w)) / a0);
        b2 = b0;
        a1 = static_cast<float>(-2.0 * std::cos(w) / a0);
        a2 = static_cast<float>((1.0 - alpha) / a0);
    }

    void process(const float *inL, const float *inR, float *outL, float *outR, int32_t frames) {
        for (int32_t i = 0; i < frames; ++i) {
            const float l = b0 * inL[i] + b1 * lx1 + b2 * lx2 - a1 * ly1 - a2 * ly2;
            lx2 = lx1;
            lx1 = inL[i];
            ly2 = ly1;
            ly1 = l;
            outL[i] = l;
            const float r = b0 * inR[i] + b1 * rx1 + b2 * rx2 - a1 * ry1 - a2 * ry2;
            rx2 = rx1;
            rx1 = inR[i];
            ry2 = ry1;
            ry1 = r;
            outR[i] = r;
        }
    }
};

// Runs the reference kernel over the 44.1 kHz loop, kChunk frames per call.
class ReferenceRunner {
public:
    ReferenceRunner() : loop_(LoopAt(44100.0)), outL_(kChunk), outR_(kChunk) {}

    void chunk() {
        filter_.process(&loop_.left[static_cast<size_t>(pos_)],
                        &loop_.right[static_cast<size_t>(pos_)], outL_.data(), outR_.data(),
                        kChunk);
        benchmark::DoNotOptimize(outL_.data());
        benchmark::DoNotOptimize(outR_.data());
        benchmark::ClobberMemory();
        pos_ = (pos_ + kChunk) % loop_.length;
    }

private:
    const DrumLoop &loop_;
    ReferenceBiquad filter_;
    std::vector<float> outL_, outR_;
    int32_t pos_ = 0;
};

// Nanoseconds (thread CPU time) per stereo frame of the reference kernel, measured once per
// process: the fastest of several ~40 ms runs.
double ReferenceNsPerFrame() {
    static const double ns = [] {
        ReferenceRunner runner;
        for (int i = 0; i < 50; ++i) {
            runner.chunk();
        }
        double best = 1e30;
        for (int run = 0; run < 15; ++run) {
            constexpr int kChunks = 200;
            const double start = ThreadSeconds();
            for (int i = 0; i < kChunks; ++i) {
                runner.chunk();
            }
            const double elapsed = ThreadSeconds() - start;
            best = std::min(best, elapsed * 1e9 / (kChunks * static_cast<double>(kChunk)));
        }
        return best;
    }();
    return ns;
}

void SetFrameCounters(benchmark::State &state, double seconds, double rate,
                      int32_t framesPerIteration = kChunk) {
    const double frames = static_cast<double>(state.iterations()) * framesPerIteration;
    const double ns = seconds * 1e9 / frames;
    state.counters["ns/frame"] = ns;
    state.counters["biquads"] = ns / ReferenceNsPerFrame();
    state.counters["xRT"] = 1e9 / rate / ns; // times real time at the case's own rate
}

void ReferenceBiquadKernel(benchmark::State &state) {
    ReferenceRunner runner;
    double seconds = 0.0;
    constexpr int kChunks = 16;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        for (int i = 0; i < kChunks; ++i) {
            runner.chunk();
        }
        const double elapsed = ThreadSeconds() - start;
        state.SetIterationTime(elapsed);
        seconds += elapsed;
    }
    SetFrameCounters(state, seconds, 44100.0, kChunks * kChunk);
}
BENCHMARK(ReferenceBiquadKernel)->UseManualTime();

// One plug-in playing the loop against a 120 bpm timeline, as the host would drive it.
class EngineRunner {
public:
    EngineRunner(double rate, int32_t block)
        : rate_(rate), block_(block), loop_(LoopAt(rate)), outL_(kMaxBlock), outR_(kMaxBlock),
          silence_(kMaxBlock, 0.0f), tiny_(kMaxBlock) {
        // Denormal input: the loop's shape some 10^-39 down, every value below the smallest
        // normal float.
        for (size_t i = 0; i < tiny_.size(); ++i) {
            tiny_[i] = loop_.left[i] * 1.0e-38f;
        }
    }

    frakle::state::APlugin plugin{&quietHost};

    enum class Input { Loop, Silence, Denormal };

    void chunk(bool silent) { chunk(silent ? Input::Silence : Input::Loop); }

    // kChunk frames in blocks of block_: the loop, silence, or denormal noise.
    void chunk(Input input) {
        for (int32_t done = 0; done < kChunk; done += block_) {
            const int32_t frames = std::min(block_, kChunk - done);
            const float *inL = &loop_.left[static_cast<size_t>(pos_)];
            const float *inR = &loop_.right[static_cast<size_t>(pos_)];
            if (input != Input::Loop) {
                inL = inR = input == Input::Silence ? silence_.data() : tiny_.data();
            }
            float *const inputs[2] = {const_cast<float *>(inL), const_cast<float *>(inR)};
            float *const outputs[2] = {outL_.data(), outR_.data()};
            {
                const frakle::engine::ScopedFlushDenormals noDenormals; // as the plug-in does
                plugin.engine().processBlock(
                    frakle::engine::BlockTiming{rate_, kTempo, true, ppq_, true}, inputs, outputs,
                    frames, false);
            }
            benchmark::DoNotOptimize(outL_.data());
            benchmark::DoNotOptimize(outR_.data());
            benchmark::ClobberMemory();
            ppq_ += frames * (kTempo / 60.0) / rate_;
            pos_ = (pos_ + frames) % loop_.length;
        }
    }

    double rate() const { return rate_; }

    // Times one chunk in thread CPU time.
    double timedChunk(Input input) {
        const double start = ThreadSeconds();
        chunk(input);
        return ThreadSeconds() - start;
    }

private:
    double rate_;
    int32_t block_;
    const DrumLoop &loop_;
    std::vector<float> outL_, outR_, silence_, tiny_;
    double ppq_ = 0.0;
    int32_t pos_ = 0;
};

enum class Setup { Default, NoFrakl, Solo, Worst };

void Configure(frakle::state::APlugin &plugin, Setup setup, int effect) {
    switch (setup) {
    case Setup::Default:
        break;
    case Setup::NoFrakl:
        plugin.setParameter(1, 0.0f); // "FraklAmt"
        break;
    case Setup::Solo:
        plugin.setParameter(100 + effect, 1.0f);
        break;
    case Setup::Worst:
        plugin.setParameter(100 + 2, 1.0f); // step slot: effect 2 soloed
        plugin.setParameter(109 + 7, 1.0f); // global slot: effect 7
        plugin.setParameter(32, 0.25f);     // "MstFltTp"
        for (int e = 0; e < 9; ++e) {
            plugin.setParameter(38 + 7 * e, 0.25f); // the effect's filter type
        }
        for (int i = 0; i < 10; ++i) {
            plugin.SetFilterMode(i, true); // Q mode B
        }
        plugin.setParameter(31, 0.5f); // "OdrvGain"
        plugin.StoreClippingMode(2);   // soft clipping
        plugin.setParameter(29, 0.5f); // "EnvLevel": the step envelope
        break;
    }
}

// Plays a case: a second of the loop to settle, then timed chunks.
void PlayCase(benchmark::State &state, Setup setup, int effect, int32_t block, double rate) {
    ReferenceNsPerFrame();
    EngineRunner runner(rate, block);
    Configure(runner.plugin, setup, effect);
    const auto warmChunks = static_cast<int>(rate / kChunk) + 1;
    for (int i = 0; i < warmChunks; ++i) {
        runner.chunk(false);
    }
    double seconds = 0.0;
    for (auto _ : state) {
        const double s = runner.timedChunk(EngineRunner::Input::Loop);
        state.SetIterationTime(s);
        seconds += s;
    }
    SetFrameCounters(state, seconds, rate);
}

// Settles both runners, then times a chunk of `input` on `timed` in every iteration and, when there
// is a runner `beside`, a chunk of the loop on it, the two taking turns to go first (the second of
// two is timed a little slower): `ratio` is then the first's time over the other's, taken under
// the same load of the machine. With `afterLoud` each timed chunk follows an untimed one of the
// loop on the same runner.
void PlayPaired(benchmark::State &state, EngineRunner &timed, EngineRunner::Input input,
                EngineRunner *beside, bool afterLoud, const char *ratio) {
    ReferenceNsPerFrame();
    for (int i = 0; i < 11; ++i) {
        timed.chunk(false);
        if (beside != nullptr) {
            beside->chunk(false);
        }
    }
    double seconds = 0.0;
    double besideSeconds = 0.0;
    bool besideFirst = false;
    const auto timeBeside = [&] {
        if (afterLoud) {
            beside->chunk(false);
        }
        besideSeconds += beside->timedChunk(EngineRunner::Input::Loop);
    };
    for (auto _ : state) {
        if (beside != nullptr && besideFirst) {
            timeBeside();
        }
        if (afterLoud) {
            timed.chunk(false);
        }
        const double s = timed.timedChunk(input);
        if (beside != nullptr && !besideFirst) {
            timeBeside();
        }
        besideFirst = !besideFirst;
        state.SetIterationTime(s);
        seconds += s;
    }
    SetFrameCounters(state, seconds, timed.rate());
    if (beside != nullptr) {
        state.counters[ratio] = seconds / besideSeconds;
    }
}

// Each iteration plays a loud chunk untimed, then times a chunk of silence or denormal input
// (or, for comparison, of signal): the cost of the tails the loud chunk leaves. Silence and
// denormal input are timed beside signal ("vs signal").
void PlayAfterLoud(benchmark::State &state, Setup setup, EngineRunner::Input input) {
    EngineRunner runner(44100.0, 512);
    EngineRunner signal(44100.0, 512);
    Configure(runner.plugin, setup, 0);
    Configure(signal.plugin, setup, 0);
    const bool paired = input != EngineRunner::Input::Loop;
    PlayPaired(state, runner, input, paired ? &signal : nullptr, true, "vs signal");
}

// Block size 1 beside block 512 in the worst case ("vs 512").
void PlaySmallBlocks(benchmark::State &state) {
    EngineRunner small(44100.0, 1);
    EngineRunner large(44100.0, 512);
    Configure(small.plugin, Setup::Worst, 0);
    Configure(large.plugin, Setup::Worst, 0);
    PlayPaired(state, small, EngineRunner::Input::Loop, &large, false, "vs 512");
}

const char *const kEffectNames[9] = {"TapeStop", "Modulator", "Retrigger", "Shuffler", "Reverser",
                                     "Crusher",  "Gater",     "Delay",     "Stretcher"};

[[maybe_unused]] const bool registered = [] {
    benchmark::RegisterBenchmark("Engine/Default", PlayCase, Setup::Default, 0, 512, 44100.0)
        ->UseManualTime();
    benchmark::RegisterBenchmark("Engine/FraklAmt0", PlayCase, Setup::NoFrakl, 0, 512, 44100.0)
        ->UseManualTime();
    for (int e = 0; e < 9; ++e) {
        benchmark::RegisterBenchmark((std::string("Engine/Solo/") + kEffectNames[e]).c_str(),
                                     PlayCase, Setup::Solo, e, 512, 44100.0)
            ->UseManualTime();
    }
    for (int32_t block : {1, 32, 512, 4096}) {
        benchmark::RegisterBenchmark(("Engine/Worst/block:" + std::to_string(block)).c_str(),
                                     PlayCase, Setup::Worst, 0, block, 44100.0)
            ->UseManualTime();
    }
    benchmark::RegisterBenchmark("Engine/Worst/block:512/96kHz", PlayCase, Setup::Worst, 0, 512,
                                 96000.0)
        ->UseManualTime();
    benchmark::RegisterBenchmark("Engine/Worst/block:1/vs512", PlaySmallBlocks)->UseManualTime();
    for (auto [name, setup] :
         {std::pair{"Default", Setup::Default}, std::pair{"Worst", Setup::Worst}}) {
        for (auto [kind, input] : {std::pair{"/signal", EngineRunner::Input::Loop},
                                   std::pair{"/silence", EngineRunner::Input::Silence},
                                   std::pair{"/denormal", EngineRunner::Input::Denormal}}) {
            benchmark::RegisterBenchmark((std::string("Engine/AfterLoud/") + name + kind).c_str(),
                                         PlayAfterLoud, setup, input)
                ->UseManualTime();
        }
    }
    return true;
}();

} // namespace
