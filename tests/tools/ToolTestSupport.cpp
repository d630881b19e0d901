// Process running, scratch folders and WAV helpers for the tool tests.
#include "tests/tools/ToolTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace frakle::tools::testing {

namespace {

std::string slurp(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A word the shell passes on as it is.
std::string quoted(const std::string &word) {
    std::string out = "'";
    for (const char c : word) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

} // namespace

RunResult runProgram(const std::filesystem::path &program, const std::vector<std::string> &args) {
    const ScratchFolder folder;
    std::string command = quoted(program.string());
    for (const std::string &arg : args) {
        command += " " + quoted(arg);
    }
    command += " </dev/null >" + quoted((folder / "out").string()) + " 2>" +
               quoted((folder / "err").string());
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) == 127) {
        throw std::runtime_error("cannot run " + program.string());
    }
    return {WEXITSTATUS(status), slurp(folder / "out"), slurp(folder / "err")};
}

ScratchFolder::ScratchFolder() {
    char pattern[] = "/tmp/frakle-tools-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeWav(const std::filesystem::path &path, const WavData &data) {
    SF_INFO info{};
    info.samplerate = data.sampleRate;
    info.channels = static_cast<int>(data.channels.size());
    info.format = data.format;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));
    }
    const size_t channels = data.channels.size();
    std::vector<float> interleaved(data.frames() * channels);
    for (size_t i = 0; i < interleaved.size(); ++i) {
        interleaved[i] = data.channels[i % channels][i / channels];
    }
    sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(data.frames()));
    sf_close(file);
}

WavData readWav(const std::filesystem::path &path) {
    SF_INFO info{};
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot read " + path.string() + ": " + sf_strerror(nullptr));
    }
    const auto channels = static_cast<size_t>(info.channels);
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * channels);
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    WavData data{info.samplerate, info.format, {}};
    data.channels.assign(channels, std::vector<float>(static_cast<size_t>(info.frames)));
    for (size_t i = 0; i < interleaved.size(); ++i) {
        data.channels[i % channels][i / channels] = interleaved[i];
    }
    return data;
}

WavData sineWav(int channels, size_t frames, int sampleRate, int format, float amplitude) {
    WavData data{sampleRate, format, {}};
    for (int channel = 0; channel < channels; ++channel) {
        std::vector<float> samples(frames);
        for (size_t i = 0; i < frames; ++i) {
            samples[i] = amplitude *
                         static_cast<float>(
                             std::sin(2.0 * std::numbers::pi * 441.0 * i / sampleRate + channel));
        }
        data.channels.push_back(std::move(samples));
    }
    return data;
}

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

} // namespace frakle::tools::testing
