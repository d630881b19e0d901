// frakle-render: runs a WAV file through a VST 2.x plug-in in the test host, offline.
#include "tools/common/ToolSupport.h"
#include "tools/common/WavFile.h"
#include "tools/render/Plot.h"
#include "tools/render/PresetFile.h"
#include "tools/render/RenderOptions.h"
#include "tools/testhost/TestHost.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <utility>

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

void report(const RenderOptions &options, const Audio &input, size_t frames,
            const std::string &pluginName) {
    const Level in = measure(input.channels);
    const double seconds = static_cast<double>(frames) / input.sampleRate;
    std::printf("plug-in:     %s\n", pluginName.c_str());
    std::printf("input:       %s (%zu ch, %s)\n", options.input.c_str(), input.channels.size(),
                describe(input.format).c_str());
    std::printf("sample rate: %d Hz\n", input.sampleRate);
    std::printf("tempo:       %g bpm from beat %g\n", options.bpm, options.startBeat);
    if (options.loops > 1) {
        std::printf("loops:       %d\n", static_cast<int>(options.loops));
    }
    std::printf("length:      %zu frames (%.3f s)\n", frames, seconds);
    std::printf("input  peak: %s, RMS %s\n", decibels(in.peakDb).c_str(),
                decibels(in.rmsDb).c_str());
}

// `seed` is null for a render without a seed.
void reportOutput(const std::filesystem::path &file, const double *seed, const Level &out) {
    std::printf("output:      %s (2 ch, 32-bit float)", file.c_str());
    if (seed) {
        std::printf(", RandSeed %g", *seed);
    }
    std::printf("\noutput peak: %s, RMS %s\n", decibels(out.peakDb).c_str(),
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

// The input (mono fed to both sides) played `loops` times in a row.
StereoSignal loopedInput(const Audio &input, int32_t loops) {
    StereoSignal signal;
    for (int32_t i = 0; i < loops; ++i) {
        signal.left.insert(signal.left.end(), input.channels.front().begin(),
                           input.channels.front().end());
        signal.right.insert(signal.right.end(), input.channels.back().begin(),
                            input.channels.back().end());
    }
    return signal;
}

struct TimedCue {
    size_t frame; // from the start of the render
    MidiMessage message;
};

// The cues in frames, in time order (the given order within a frame); throws for any cue at or
// past the end of the render.
std::vector<TimedCue> timeCues(const RenderOptions &options, int sampleRate, size_t frames) {
    std::vector<TimedCue> cues;
    for (const MidiCue &cue : options.cues) {
        const double frame = std::round(cue.beat * 60.0 / options.bpm * sampleRate);
        if (frame >= static_cast<double>(frames)) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "MIDI at beat %g is past the end of the render (%.3f beats long)",
                          cue.beat,
                          static_cast<double>(frames) * options.bpm / (60.0 * sampleRate));
            throw ToolError(text);
        }
        cues.push_back({static_cast<size_t>(frame), MidiMessage{0, cue.bytes}});
    }
    std::stable_sort(cues.begin(), cues.end(),
                     [](const TimedCue &a, const TimedCue &b) { return a.frame < b.frame; });
    return cues;
}

