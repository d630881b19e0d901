// frakle-render: runs a WAV file through a VST 2.x plug-in in the test host, offline.
#include "tools/common/ToolSupport.h"
#include "tools/common/WavFile.h"
#include "tools/render/PresetFile.h"
#include "tools/render/RenderOptions.h"
#include "tools/testhost/TestHost.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace frakle::tools {

namespace {

std::filesystem::path defaultPluginPath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        throw ToolError("cannot find the folder of frakle-render; use --plugin");
    }
    return self.parent_path() / "frakle.so";
}

int32_t resolveParam(TestHost &host, const std::string &label) {
    const int32_t count = host.effect().numParams;
    if (std::all_of(label.begin(), label.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const long long index = parseInteger(label, "parameter index");
        if (index >= count) {
            throw ToolError("parameter index " + label + " is out of range (the plug-in has " +
                            std::to_string(count) + " parameters)");
        }
        return static_cast<int32_t>(index);
    }
    std::vector<int32_t> matches;
    for (int32_t i = 0; i < count; ++i) {
        if (host.paramName(i) == label) {
            matches.push_back(i);
        }
    }
    if (matches.empty()) {
        throw ToolError("unknown parameter '" + label + "' (--list-params shows them all)");
    }
    if (matches.size() > 1) {
        std::string indices;
        for (const int32_t index : matches) {
            indices += (indices.empty() ? "" : ", ") + std::to_string(index);
        }
        throw ToolError("parameter name '" + label + "' is shared by indices " + indices +
                        "; give the index instead");
    }
    return matches.front();
}

struct Level {
    double peakDb;
    double rmsDb;
};

Level measure(const std::vector<std::vector<float>> &channels) {
    double peak = 0.0;
    double sum = 0.0;
    size_t count = 0;
    for (const auto &channel : channels) {
        for (const float sample : channel) {
            peak = std::max(peak, static_cast<double>(std::fabs(sample)));
            sum += static_cast<double>(sample) * sample;
        }
        count += channel.size();
    }
    const double rms = count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
    return {20.0 * std::log10(peak), 20.0 * std::log10(rms)};
}

std::string decibels(double value) {
    if (!std::isfinite(value)) {
        return value < 0 ? "-inf dBFS" : "nan";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dBFS", value);
    return text;
}

void report(const RenderOptions &options, const Audio &input, const Audio &output,
            const std::string &pluginName) {
    const Level in = measure(input.channels);
    const Level out = measure(output.channels);
    const double seconds = static_cast<double>(input.frames()) / input.sampleRate;
    std::printf("plug-in:     %s\n", pluginName.c_str());
    std::printf("input:       %s (%zu ch, %s)\n", options.input.c_str(), input.channels.size(),
                describe(input.format).c_str());
    std::printf("output:      %s (2 ch, 32-bit float)\n", options.output.c_str());
    std::printf("sample rate: %d Hz\n", input.sampleRate);
    std::printf("tempo:       %g bpm from beat %g\n", options.bpm, options.startBeat);
    std::printf("length:      %zu frames (%.3f s)\n", input.frames(), seconds);
    std::printf("input  peak: %s, RMS %s\n", decibels(in.peakDb).c_str(),
                decibels(in.rmsDb).c_str());
    std::printf("output peak: %s, RMS %s\n", decibels(out.peakDb).c_str(),
                decibels(out.rmsDb).c_str());
}

void writeBytes(const std::filesystem::path &path, const std::vector<uint8_t> &bytes,
                const std::string &shownName) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw ToolError("cannot write " + shownName);
    }
}

int listParams(const RenderOptions &options) {
    TestHost host(options.plugin ? *options.plugin : defaultPluginPath());
    host.open();
    for (int32_t i = 0; i < host.effect().numParams; ++i) {
        std::printf("%3d  %-8s  %-6s  %s\n", static_cast<int>(i), host.paramName(i).c_str(),
                    host.paramLabel(i).c_str(), host.paramDisplay(i).c_str());
    }
    return 0;
}

int render(const RenderOptions &options) {
    const Audio input = readWav(options.input);
    TestHost host(options.plugin ? *options.plugin : defaultPluginPath());
    const std::string pluginName = host.effectName();
    Timeline &timeline = host.timeline();
    timeline.sampleRate = input.sampleRate;
    timeline.tempo = options.bpm;
    timeline.ppqPosition = options.startBeat;
    timeline.samplePosition = std::round(options.startBeat * 60.0 / options.bpm * input.sampleRate);
    timeline.playing = true;

    host.open();
    host.setSampleRate(input.sampleRate);
    host.setBlockSize(options.blockSize);
    if (options.savePreset) {
        checkPresetCanBeSaved(host, *options.savePreset);
    }
    if (options.preset) {
        loadPreset(host, *options.preset);
    }
    for (const ParamSetting &setting : options.params) {
        host.setParameter(resolveParam(host, setting.label), setting.value);
    }
    host.resume();
    const StereoSignal in{input.channels.front(), input.channels.back()};
    StereoSignal rendered = host.processSignal(in, options.blockSize);
    host.suspend();

    std::vector<uint8_t> preset;
    if (options.savePreset) {
        preset = presetFileBytes(host, *options.savePreset);
    }
    Audio output;
    output.sampleRate = input.sampleRate;
    output.format = SampleFormat::Float32;
    output.channels = {std::move(rendered.left), std::move(rendered.right)};

    PendingFile outputFile(options.output);
    writeWav(outputFile.path(), output, options.output.string());
    std::optional<PendingFile> presetFile;
    if (options.savePreset) {
        presetFile.emplace(*options.savePreset);
        writeBytes(presetFile->path(), preset, options.savePreset->string());
    }
    outputFile.commit();
    if (presetFile) {
        presetFile->commit();
    }
    report(options, input, output, pluginName);
    return 0;
}

void fail(std::string message) {
    std::replace(message.begin(), message.end(), '\n', ' ');
    std::fprintf(stderr, "frakle-render: %s\n", message.c_str());
}

} // namespace

} // namespace frakle::tools

int main(int argc, char **argv) {
    using namespace frakle::tools;
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        const RenderOptions options = parseRenderOptions(args);
        if (options.help) {
            std::fputs(renderUsage().c_str(), stdout);
            return 0;
        }
        return options.listParams ? listParams(options) : render(options);
    } catch (const std::exception &error) {
        fail(error.what());
    }
    return kErrorExit;
}
