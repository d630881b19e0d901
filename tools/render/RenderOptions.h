// Command line of frakle-render.
#pragma once

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
    bool help = false;
    bool listParams = false;
};

// Throws ToolError on bad usage.
RenderOptions parseRenderOptions(std::span<const std::string> args);

std::string renderUsage();

} // namespace frakle::tools
