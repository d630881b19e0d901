// The renderer's --plot picture: input and output waveforms over the beat grid and the steps of
// the current pattern.
#pragma once

#include "tools/testhost/TestHost.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace frakle::tools {

struct PlotInput {
    StereoSignal input;
    StereoSignal output;
    double sampleRate;
    double bpm;
    double startBeat;           // song position of the first frame
    std::vector<uint8_t> chunk; // the plug-in's preset chunk after rendering; may be empty
};

constexpr int32_t kPlotWidth = 1200;
constexpr int32_t kPlotHeight = 500;

// Draws the picture into `path`; `shownName` is what errors call it. Throws ToolError.
void writePlot(const PlotInput &plot, const std::filesystem::path &path,
               const std::string &shownName);

} // namespace frakle::tools
