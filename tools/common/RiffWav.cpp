// WAV files read and written by the tools' own RIFF code, for builds without libsndfile (the
// Windows build): 16/24-bit PCM and 32-bit float, mono or stereo, little-endian. The tools'
// main thread.
#include "tools/common/ToolSupport.h"
#include "tools/common/WavFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace frakle::tools {

namespace {

constexpr uint16_t kPcm = 1;
constexpr uint16_t kFloat = 3;
constexpr uint16_t kExtensible = 0xFFFE;

uint32_t u32(const uint8_t *p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t u16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void put32(std::vector<uint8_t> &out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}
void put16(std::vector<uint8_t> &out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

float sampleAt(const uint8_t *p, SampleFormat format) {
    switch (format) {
    case SampleFormat::Pcm16:
        return static_cast<float>(static_cast<int16_t>(u16(p))) / 32768.0f;
    case SampleFormat::Pcm24: {
        const auto v = static_cast<int32_t>(uint32_t{p[2]} << 24 | uint32_t{p[1]} << 16 |
                                            uint32_t{p[0]} << 8) /
                       256;
        return static_cast<float>(v) / 8388608.0f;
    }
    case SampleFormat::Float32:
        break;
    }
    float v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace

Audio readWav(const std::filesystem::path &path) {
    const std::string name = path.string();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw ToolError("cannot read " + name);
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        throw ToolError(name + " is not a WAV file");
    }
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t bits = 0;
    const uint8_t *data = nullptr;
    size_t dataSize = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint8_t *chunk = bytes.data() + at;
        const size_t size = std::min<size_t>(u32(chunk + 4), bytes.size() - at - 8);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            tag = u16(chunk + 8);
            channels = u16(chunk + 10);
            rate = u32(chunk + 12);
            bits = u16(chunk + 22);
            if (tag == kExtensible && size >= 26) {
                tag = u16(chunk + 32); // the sub-format's first two bytes
            }
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            data = chunk + 8;
            dataSize = size;
        }
        at += 8 + size + (size & 1);
    }
    Audio audio;
    if (tag == kPcm && bits == 16) {
        audio.format = SampleFormat::Pcm16;
    } else if (tag == kPcm && bits == 24) {
        audio.format = SampleFormat::Pcm24;
    } else if (tag == kFloat && bits == 32) {
        audio.format = SampleFormat::Float32;
    } else {
        throw ToolError(name + " has an unsupported sample format (use 16/24-bit PCM or " +
                        "32-bit float)");
    }
    if (channels != 1 && channels != 2) {
        throw ToolError(name + " has " + std::to_string(channels) +
                        " channels; only mono and stereo are supported");
    }
    if (rate == 0 || rate > 0x7FFFFFFFU || data == nullptr) {
        throw ToolError(name + " has no valid sample rate or no data");
    }
    audio.sampleRate = static_cast<int>(rate);
    const size_t width = bits / 8U;
    const size_t frames = dataSize / (width * channels);
    audio.channels.assign(channels, std::vector<float>(frames));
    for (size_t frame = 0; frame < frames; ++frame) {
        for (size_t c = 0; c < channels; ++c) {
            audio.channels[c][frame] =
                sampleAt(data + (frame * channels + c) * width, audio.format);
        }
    }
    return audio;
}

void writeWav(const std::filesystem::path &path, const Audio &audio, const std::string &shownName) {
    const auto channels = static_cast<uint16_t>(audio.channels.size());
    const uint16_t bits = audio.format == SampleFormat::Pcm16   ? 16
                          : audio.format == SampleFormat::Pcm24 ? 24
                                                                : 32;
    const uint32_t width = bits / 8U;
    const auto dataSize = static_cast<uint32_t>(audio.frames() * channels * width);
    std::vector<uint8_t> out;
    out.reserve(44 + dataSize);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataSize);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, audio.format == SampleFormat::Float32 ? kFloat : kPcm);
    put16(out, channels);
    put32(out, static_cast<uint32_t>(audio.sampleRate));
    put32(out, static_cast<uint32_t>(audio.sampleRate) * channels * width);
    put16(out, static_cast<uint16_t>(channels * width));
    put16(out, bits);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataSize);
    for (size_t frame = 0; frame < audio.frames(); ++frame) {
        for (const std::vector<float> &channel : audio.channels) {
            const float v = channel[frame];
            if (audio.format == SampleFormat::Float32) {
                uint32_t word;
                std::memcpy(&word, &v, 4);
                put32(out, word);
                continue;
            }
            // PCM is clipped rather than wrapped.
            const double scale = audio.format == SampleFormat::Pcm16 ? 32768.0 : 8388608.0;
            const double x =
                std::clamp(std::nearbyint(static_cast<double>(v) * scale), -scale, scale - 1.0);
            const auto word = static_cast<uint32_t>(static_cast<int32_t>(x));
            for (uint32_t i = 0; i < width; ++i) {
                out.push_back(static_cast<uint8_t>(word >> (8 * i)));
            }
        }
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(out.data()),
               static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) {
        throw ToolError("cannot write " + shownName);
    }
}

} // namespace frakle::tools
