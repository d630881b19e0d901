// frakle-same-sound: plays a WAV file through the plug-in as frakle-render does (the default
// program with the given INDEX=VALUE parameters set in order, 120 bpm from beat 0, blocks of
// 512, transport running), writes OUT.wav and compares it with another build's render of the
// same file and settings, one sixteenth-note step at a time: the Windows build against the
// Linux one. A step whose difference reaches kStepLimitDb had another event start or effect
// choice; below it, only the last bits of the arithmetic differ.
//   frakle-same-sound PLUGIN IN.wav REFERENCE.wav OUT.wav [INDEX=VALUE...]
// Exit status 0 when every step agrees, 1 when one does not, 2 on an error. One thread.
#include "tools/common/ToolSupport.h"
#include "tools/common/WavFile.h"
#include "tools/testhost/TestHost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

using namespace frakle::tools;

constexpr double kBpm = 120.0;
constexpr int32_t kBlock = 512;
constexpr double kStepLimitDb = -60.0;

double decibels(double x) { return x > 0.0 ? 20.0 * std::log10(x) : -INFINITY; }

struct Setting {
    int32_t index;
    float value;
};

StereoSignal render(const std::filesystem::path &plugin, const Audio &input,
                    const std::vector<Setting> &settings) {
    TestHost host(plugin);
    Timeline &timeline = host.timeline();
    timeline.sampleRate = input.sampleRate;
    timeline.tempo = kBpm;
    timeline.playing = true;
    host.open();
    host.setSampleRate(input.sampleRate);
    host.setBlockSize(kBlock);
    for (const Setting &s : settings) {
        host.setParameter(s.index, s.value);
    }
    host.resume();
    const StereoSignal in{input.channels.front(), input.channels.back()};
    StereoSignal out = host.processSignal(in, kBlock);
    host.suspend();
    return out;
}

int run(int argc, char **argv) {
    if (argc < 5) {
        std::fputs(
            "usage: frakle-same-sound PLUGIN IN.wav REFERENCE.wav OUT.wav [INDEX=VALUE...]\n",
            stderr);
        return kErrorExit;
    }
    std::vector<Setting> settings;
    for (int i = 5; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t equals = arg.find('=');
        if (equals == std::string::npos) {
            throw ToolError("expected INDEX=VALUE, not '" + arg + "'");
        }
        settings.push_back(
            {static_cast<int32_t>(parseInteger(arg.substr(0, equals), "parameter index")),
             static_cast<float>(parseNumber(arg.substr(equals + 1), "parameter value"))});
    }
    const Audio input = readWav(argv[2]);
    const Audio reference = readWav(argv[3]);
    const StereoSignal out = render(argv[1], input, settings);
    writeWav(argv[4], Audio{input.sampleRate, SampleFormat::Float32, {out.left, out.right}},
             argv[4]);
    if (reference.channels.size() != 2 || reference.frames() != out.frames()) {
        std::printf("the reference is not a stereo render of %zu frames\n", out.frames());
        return 1;
    }
    const auto stepFrames = static_cast<size_t>(input.sampleRate * 60.0 / kBpm / 4.0);
    size_t equal = 0;
    size_t badSteps = 0;
    double peak = 0.0;
    for (size_t start = 0; start < out.frames(); start += stepFrames) {
        double stepPeak = 0.0;
        for (size_t i = start; i < std::min(out.frames(), start + stepFrames); ++i) {
            for (int c = 0; c < 2; ++c) {
                const float a = (c == 0 ? out.left : out.right)[i];
                const float b = reference.channels[static_cast<size_t>(c)][i];
                equal += a == b || (std::isnan(a) && std::isnan(b)) ? 1 : 0;
                stepPeak = std::max(stepPeak, std::fabs(static_cast<double>(a) - b));
            }
        }
        if (!(decibels(stepPeak) < kStepLimitDb)) {
            std::printf("step %zu differs by %.1f dBFS\n", start / stepFrames, decibels(stepPeak));
            ++badSteps;
        }
        peak = std::max(peak, stepPeak);
    }
    const size_t steps = (out.frames() + stepFrames - 1) / stepFrames;
    std::printf("frames: %zu, sixteenth-note steps: %zu\n", out.frames(), steps);
    std::printf("samples equal to the bit: %zu of %zu\n", equal, 2 * out.frames());
    std::printf("peak difference: %.1f dBFS\n", decibels(peak));
    std::printf("steps that differ by %.0f dBFS or more (another event or effect): %zu\n",
                kStepLimitDb, badSteps);
    return badSteps == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "frakle-same-sound: %s\n", error.what());
    }
    return kErrorExit;
}
