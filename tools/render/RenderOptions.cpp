// Parsing and describing the command line of frakle-render.
#include "tools/render/RenderOptions.h"

#include "tools/common/ToolSupport.h"

namespace frakle::tools {

namespace {

constexpr int32_t kMaxBlockSize = 65536;

ParamSetting parseParam(const std::string &text) {
    const size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0) {
        throw ToolError("--param needs LABEL=VALUE, not '" + text + "'");
    }
    const std::string label = text.substr(0, equals);
    const double value = parseNumber(text.substr(equals + 1), "the value of " + label);
    if (value < 0.0 || value > 1.0) {
        throw ToolError("the value of " + label + " must be within 0..1, not " +
                        text.substr(equals + 1));
    }
    return {label, static_cast<float>(value)};
}

} // namespace

RenderOptions parseRenderOptions(std::span<const std::string> args) {
    RenderOptions options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--list-params") {
            options.listParams = true;
            continue;
        }
        std::string value;
        if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        } else if (arg == "--plugin" || arg == "--bpm" || arg == "--start-beat" ||
                   arg == "--param" || arg == "--preset" || arg == "--save-preset" ||
                   arg == "--block") {
            if (i + 1 == args.size()) {
                throw ToolError(arg + " needs a value");
            }
            value = args[++i];
        }

        if (arg == "--plugin") {
            options.plugin = value;
        } else if (arg == "--bpm") {
            options.bpm = parseNumber(value, "--bpm");
            if (options.bpm <= 0.0) {
                throw ToolError("--bpm must be above 0, not " + value);
            }
        } else if (arg == "--start-beat") {
            options.startBeat = parseNumber(value, "--start-beat");
            if (options.startBeat < 0.0) {
                throw ToolError("--start-beat must not be negative, not " + value);
            }
        } else if (arg == "--param") {
            options.params.push_back(parseParam(value));
        } else if (arg == "--preset") {
            options.preset = value;
        } else if (arg == "--save-preset") {
            options.savePreset = value;
        } else if (arg == "--block") {
            const long long block = parseInteger(value, "--block");
            if (block < 1 || block > kMaxBlockSize) {
                throw ToolError("--block must be within 1.." + std::to_string(kMaxBlockSize) +
                                ", not " + value);
            }
            options.blockSize = static_cast<int32_t>(block);
        } else {
            throw ToolError("unknown option " + arg + " (see --help)");
        }
    }
    if (options.help || (options.listParams && files.empty())) {
        return options;
    }
    if (files.size() != 2) {
        throw ToolError("expected IN.wav and OUT.wav, got " + std::to_string(files.size()) +
                        " file name(s) (see --help)");
    }
    options.input = files[0];
    options.output = files[1];
    return options;
}

std::string renderUsage() {
    return R"(Usage: frakle-render [options] IN.wav OUT.wav

Runs IN.wav through a VST 2.x plug-in with the transport playing and writes the result.
IN.wav: 16/24-bit PCM or 32-bit float WAV, mono (fed to both inputs) or stereo, any rate.
OUT.wav: 32-bit float stereo WAV at the input's sample rate.

Options:
  --plugin PATH        plug-in to load (default: frakle.so beside this program)
  --bpm X              tempo in beats per minute, above 0 (default 120)
  --start-beat X       song position of the first sample in quarter notes (default 0)
  --param LABEL=VALUE  set a parameter before rendering; LABEL is its name as the plug-in
                       reports it or its index, VALUE is within 0..1 (repeatable)
  --preset FILE        load a raw preset chunk or an .fxp program before the parameters
  --save-preset FILE   after rendering save the preset: an .fxp program if FILE ends in
                       .fxp, otherwise the raw preset chunk
  --block N            frames per processing block, 1..65536 (default 512)
  --list-params        list the plug-in's parameters (index, name, unit, value) and exit
  --help               show this text

Prints a short report of the input and output. On any error it prints one line
"frakle-render: <problem>" on stderr, writes no file and exits with status 2.
)";
}

} // namespace frakle::tools
