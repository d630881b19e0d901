// The test host: plug-in loading, callback routing, timeline and block processing.
#include "tools/testhost/TestHost.h"

#include "platform/Platform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace frakle::tools {

namespace {

constexpr size_t kStringBufferSize = 256;

// Plug-ins may call back before their entry function has returned (with a null AEffect or with
// their own one), so a host is found first by AEffect address, then as the one this thread is
// loading.
std::mutex registryMutex;
std::unordered_map<const vst2::AEffect *, TestHost *> registry;
thread_local TestHost *hostBeingLoaded = nullptr;

TestHost *findHost(const vst2::AEffect *effect) {
    if (effect != nullptr) {
        std::lock_guard lock(registryMutex);
        if (auto it = registry.find(effect); it != registry.end()) {
            return it->second;
        }
    }
    return hostBeingLoaded;
}

intptr_t copyString(void *ptr, const char *text) {
    if (ptr == nullptr) {
        return 0;
    }
    std::strncpy(static_cast<char *>(ptr), text, vst2::kVstMaxVendorStrLen - 1);
    static_cast<char *>(ptr)[vst2::kVstMaxVendorStrLen - 1] = '\0';
    return 1;
}

// Answers that need no host state, for callbacks no host can be found for.
intptr_t statelessAnswer(int32_t opcode, void *ptr) {
    switch (opcode) {
    case vst2::audioMasterVersion:
        return TestHost::kHostVersion;
    case vst2::audioMasterGetProductString:
        return copyString(ptr, TestHost::kProductString);
    case vst2::audioMasterGetVendorString:
        return copyString(ptr, TestHost::kVendorString);
    default:
        return 0;
    }
}

// An integer answer for a value the timeline holds.
intptr_t integerAnswer(double value) {
    constexpr double kLimit = 9.2e18; // just inside intptr_t
    if (!(std::fabs(value) < kLimit)) {
        return std::numeric_limits<intptr_t>::min();
    }
    return static_cast<intptr_t>(std::llround(value));
}

} // namespace

void Timeline::advance(int64_t frames) {
    if (!playing || !(sampleRate > 0.0)) {
        return;
    }
    const double beats = static_cast<double>(frames) * tempo / (60.0 * sampleRate);
    if (std::isfinite(beats)) {
        ppqPosition += beats;
    }
    samplePosition += static_cast<double>(frames);
}

TestHost::TestHost(const std::filesystem::path &pluginPath, HostCallback callback)
    : path_(pluginPath), callbackKind_(callback) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(pluginPath, error)) {
        throw HostError("cannot load plug-in " + pluginPath.string() + ": no such file");
    }
    // Without a folder the loader would search its own path instead of the current folder.
    const std::filesystem::path file =
        pluginPath.has_parent_path() ? pluginPath : std::filesystem::path(".") / pluginPath;
    std::string loadError;
    library_ = platform::openLibrary(file, loadError);
    if (library_ == nullptr) {
        throw HostError("cannot load plug-in: " + loadError);
    }
    void *symbol = platform::findSymbol(library_, "VSTPluginMain");
    if (symbol == nullptr) {
        symbol = platform::findSymbol(library_, "main");
    }
    if (symbol == nullptr) {
        platform::closeLibrary(library_);
        throw HostError("cannot load plug-in " + pluginPath.string() +
                        ": it exports neither VSTPluginMain nor main");
    }
    auto entry = reinterpret_cast<vst2::EntryProc>(symbol);

    vst2::AEffect *effect = nullptr;
    {
        struct LoadingScope {
            TestHost *outer = hostBeingLoaded;
            explicit LoadingScope(TestHost *host) { hostBeingLoaded = host; }
            ~LoadingScope() { hostBeingLoaded = outer; }
        } scope(this);
        effect = entry(callback == HostCallback::None ? nullptr : &TestHost::callback);
    }

    if (effect == nullptr || effect->magic != vst2::kEffectMagic) {
        platform::closeLibrary(library_);
        throw HostError("cannot load plug-in " + pluginPath.string() +
                        (effect == nullptr ? ": its entry returned no effect"
                                           : ": its effect has a bad magic number"));
    }
    effect_ = effect;
    std::lock_guard lock(registryMutex);
    registry[effect_] = this;
}

TestHost::~TestHost() {
    close();
    platform::closeLibrary(library_);
}

const vst2::AEffect &TestHost::effect() const { return *live(); }

vst2::AEffect *TestHost::live() const {
    if (effect_ == nullptr) {
        throw HostError("plug-in " + path_.string() + " is already closed");
    }
    return effect_;
}

