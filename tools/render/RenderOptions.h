// Command line of frakle-render.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace frakle::tools {

struct ParamSetting {
    std::string label; // a parameter name or index
    float value;
};

// A MIDI message sent before the block that starts at `beat` quarter notes into the render.
struct MidiCue {
    double beat;
    std::array<uint8_t, 3> bytes;
};

// The effects by name, in the plug-in's order; their index is the effect number.
inline constexpr std::array<const char *, 9> kEffectNames{"tape-stop", "modulator", "retrigger",
                                                          "shuffler",  "reverser",  "crusher",
                                                          "gater",     "delay",     "stretcher"};

struct RenderOptions {
    std::filesystem::path input;
    std::filesystem::path output;
    std::optional<std::filesystem::path> plugin;
    double bpm = 120.0;
    double startBeat = 0.0;
    std::vector<ParamSetting> params;
    std::optional<std::filesystem::path> preset;
    std::optional<std::filesystem::path> savePreset;
    int32_t blockSize = 512;
    int32_t loops = 1;
    std::vector<MidiCue> cues;      // in the order given
    std::optional<int32_t> pattern; // 1..16
    std::vector<int32_t> soloEffects;
    std::vector<int32_t> globalEffects;
    std::vector<double> seeds; // one render per seed; empty: a single render
    std::optional<std::filesystem::path> plot;
    bool help = false;
    bool listParams = false;
};

// Throws ToolError on bad usage.
RenderOptions parseRenderOptions(std::span<const std::string> args);

std::string renderUsage();

// OUT.wav's stem with "-<number>" before the extension.
std::filesystem::path variationPath(const std::filesystem::path &output, size_t number);

} // namespace frakle::tools
