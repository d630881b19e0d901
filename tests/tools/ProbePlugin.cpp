// A tiny VST 2.x plug-in that exercises the test host and the renderer: it calls back during its
// entry, reads the host's song position, takes chunks, and logs what it saw.
#include "tests/tools/ProbePlugin.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <string>

namespace {

using namespace frakle::tools::probe;

std::atomic<int> closeCount{0};

constexpr std::array<const char *, kNumParams> kParamNames{"Gain", "Beat", "Spare", "Spare"};
constexpr std::array<char, 4> kChunkTag{'P', 'r', 'b', '1'};

struct Probe {
    vst2::AEffect effect{};
    vst2::HostCallback host = nullptr;
    ProbeLog log{};
    std::array<float, kNumParams> params{0.5f, 0.0f, 0.0f, 0.0f};
    std::array<char, sizeof kChunkTag + sizeof(float) * kNumParams> chunk{};
};

Probe &probeOf(vst2::AEffect *effect) { return *static_cast<Probe *>(effect->object); }

void copyText(void *ptr, const std::string &text) {
    std::strcpy(static_cast<char *>(ptr), text.c_str());
}

double songPosition(Probe &probe) {
    const auto *time = reinterpret_cast<const vst2::VstTimeInfo *>(probe.host(
        &probe.effect, vst2::audioMasterGetTime, 0, vst2::kVstPpqPosValid, nullptr, 0.0f));
    return time == nullptr ? -1.0 : time->ppqPos;
}

void render(vst2::AEffect *effect, float **in, float **out, int32_t frames, bool accumulate) {
    Probe &probe = probeOf(effect);
    probe.log.accumulatingCalls += accumulate ? 1 : 0;
    probe.log.lastFrames = frames;
    const double position = songPosition(probe);
    const float gain = 2.0f * probe.params[0];
    const bool showBeat = probe.params[1] >= 0.5f;
    for (int32_t i = 0; i < frames; ++i) {
        const float left = in[0][i] * gain;
        const float right = showBeat ? static_cast<float>(position) : in[1][i] * gain;
        out[0][i] = accumulate ? out[0][i] + left : left;
        out[1][i] = accumulate ? out[1][i] + right : right;
    }
}

void processReplacing(vst2::AEffect *effect, float **in, float **out, int32_t frames) {
    render(effect, in, out, frames, false);
}

void processAccumulating(vst2::AEffect *effect, float **in, float **out, int32_t frames) {
    render(effect, in, out, frames, true);
}

void setParameter(vst2::AEffect *effect, int32_t index, float value) {
    if (index >= 0 && index < kNumParams) {
        probeOf(effect).params[static_cast<size_t>(index)] = value;
    }
}

float getParameter(vst2::AEffect *effect, int32_t index) {
    return index >= 0 && index < kNumParams ? probeOf(effect).params[static_cast<size_t>(index)]
                                            : 0.0f;
}

intptr_t dispatcher(vst2::AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr,
                    float /*opt*/) {
    Probe &probe = probeOf(effect);
    const auto param = static_cast<size_t>(std::clamp(index, 0, kNumParams - 1));
    switch (opcode) {
    case vst2::effClose:
        ++closeCount;
        delete &probe;
        return 1;
    case vst2::effGetParamName:
        copyText(ptr, kParamNames[param]);
        return 1;
    case vst2::effGetChunk:
        std::copy(kChunkTag.begin(), kChunkTag.end(), probe.chunk.begin());
        std::memcpy(probe.chunk.data() + kChunkTag.size(), probe.params.data(),
                    sizeof probe.params);
        *static_cast<void **>(ptr) = probe.chunk.data();
        return static_cast<intptr_t>(probe.chunk.size());
    case vst2::effSetChunk:
        if (index != 1 || value != static_cast<intptr_t>(probe.chunk.size()) ||
            std::memcmp(ptr, kChunkTag.data(), kChunkTag.size()) != 0) {
            return 0;
        }
        std::memcpy(probe.params.data(), static_cast<const char *>(ptr) + kChunkTag.size(),
                    sizeof probe.params);
        return 1;
    case vst2::effVendorSpecific:
        if (index == kLogRequest) {
            return reinterpret_cast<intptr_t>(&probe.log);
        }
        if (index == kCallHostRequest) {
            const auto &call = *static_cast<const HostCall *>(ptr);
            return probe.host(effect, call.opcode, call.index, call.value, call.ptr, call.opt);
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) int frakleProbeCloseCount() {
    return closeCount.load();
}

extern "C" __attribute__((visibility("default"))) vst2::AEffect *
VSTPluginMain(vst2::HostCallback host) {
    auto *probe = new Probe;
    probe->host = host;
    host(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f); // as plug-ins ask at entry
    vst2::AEffect &effect = probe->effect;
    effect.magic = vst2::kEffectMagic;
    effect.dispatcher = dispatcher;
    effect.process = processAccumulating;
    effect.processReplacing = processReplacing;
    effect.setParameter = setParameter;
    effect.getParameter = getParameter;
    effect.numPrograms = 1;
    effect.numParams = kNumParams;
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags = vst2::effFlagsCanReplacing | vst2::effFlagsProgramChunks;
    effect.object = probe;
    effect.uniqueID = kUniqueId;
    effect.version = 3;
    // Asked before the host has the effect back.
    host(&effect, vst2::audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
    return &effect;
}
