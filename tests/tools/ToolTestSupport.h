// Helpers for the tool tests: running a program as a user would, scratch folders and WAV files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace frakle::tools::testing {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `args` (no shell), capturing its output.
RunResult runProgram(const std::filesystem::path &program, const std::vector<std::string> &args);

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }
    std::vector<std::string> entries() const; // file names, sorted

private:
    std::filesystem::path path_;
};

struct WavData {
    int sampleRate = 0;
    int format = 0; // libsndfile format word
    std::vector<std::vector<float>> channels;

    size_t frames() const { return channels.empty() ? 0 : channels.front().size(); }
};

// `format` is a libsndfile format word such as SF_FORMAT_WAV | SF_FORMAT_PCM_16.
void writeWav(const std::filesystem::path &path, const WavData &data);
WavData readWav(const std::filesystem::path &path);

// A sine of the given length on every channel (phase-shifted per channel).
WavData sineWav(int channels, size_t frames, int sampleRate, int format, float amplitude = 0.5f);

std::vector<std::string> lines(const std::string &text);

} // namespace frakle::tools::testing