intptr_t TestHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt) {
    vst2::AEffect *effect = live();
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void TestHost::open() { dispatch(vst2::effOpen); }

void TestHost::close() {
    if (effect_ == nullptr) {
        return;
    }
    vst2::AEffect *effect = effect_;
    effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    std::lock_guard lock(registryMutex);
    registry.erase(effect);
}

void TestHost::suspend() { dispatch(vst2::effMainsChanged, 0, 0); }

void TestHost::resume() { dispatch(vst2::effMainsChanged, 0, 1); }

void TestHost::setSampleRate(double rate) {
    timeline_.sampleRate = rate;
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void TestHost::setBlockSize(int32_t frames) {
    blockSize_ = frames;
    dispatch(vst2::effSetBlockSize, 0, frames);
}

std::string TestHost::readString(int32_t opcode, int32_t index) {
    std::array<char, kStringBufferSize> buffer{};
    dispatch(opcode, index, 0, buffer.data());
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string TestHost::effectName() { return readString(vst2::effGetEffectName, 0); }
std::string TestHost::vendor() { return readString(vst2::effGetVendorString, 0); }
std::string TestHost::product() { return readString(vst2::effGetProductString, 0); }
intptr_t TestHost::vendorVersion() { return dispatch(vst2::effGetVendorVersion); }
std::string TestHost::paramName(int32_t index) { return readString(vst2::effGetParamName, index); }
std::string TestHost::paramLabel(int32_t index) {
    return readString(vst2::effGetParamLabel, index);
}
std::string TestHost::paramDisplay(int32_t index) {
    return readString(vst2::effGetParamDisplay, index);
}

float TestHost::getParameter(int32_t index) {
    vst2::AEffect *effect = live();
    return effect->getParameter(effect, index);
}

void TestHost::setParameter(int32_t index, float value) {
    vst2::AEffect *effect = live();
    effect->setParameter(effect, index, value);
}

intptr_t TestHost::canDo(const std::string &feature) {
    std::string copy = feature;
    return dispatch(vst2::effCanDo, 0, 0, copy.data());
}

std::optional<vst2::VstPinProperties> TestHost::pinProperties(int32_t opcode, int32_t index) {
    vst2::VstPinProperties properties{};
    if (dispatch(opcode, index, 0, &properties) == 0) {
        return std::nullopt;
    }
    return properties;
}

std::optional<vst2::VstPinProperties> TestHost::inputProperties(int32_t index) {
    return pinProperties(vst2::effGetInputProperties, index);
}

std::optional<vst2::VstPinProperties> TestHost::outputProperties(int32_t index) {
    return pinProperties(vst2::effGetOutputProperties, index);
}

void TestHost::setProgram(int32_t program) { dispatch(vst2::effSetProgram, 0, program); }

int32_t TestHost::program() { return static_cast<int32_t>(dispatch(vst2::effGetProgram)); }

std::string TestHost::programName() { return readString(vst2::effGetProgramName, 0); }

void TestHost::setProgramName(const std::string &name) {
    std::array<char, kStringBufferSize> buffer{};
    std::strncpy(buffer.data(), name.c_str(), vst2::kVstMaxProgNameLen);
    dispatch(vst2::effSetProgramName, 0, 0, buffer.data());
}

std::vector<uint8_t> TestHost::getChunk(ChunkKind kind) {
    void *data = nullptr;
    const intptr_t size = dispatch(vst2::effGetChunk, static_cast<int32_t>(kind), 0, &data);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto *bytes = static_cast<const uint8_t *>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t TestHost::setChunk(std::span<const uint8_t> bytes, ChunkKind kind) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    return dispatch(vst2::effSetChunk, static_cast<int32_t>(kind),
                    static_cast<intptr_t>(copy.size()), copy.empty() ? nullptr : copy.data());
}

std::optional<vst2::ERect> TestHost::editorRect() {
    vst2::ERect *rect = nullptr;
    dispatch(vst2::effEditGetRect, 0, 0, &rect);
    if (rect == nullptr) {
        return std::nullopt;
    }
    return *rect;
}

intptr_t TestHost::openEditor(uintptr_t windowId) {
    return dispatch(vst2::effEditOpen, 0, 0, reinterpret_cast<void *>(windowId));
}

void TestHost::idleEditor() { dispatch(vst2::effEditIdle); }

void TestHost::closeEditor() { dispatch(vst2::effEditClose); }

vst2::ProcessProc TestHost::processProc(ProcessMode mode) const {
    const vst2::AEffect *effect = live();
    const vst2::ProcessProc proc =
        mode == ProcessMode::Replacing ? effect->processReplacing : effect->process;
    if (proc == nullptr) {
        throw HostError(mode == ProcessMode::Replacing ? "plug-in has no processReplacing"
                                                       : "plug-in has no process");
    }
    return proc;
}

void TestHost::run(ProcessMode mode, std::span<const float> inLeft, std::span<const float> inRight,
                   std::span<float> outLeft, std::span<float> outRight) {
    const size_t frames = inLeft.size();
    if (inRight.size() != frames || outLeft.size() != frames || outRight.size() != frames) {
        throw HostError("stereo buffers of different lengths");
    }
    vst2::AEffect *effect = live();
    const vst2::ProcessProc proc = processProc(mode);

    // The plug-in gets buffers of its own channel counts; beyond stereo they are silent
    // inputs and discarded outputs. Copies keep the caller's memory out of its reach.
    const size_t inputs = static_cast<size_t>(std::max(effect->numInputs, 0));
    const size_t outputs = static_cast<size_t>(std::max(effect->numOutputs, 0));
    const size_t capacity = std::max<size_t>(frames, 1);
    inputBuffers_.resize(std::max<size_t>(inputs, 1));
    outputBuffers_.resize(std::max<size_t>(outputs, 1));
    inputPointers_.clear();
    outputPointers_.clear();
    for (size_t channel = 0; channel < inputBuffers_.size(); ++channel) {
        auto &buffer = inputBuffers_[channel];
        buffer.assign(capacity, 0.0f);
        const std::span<const float> source = channel == 0 ? inLeft : inRight;
        if (channel < 2) {
            std::copy(source.begin(), source.end(), buffer.begin());
        }
        inputPointers_.push_back(buffer.data());
    }
    for (size_t channel = 0; channel < outputBuffers_.size(); ++channel) {
        auto &buffer = outputBuffers_[channel];
        buffer.assign(capacity, 0.0f);
        const std::span<float> target = channel == 0 ? outLeft : outRight;
        if (channel < 2 && mode == ProcessMode::Accumulating) {
            std::copy(target.begin(), target.end(), buffer.begin());
        }
        outputPointers_.push_back(buffer.data());
    }

    proc(effect, inputPointers_.data(), outputPointers_.data(), static_cast<int32_t>(frames));

    if (outputs == 0) {
        if (mode == ProcessMode::Replacing) {
            std::fill(outLeft.begin(), outLeft.end(), 0.0f);
            std::fill(outRight.begin(), outRight.end(), 0.0f);
        }
        return;
    }
    std::copy_n(outputBuffers_[0].begin(), frames, outLeft.begin());
    std::copy_n(outputBuffers_[outputs > 1 ? 1 : 0].begin(), frames, outRight.begin());
}

void TestHost::processReplacing(std::span<const float> inLeft, std::span<const float> inRight,
                                std::span<float> outLeft, std::span<float> outRight) {
    run(ProcessMode::Replacing, inLeft, inRight, outLeft, outRight);
}

void TestHost::process(std::span<const float> inLeft, std::span<const float> inRight,
                       std::span<float> outLeft, std::span<float> outRight) {
    run(ProcessMode::Accumulating, inLeft, inRight, outLeft, outRight);
}

void TestHost::processRaw(ProcessMode mode, float **inputs, float **outputs, int32_t frames) {
    vst2::AEffect *effect = live();
    const vst2::ProcessProc proc = processProc(mode);
    proc(effect, inputs, outputs, frames);
}

StereoSignal TestHost::processSignal(const StereoSignal &input, int32_t blockFrames,
                                     ProcessMode mode) {
    if (blockFrames <= 0) {
        throw HostError("block size must be positive");
    }
    if (input.left.size() != input.right.size()) {
        throw HostError("stereo signal with channels of different lengths");
    }
    const size_t frames = input.frames();
    StereoSignal output{std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
    for (size_t start = 0; start < frames; start += static_cast<size_t>(blockFrames)) {
        const size_t count = std::min(frames - start, static_cast<size_t>(blockFrames));
        run(mode, std::span(input.left).subspan(start, count),
            std::span(input.right).subspan(start, count),
            std::span(output.left).subspan(start, count),
            std::span(output.right).subspan(start, count));
        timeline_.advance(static_cast<int64_t>(count));
    }
    return output;
}

intptr_t TestHost::sendMidi(std::span<const MidiMessage> messages) {
    std::vector<vst2::VstMidiEvent> midi(messages.size());
    std::vector<vst2::VstEvent *> pointers;
    for (size_t i = 0; i < messages.size(); ++i) {
        vst2::VstMidiEvent &event = midi[i];
        event.type = vst2::kVstMidiType;
        event.byteSize = sizeof(vst2::VstMidiEvent);
        event.deltaFrames = messages[i].deltaFrames;
        std::copy(messages[i].bytes.begin(), messages[i].bytes.end(), event.midiData);
        pointers.push_back(reinterpret_cast<vst2::VstEvent *>(&event));
    }
    return sendEvents(pointers);
}

intptr_t TestHost::sendEvents(std::span<vst2::VstEvent *const> events) {
    // VstEvents ends in an array that really holds numEvents pointers.
    const size_t bytes = offsetof(vst2::VstEvents, events) +
                         std::max<size_t>(events.size(), 2) * sizeof(vst2::VstEvent *);
    std::vector<intptr_t> storage((bytes + sizeof(intptr_t) - 1) / sizeof(intptr_t), 0);
    auto *list = reinterpret_cast<vst2::VstEvents *>(storage.data());
    list->numEvents = static_cast<int32_t>(events.size());
    list->reserved = 0;
    auto *slots = reinterpret_cast<vst2::VstEvent **>(reinterpret_cast<char *>(storage.data()) +
                                                      offsetof(vst2::VstEvents, events));
    std::copy(events.begin(), events.end(), slots);
    return dispatch(vst2::effProcessEvents, 0, 0, list);
}

std::vector<Automation> TestHost::automations() const {
    std::lock_guard lock(recordMutex_);
    return automations_;
}

void TestHost::clearAutomations() {
    std::lock_guard lock(recordMutex_);
    automations_.clear();
}

int TestHost::callbackCount(int32_t opcode) const {
    std::lock_guard lock(recordMutex_);
    auto it = callbackCounts_.find(opcode);
    return it == callbackCounts_.end() ? 0 : it->second;
}

intptr_t TestHost::callback(vst2::AEffect *effect, int32_t opcode, int32_t index,
                            intptr_t /*value*/, void *ptr, float opt) {
    TestHost *host = findHost(effect);
    if (host == nullptr) {
        return statelessAnswer(opcode, ptr);
    }
    {
        std::lock_guard lock(host->recordMutex_);
        ++host->callbackCounts_[opcode];
        if (opcode == vst2::audioMasterAutomate) {
            host->automations_.push_back({index, opt});
        }
    }
    return host->answer(opcode, ptr);
}

intptr_t TestHost::answer(int32_t opcode, void *ptr) {
    if (callbackKind_ == HostCallback::VersionOnly) {
        return opcode == vst2::audioMasterVersion ? kHostVersion : 0;
    }
    switch (opcode) {
    case vst2::audioMasterGetTime: {
        if (!timeline_.available) {
            return 0;
        }
        const Timeline &t = timeline_;
        timeInfo_ = {};
        timeInfo_.samplePos = t.samplePosition;
        timeInfo_.sampleRate = t.sampleRate;
        timeInfo_.ppqPos = t.ppqPosition;
        timeInfo_.tempo = t.tempo;
        const double barBeats = 4.0 * t.timeSigNumerator / std::max(t.timeSigDenominator, 1);
        timeInfo_.barStartPos = std::floor(t.ppqPosition / barBeats) * barBeats;
        timeInfo_.timeSigNumerator = t.timeSigNumerator;
        timeInfo_.timeSigDenominator = t.timeSigDenominator;
        timeInfo_.flags = vst2::kVstPpqPosValid | vst2::kVstTempoValid | vst2::kVstBarsValid |
                          vst2::kVstTimeSigValid;
        if (t.playing) {
            timeInfo_.flags |= vst2::kVstTransportPlaying;
        }
        if (!timeReported_ || reportedPlaying_ != t.playing) {
            timeInfo_.flags |= vst2::kVstTransportChanged;
        }
        timeReported_ = true;
        reportedPlaying_ = t.playing;
        return reinterpret_cast<intptr_t>(&timeInfo_);
    }
    case vst2::audioMasterTempoAt:
        return integerAnswer(timeline_.tempo * 10000.0);
    case vst2::audioMasterGetSampleRate:
        return integerAnswer(timeline_.sampleRate);
    case vst2::audioMasterGetBlockSize:
        return blockSize_;
    default:
        return statelessAnswer(opcode, ptr);
    }
}

} // namespace frakle::tools
