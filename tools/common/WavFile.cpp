// WAV files through libsndfile, limited to the formats the tools promise.
#include "tools/common/WavFile.h"

#include "tools/common/ToolSupport.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace frakle::tools {

namespace {

struct SndFileCloser {
    void operator()(SNDFILE *file) const { sf_close(file); }
};

int subtypeOf(SampleFormat format) {
    switch (format) {
    case SampleFormat::Pcm16:
        return SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24:
        return SF_FORMAT_PCM_24;
    case SampleFormat::Float32:
        break;
    }
    return SF_FORMAT_FLOAT;
}

} // namespace

Audio readWav(const std::filesystem::path &path) {
    const std::string name = path.string();
    if (std::FILE *probe = std::fopen(name.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        throw ToolError("cannot read " + name + ": " + std::strerror(errno));
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw ToolError("cannot read " + name + ": it is a folder");
    }
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(name.c_str(), SFM_READ, &info));
    if (!file) {
        throw ToolError(name + " is not a WAV file (" + sf_strerror(nullptr) + ")");
    }
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) {
        throw ToolError(name + " is not a WAV file");
    }
    Audio audio;
    audio.sampleRate = info.samplerate;
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16:
        audio.format = SampleFormat::Pcm16;
        break;
    case SF_FORMAT_PCM_24:
        audio.format = SampleFormat::Pcm24;
        break;
    case SF_FORMAT_FLOAT:
        audio.format = SampleFormat::Float32;
        break;
    default:
        throw ToolError(name + " has an unsupported sample format (use 16/24-bit PCM or " +
                        "32-bit float)");
    }
    if (info.channels != 1 && info.channels != 2) {
        throw ToolError(name + " has " + std::to_string(info.channels) +
                        " channels; only mono and stereo are supported");
    }
    if (info.samplerate <= 0) {
        throw ToolError(name + " has no valid sample rate");
    }

    const auto channels = static_cast<size_t>(info.channels);
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * channels);
    const sf_count_t read = sf_readf_float(file.get(), interleaved.data(), info.frames);
    if (read != info.frames) {
        throw ToolError("cannot read " + name + ": " + sf_strerror(file.get()));
    }
    audio.channels.assign(channels, std::vector<float>(static_cast<size_t>(info.frames)));
    for (size_t frame = 0; frame < static_cast<size_t>(info.frames); ++frame) {
        for (size_t channel = 0; channel < channels; ++channel) {
            audio.channels[channel][frame] = interleaved[frame * channels + channel];
        }
    }
    return audio;
}

void writeWav(const std::filesystem::path &path, const Audio &audio, const std::string &shownName) {
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = static_cast<int>(audio.channels.size());
    info.format = SF_FORMAT_WAV | subtypeOf(audio.format);
    std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) {
        throw ToolError("cannot write " + shownName + ": " + sf_strerror(nullptr));
    }
    // Float files keep their values as they are; PCM is clipped rather than wrapped.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // No PEAK chunk: it carries the time of writing, and the same render must give the same file.
    sf_command(file.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    const size_t channels = audio.channels.size();
    const size_t frames = audio.frames();
    std::vector<float> interleaved(frames * channels);
    for (size_t frame = 0; frame < frames; ++frame) {
        for (size_t channel = 0; channel < channels; ++channel) {
            interleaved[frame * channels + channel] = audio.channels[channel][frame];
        }
    }
    if (sf_writef_float(file.get(), interleaved.data(), static_cast<sf_count_t>(frames)) !=
        static_cast<sf_count_t>(frames)) {
        throw ToolError("cannot write " + shownName + ": " + sf_strerror(file.get()));
    }
    if (sf_close(file.release()) != 0) {
        throw ToolError("cannot write " + shownName);
    }
}

} // namespace frakle::tools
