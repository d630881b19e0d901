// frakle-demo-loop: writes a synthesised drum loop to try the effect on.
#include "tools/common/ToolSupport.h"
#include "tools/common/WavFile.h"
#include "tools/demo/DrumSynth.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char *kUsage =
    R"(Usage: frakle-demo-loop OUT.wav [--bpm 120] [--bars 4] [--rate 44100] [--float]

Writes a stereo drum loop (kick, snare, hats) of BARS bars of 4/4 at BPM beats per minute,
16-bit PCM (32-bit float with --float), peaking at -3 dBFS. The same options always give
the same file. On any error it prints one line "frakle-demo-loop: <problem>" on stderr,
writes no file and exits with status 2.
)";

using frakle::tools::ToolError;

struct DemoOptions {
    std::optional<std::string> output;
    frakle::tools::LoopSettings loop;
    bool asFloat = false;
    bool help = false;
};

DemoOptions parse(const std::vector<std::string> &args) {
    using frakle::tools::parseInteger;
    using frakle::tools::parseNumber;
    DemoOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--float") {
            options.asFloat = true;
        } else if (arg == "--bpm" || arg == "--bars" || arg == "--rate") {
            if (i + 1 == args.size()) {
                throw ToolError(arg + " needs a value");
            }
            const std::string &value = args[++i];
            if (arg == "--bpm") {
                options.loop.bpm = parseNumber(value, "--bpm");
                if (options.loop.bpm < 20.0 || options.loop.bpm > 400.0) {
                    throw ToolError("--bpm must be within 20..400, not " + value);
                }
            } else if (arg == "--bars") {
                const long long bars = parseInteger(value, "--bars");
                if (bars < 1 || bars > 64) {
                    throw ToolError("--bars must be within 1..64, not " + value);
                }
                options.loop.bars = static_cast<int>(bars);
            } else {
                const long long rate = parseInteger(value, "--rate");
                if (rate < 8000 || rate > 192000) {
                    throw ToolError("--rate must be within 8000..192000, not " + value);
                }
                options.loop.sampleRate = static_cast<int>(rate);
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw ToolError("unknown option " + arg + " (see --help)");
        } else if (options.output) {
            throw ToolError("only one output file may be given (see --help)");
        } else {
            options.output = arg;
        }
    }
    if (!options.output && !options.help) {
        throw ToolError("no output file given (see --help)");
    }
    return options;
}

} // namespace

int main(int argc, char **argv) {
    using namespace frakle::tools;
    try {
        const DemoOptions options = parse(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        DrumLoop loop = synthesiseLoop(options.loop);
        Audio audio;
        audio.sampleRate = options.loop.sampleRate;
        audio.format = options.asFloat ? SampleFormat::Float32 : SampleFormat::Pcm16;
        audio.channels = {std::move(loop.left), std::move(loop.right)};
        PendingFile file(*options.output);
        writeWav(file.path(), audio, *options.output);
        file.commit();
        std::printf("wrote %s: %d bars at %g bpm, %zu frames at %d Hz\n", options.output->c_str(),
                    options.loop.bars, options.loop.bpm, audio.frames(), audio.sampleRate);
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "frakle-demo-loop: %s\n", error.what());
    }
    return kErrorExit;
}