// Runs the signal through in blocks of at most blockFrames, cut where cues fall; the cues of a
// frame go through effProcessEvents right before the block that starts there.
StereoSignal processWithCues(TestHost &host, const StereoSignal &input,
                             const std::vector<TimedCue> &cues, int32_t blockFrames) {
    const size_t frames = input.frames();
    StereoSignal output{std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
    size_t next = 0;
    for (size_t start = 0; start < frames;) {
        std::vector<MidiMessage> due;
        while (next < cues.size() && cues[next].frame <= start) {
            due.push_back(cues[next++].message);
        }
        if (!due.empty()) {
            host.sendMidi(due);
        }
        size_t end = std::min(frames, start + static_cast<size_t>(blockFrames));
        if (next < cues.size()) {
            end = std::min(end, cues[next].frame);
        }
        const size_t count = end - start;
        host.processReplacing(std::span(input.left).subspan(start, count),
                              std::span(input.right).subspan(start, count),
                              std::span(output.left).subspan(start, count),
                              std::span(output.right).subspan(start, count));
        host.timeline().advance(static_cast<int64_t>(count));
        start = end;
    }
    return output;
}

struct RenderResult {
    std::string pluginName;
    StereoSignal output;
    std::vector<uint8_t> preset; // for --save-preset
    std::vector<uint8_t> chunk;  // the plug-in's preset chunk after rendering, if it keeps one
};

// One pass through the signal with a fresh plug-in.
RenderResult renderOnce(const RenderOptions &options, const StereoSignal &input, int sampleRate,
                        const std::vector<TimedCue> &cues, const double *seed,
                        const std::optional<std::filesystem::path> &presetName) {
    TestHost host(options.plugin ? *options.plugin : defaultPluginPath());
    RenderResult result;
    result.pluginName = host.effectName();
    Timeline &timeline = host.timeline();
    timeline.sampleRate = sampleRate;
    timeline.tempo = options.bpm;
    timeline.ppqPosition = options.startBeat;
    timeline.samplePosition = std::round(options.startBeat * 60.0 / options.bpm * sampleRate);
    timeline.playing = true;

    host.open();
    host.setSampleRate(sampleRate);
    host.setBlockSize(options.blockSize);
    if (presetName) {
        checkPresetCanBeSaved(host, *presetName);
    }
    if (options.preset) {
        loadPreset(host, *options.preset);
    }
    if (options.pattern) {
        host.setParameter(resolveParam(host, "Pattern"),
                          static_cast<float>(*options.pattern - 1) / 15.0f);
    }
    for (const int32_t effect : options.soloEffects) {
        host.setParameter(resolveParam(host, std::to_string(100 + effect)), 1.0f);
    }
    for (const int32_t effect : options.globalEffects) {
        host.setParameter(resolveParam(host, std::to_string(109 + effect)), 1.0f);
    }
    for (const ParamSetting &setting : options.params) {
        host.setParameter(resolveParam(host, setting.label), setting.value);
    }
    if (seed) {
        host.setParameter(resolveParam(host, "RandSeed"), static_cast<float>(*seed));
    }
    host.resume();
    result.output = processWithCues(host, input, cues, options.blockSize);
    host.suspend();

    if (presetName) {
        result.preset = presetFileBytes(host, *presetName);
    }
    if ((host.effect().flags & vst2::effFlagsProgramChunks) != 0) {
        result.chunk = host.getChunk(ChunkKind::Preset);
    }
    return result;
}

Audio toAudio(StereoSignal &&signal, int sampleRate) {
    Audio audio;
    audio.sampleRate = sampleRate;
    audio.format = SampleFormat::Float32;
    audio.channels = {std::move(signal.left), std::move(signal.right)};
    return audio;
}

int render(const RenderOptions &options) {
    const Audio input = readWav(options.input);
    const StereoSignal in = loopedInput(input, options.loops);
    const std::vector<TimedCue> cues = timeCues(options, input.sampleRate, in.frames());
    const bool several = !options.seeds.empty();
    const size_t count = several ? options.seeds.size() : 1;
    const bool progress = several && count > 1 && isatty(STDERR_FILENO) == 1;

    // Every file waits beside its target until all of them are written.
    std::vector<std::unique_ptr<PendingFile>> pending;
    std::vector<std::pair<std::filesystem::path, Level>> shown;
    std::string pluginName;
    std::optional<PlotInput> plot;
    for (size_t i = 0; i < count; ++i) {
        if (progress) {
            std::fprintf(stderr, "\rfrakle-render: variation %zu of %zu", i + 1, count);
            std::fflush(stderr);
        }
        const double *seed = several ? &options.seeds[i] : nullptr;
        std::optional<std::filesystem::path> presetName = options.savePreset;
        if (presetName && several) {
            presetName = variationPath(*presetName, i + 1);
        }
        const std::filesystem::path outputName =
            several ? variationPath(options.output, i + 1) : options.output;
        RenderResult result = renderOnce(options, in, input.sampleRate, cues, seed, presetName);
        pluginName = result.pluginName;
        shown.emplace_back(outputName, measure({result.output.left, result.output.right}));
        if (i == 0 && options.plot) {
            plot.emplace(PlotInput{in, result.output, static_cast<double>(input.sampleRate),
                                   options.bpm, options.startBeat, result.chunk});
        }
        pending.push_back(std::make_unique<PendingFile>(outputName));
        writeWav(pending.back()->path(), toAudio(std::move(result.output), input.sampleRate),
                 outputName.string());
        if (presetName) {
            pending.push_back(std::make_unique<PendingFile>(*presetName));
            writeBytes(pending.back()->path(), result.preset, presetName->string());
        }
    }
    if (progress) {
        std::fputs("\r\033[K", stderr);
    }
    if (plot) {
        pending.push_back(std::make_unique<PendingFile>(*options.plot));
        writePlot(*plot, pending.back()->path(), options.plot->string());
    }
    for (const auto &file : pending) {
        file->commit();
    }
    report(options, input, in.frames(), pluginName);
    for (size_t i = 0; i < shown.size(); ++i) {
        reportOutput(shown[i].first, several ? &options.seeds[i] : nullptr, shown[i].second);
    }
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
