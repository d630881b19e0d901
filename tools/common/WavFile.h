// WAV reading and writing for the command-line tools: through libsndfile on Linux (WavFile.cpp),
// through the tools' own RIFF code on Windows (RiffWav.cpp).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace frakle::tools {

enum class SampleFormat { Pcm16, Pcm24, Float32 };

struct Audio {
    int sampleRate = 0;
    SampleFormat format = SampleFormat::Float32;
    std::vector<std::vector<float>> channels; // all of the same length

    size_t frames() const { return channels.empty() ? 0 : channels.front().size(); }
};

inline std::string describe(SampleFormat format) {
    switch (format) {
    case SampleFormat::Pcm16:
        return "16-bit PCM";
    case SampleFormat::Pcm24:
        return "24-bit PCM";
    case SampleFormat::Float32:
        break;
    }
    return "32-bit float";
}

// Accepts 16/24-bit PCM or 32-bit float WAV, mono or stereo; throws ToolError otherwise.
Audio readWav(const std::filesystem::path &path);

// Writes to `path` (normally a PendingFile's); `shownName` is what errors call it.
void writeWav(const std::filesystem::path &path, const Audio &audio, const std::string &shownName);

} // namespace frakle::tools
