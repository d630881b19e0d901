// Process running, scratch folders and WAV helpers for the tool tests.
#include "tests/tools/ToolTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>

extern char **environ;

namespace frakle::tools::testing {

namespace {

std::string slurp(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

RunResult runProgram(const std::filesystem::path &program, const std::vector<std::string> &args) {
    char pattern[] = "/tmp/frakle-run-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    const std::filesystem::path folder = pattern;
    const std::string outPath = (folder / "out").string();
    const std::string errPath = (folder / "err").string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);

    std::vector<std::string> strings{program.string()};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, strings[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    RunResult result;
    if (spawned == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = slurp(outPath);
        result.err = slurp(errPath);
    }
    std::filesystem::remove_all(folder);
    if (spawned != 0) {
        throw std::runtime_error("cannot run " + program.string());
    }
    return result;
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
