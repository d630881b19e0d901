// Parsing and describing the command line of frakle-render.
#include "tools/render/RenderOptions.h"

#include "tools/common/ToolSupport.h"

#include <utility>

namespace frakle::tools {

namespace {

constexpr int32_t kMaxBlockSize = 65536;
constexpr int32_t kMaxLoops = 1000;
constexpr int32_t kMaxVariations = 1000;

int32_t parseRange(const std::string &text, const std::string &what, long long low,
                   long long high) {
    const long long value = parseInteger(text, what);
    if (value < low || value > high) {
        throw ToolError(what + " must be within " + std::to_string(low) + ".." +
                        std::to_string(high) + ", not " + text);
    }
    return static_cast<int32_t>(value);
}

// "WHAT@BEAT": the part before the '@' and the beat after it.
std::pair<std::string, double> splitAtBeat(const std::string &text, const std::string &option,
                                           const std::string &form) {
    const size_t at = text.rfind('@');
    if (at == std::string::npos || at == 0) {
        throw ToolError(option + " needs " + form + ", not '" + text + "'");
    }
    const std::string beatText = text.substr(at + 1);
    const double beat = parseNumber(beatText, "the beat of " + option + " " + text);
    if (beat < 0.0) {
        throw ToolError("the beat of " + option + " " + text + " must not be negative");
    }
    return {text.substr(0, at), beat};
}

MidiCue parseNote(const std::string &text) {
    const auto [note, beat] = splitAtBeat(text, "--note", "NOTE@BEAT");
    const int32_t number = parseRange(note, "the note of --note " + text, 0, 127);
    return {beat, {0x90, static_cast<uint8_t>(number), 127}};
}

MidiCue parseController(const std::string &text) {
    const auto [change, beat] = splitAtBeat(text, "--cc", "CONTROLLER=VALUE@BEAT");
    const size_t equals = change.find('=');
    if (equals == std::string::npos) {
        throw ToolError("--cc needs CONTROLLER=VALUE@BEAT, not '" + text + "'");
    }
    const int32_t controller =
        parseRange(change.substr(0, equals), "the controller of --cc " + text, 0, 127);
    const int32_t value =
        parseRange(change.substr(equals + 1), "the value of --cc " + text, 0, 127);
    return {beat, {0xB0, static_cast<uint8_t>(controller), static_cast<uint8_t>(value)}};
}

int32_t parseEffect(const std::string &text, const std::string &option) {
    for (size_t i = 0; i < kEffectNames.size(); ++i) {
        if (text == kEffectNames[i]) {
            return static_cast<int32_t>(i);
        }
    }
    std::string names;
    for (const char *name : kEffectNames) {
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    throw ToolError(option + " takes one of " + names + ", not '" + text + "'");
}

std::vector<double> parseSeeds(const std::string &text) {
    std::vector<double> seeds;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        const double seed = parseNumber(item, "a seed of --seeds");
        if (seed < 0.0 || seed > 1.0) {
            throw ToolError("the seeds of --seeds must be within 0..1, not " + item);
        }
        seeds.push_back(seed);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (seeds.size() > static_cast<size_t>(kMaxVariations)) {
        throw ToolError("--seeds takes at most " + std::to_string(kMaxVariations) + " seeds");
    }
    return seeds;
}

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
                   arg == "--block" || arg == "--loop" || arg == "--note" || arg == "--cc" ||
                   arg == "--pattern" || arg == "--solo" || arg == "--global" ||
                   arg == "--variations" || arg == "--seeds" || arg == "--plot") {
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
        } else if (arg == "--loop") {
            options.loops = parseRange(value, "--loop", 1, kMaxLoops);
        } else if (arg == "--note") {
            options.cues.push_back(parseNote(value));
        } else if (arg == "--cc") {
            options.cues.push_back(parseController(value));
        } else if (arg == "--pattern") {
            options.pattern = parseRange(value, "--pattern", 1, 16);
        } else if (arg == "--solo") {
            options.soloEffects.push_back(parseEffect(value, "--solo"));
        } else if (arg == "--global") {
            options.globalEffects.push_back(parseEffect(value, "--global"));
        } else if (arg == "--variations" || arg == "--seeds") {
            if (!options.seeds.empty()) {
                throw ToolError("give --variations or --seeds once");
            }
            if (arg == "--seeds") {
                options.seeds = parseSeeds(value);
            } else {
                const int32_t count = parseRange(value, "--variations", 1, kMaxVariations);
                for (int32_t n = 0; n < count; ++n) {
                    options.seeds.push_back((n + 0.5) / count);
                }
            }
        } else if (arg == "--plot") {
            if (value.empty()) {
                throw ToolError("--plot needs a file name");
            }
            options.plot = value;
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
    if (options.plot && options.plot->extension() != ".png") {
        throw ToolError("--plot writes a PNG file; give it a name ending in .png");
    }
    return options;
}

std::filesystem::path variationPath(const std::filesystem::path &output, size_t number) {
    std::filesystem::path name = output.stem();
    name += "-" + std::to_string(number);
    name += output.extension();
    return output.parent_path() / name;
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
  --loop N             play the input N times in a row, the song position running on,
                       1..1000 (default 1)
  --note N@BEAT        send MIDI note-on N (0..127, velocity 127) at BEAT quarter notes
                       from the start of the render; blocks are split there (repeatable)
  --cc C=V@BEAT        send controller C (0..127) with value V (0..127) at BEAT (repeatable)
  --pattern K          select pattern K (1..16) before rendering
  --solo EFFECT        switch the solo of EFFECT on before rendering (repeatable)
  --global EFFECT      switch the global EFFECT on before rendering (repeatable)
                       EFFECT: tape-stop, modulator, retrigger, shuffler, reverser,
                       crusher, gater, delay or stretcher
  --variations N       render N versions (1..1000) with RandSeed = (i + 0.5) / N for
                       i = 0..N-1, each with a fresh plug-in, into OUT-1.wav .. OUT-N.wav
  --seeds A,B,...      like --variations, with the given RandSeed values (each 0..1)
  --plot FILE.png      draw the input and output waveforms, the sixteenth-note grid and the
                       steps the current pattern codes (of the first output if several)
  --list-params        list the plug-in's parameters (index, name, unit, value) and exit
  --help               show this text

Settings apply in this order: --preset, --pattern/--solo/--global, --param, the seed.
Prints a short report of the input and output. On any error it prints one line
"frakle-render: <problem>" on stderr, writes no file and exits with status 2.
)";
}

} // namespace frakle::tools
