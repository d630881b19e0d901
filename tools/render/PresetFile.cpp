// Reading and writing preset chunks and .fxp programs (all numbers big-endian).
#include "tools/render/PresetFile.h"

#include "tools/common/ToolSupport.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace frakle::tools {

namespace {

constexpr size_t kHeaderSize = 56; // up to and including the 28-byte program name
constexpr size_t kNameOffset = 28;
constexpr size_t kNameSize = 28;
constexpr int32_t kFxpFormatVersion = 1;

bool hasChunks(TestHost &host) { return (host.effect().flags & vst2::effFlagsProgramChunks) != 0; }

uint32_t readBigEndian(const std::vector<uint8_t> &bytes, size_t offset) {
    return (uint32_t{bytes[offset]} << 24) | (uint32_t{bytes[offset + 1]} << 16) |
           (uint32_t{bytes[offset + 2]} << 8) | uint32_t{bytes[offset + 3]};
}

void appendBigEndian(std::vector<uint8_t> &bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
}

std::string idText(int32_t id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xff);
        if (!std::isprint(static_cast<unsigned char>(c))) {
            return std::to_string(id);
        }
        text += c;
    }
    return "'" + text + "'";
}

std::vector<uint8_t> readFile(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    std::error_code error;
    if (!in) {
        throw ToolError("cannot read preset " + file.string() + ": " + std::strerror(errno));
    }
    if (std::filesystem::is_directory(file, error)) {
        throw ToolError("cannot read preset " + file.string() + ": it is a folder");
    }
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void loadFxp(TestHost &host, const std::vector<uint8_t> &bytes, const std::string &name) {
    if (bytes.size() < kHeaderSize) {
        throw ToolError(name + " is too short for an .fxp program");
    }
    const uint32_t byteSize = readBigEndian(bytes, 4);
    if (byteSize < kHeaderSize - 8 || byteSize > bytes.size() - 8) {
        throw ToolError(name + " has a size field that does not fit the file");
    }
    const size_t end = byteSize + 8;
    const auto type = static_cast<int32_t>(readBigEndian(bytes, 8));
    if (type == vst2::kFxBankMagic || type == vst2::kFxChunkBankMagic) {
        throw ToolError(name + " is a bank file, not a single program");
    }
    if (type != vst2::kFxProgramMagic && type != vst2::kFxChunkProgramMagic) {
        throw ToolError(name + " is not an .fxp program (unknown type " + idText(type) + ")");
    }
    const auto id = static_cast<int32_t>(readBigEndian(bytes, 16));
    if (id != host.effect().uniqueID) {
        throw ToolError(name + " belongs to plug-in " + idText(id) + ", not " +
                        idText(host.effect().uniqueID));
    }

    if (type == vst2::kFxChunkProgramMagic) {
        if (end < kHeaderSize + 4) {
            throw ToolError(name + " is too short for an .fxp chunk program");
        }
        const uint32_t chunkSize = readBigEndian(bytes, kHeaderSize);
        if (chunkSize > end - kHeaderSize - 4) {
            throw ToolError(name + " has a chunk size that does not fit the file");
        }
        const auto chunk = std::span(bytes).subspan(kHeaderSize + 4, chunkSize);
        if (host.setChunk(chunk, ChunkKind::Preset) == 0) {
            throw ToolError("the plug-in rejected the preset in " + name);
        }
        return;
    }

    const uint32_t count = readBigEndian(bytes, 24);
    if (count > (end - kHeaderSize) / 4) {
        throw ToolError(name + " has a parameter count that does not fit the file");
    }
    if (static_cast<int64_t>(count) != host.effect().numParams) {
        throw ToolError(name + " holds " + std::to_string(count) + " parameters; the plug-in has " +
                        std::to_string(host.effect().numParams));
    }
    std::vector<float> values;
    for (uint32_t i = 0; i < count; ++i) {
        const float value = std::bit_cast<float>(readBigEndian(bytes, kHeaderSize + 4 * i));
        if (!(value >= 0.0f && value <= 1.0f)) {
            throw ToolError(name + " sets parameter " + std::to_string(i) + " outside 0..1");
        }
        values.push_back(value);
    }
    for (uint32_t i = 0; i < count; ++i) {
        host.setParameter(static_cast<int32_t>(i), values[i]);
    }
}

} // namespace

bool isFxpName(const std::filesystem::path &file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".fxp";
}

void loadPreset(TestHost &host, const std::filesystem::path &file) {
    const std::vector<uint8_t> bytes = readFile(file);
    const std::string name = file.string();
    if (bytes.size() >= 4 && static_cast<int32_t>(readBigEndian(bytes, 0)) == vst2::kCcnKMagic) {
        loadFxp(host, bytes, name);
        return;
    }
    if (!hasChunks(host)) {
        throw ToolError(name + " is not an .fxp file, and the plug-in takes no preset chunks");
    }
    if (bytes.empty()) {
        throw ToolError("preset " + name + " is empty");
    }
    if (host.setChunk(bytes, ChunkKind::Preset) == 0) {
        throw ToolError("the plug-in rejected the preset in " + name);
    }
}

void checkPresetCanBeSaved(TestHost &host, const std::filesystem::path &file) {
    if (!isFxpName(file) && !hasChunks(host)) {
        throw ToolError("the plug-in keeps no preset chunks; save to an .fxp file instead");
    }
}

std::vector<uint8_t> presetFileBytes(TestHost &host, const std::filesystem::path &file) {
    checkPresetCanBeSaved(host, file);
    std::vector<uint8_t> chunk;
    if (hasChunks(host)) {
        chunk = host.getChunk(ChunkKind::Preset);
        if (chunk.empty()) {
            throw ToolError("the plug-in gave no preset chunk to save");
        }
    }
    if (!isFxpName(file)) {
        return chunk;
    }

    const vst2::AEffect &effect = host.effect();
    std::vector<uint8_t> bytes;
    appendBigEndian(bytes, static_cast<uint32_t>(vst2::kCcnKMagic));
    appendBigEndian(bytes, 0); // byteSize, filled in below
    appendBigEndian(bytes, static_cast<uint32_t>(hasChunks(host) ? vst2::kFxChunkProgramMagic
                                                                 : vst2::kFxProgramMagic));
    appendBigEndian(bytes, kFxpFormatVersion);
    appendBigEndian(bytes, static_cast<uint32_t>(effect.uniqueID));
    appendBigEndian(bytes, static_cast<uint32_t>(effect.version));
    appendBigEndian(bytes, static_cast<uint32_t>(effect.numParams));
    const std::string programName = host.programName().substr(0, kNameSize - 1);
    bytes.resize(kNameOffset + kNameSize, 0);
    std::copy(programName.begin(), programName.end(), bytes.begin() + kNameOffset);
    if (hasChunks(host)) {
        appendBigEndian(bytes, static_cast<uint32_t>(chunk.size()));
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    } else {
        for (int32_t i = 0; i < effect.numParams; ++i) {
            appendBigEndian(bytes, std::bit_cast<uint32_t>(host.getParameter(i)));
        }
    }
    const auto byteSize = static_cast<uint32_t>(bytes.size() - 8);
    for (size_t i = 0; i < 4; ++i) {
        bytes[4 + i] = static_cast<uint8_t>(byteSize >> (24 - 8 * i));
    }
    return bytes;
}

} // namespace frakle::tools
