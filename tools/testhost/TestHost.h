// A small VST 2.x host for tests and offline tools: loads a plug-in binary, answers its
// callbacks from a scriptable timeline and records what it asked for.
#pragma once

#include "host/vst2.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace frakle::tools {

// Raised when a plug-in cannot be loaded or the host is misused.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What audioMasterGetTime reports. The position is that of the first frame of the next block.
// Any value goes, as a careless host may report it; audioMasterGetSampleRate and
// audioMasterTempoAt answer in integers, so a rate or tempo that is no number or beyond their
// range is answered as the lowest integer, as a plain conversion would give.
struct Timeline {
    double sampleRate = 44100.0;
    double tempo = 120.0;
    double ppqPosition = 0.0;
    double samplePosition = 0.0;
    int32_t timeSigNumerator = 4;
    int32_t timeSigDenominator = 4;
    bool playing = false;
    bool available = true; // false: audioMasterGetTime answers null

    // Moves the song position on by the given frames while playing, unless the rate and tempo
    // give no finite distance.
    void advance(int64_t frames);
};

struct Automation {
    int32_t index;
    float value;
};

struct MidiMessage {
    int32_t deltaFrames = 0;
    std::array<uint8_t, 3> bytes{};
};

struct StereoSignal {
    std::vector<float> left;
    std::vector<float> right;

    size_t frames() const { return left.size(); }
};

enum class ChunkKind { Bank = 0, Preset = 1 };
enum class ProcessMode { Replacing, Accumulating };

// What the host hands the plug-in's entry point: its full callback, one that answers the version
// query and nothing else (a host that knows no time, rate or tempo), or none at all.
enum class HostCallback { Full, VersionOnly, None };

class TestHost {
public:
    static constexpr intptr_t kHostVersion = 2400;
    static constexpr const char *kProductString = "frakle-testhost";
    static constexpr const char *kVendorString = "frakle";

    // Loads the binary and calls its entry point; throws HostError on failure.
    explicit TestHost(const std::filesystem::path &pluginPath,
                      HostCallback callback = HostCallback::Full);
    ~TestHost();
    TestHost(const TestHost &) = delete;
    TestHost &operator=(const TestHost &) = delete;

    const vst2::AEffect &effect() const;
    const std::filesystem::path &path() const { return path_; }
    bool closed() const { return effect_ == nullptr; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void *ptr = nullptr,
                      float opt = 0.0f);

    // Lifecycle.
    void open();
    void close(); // effClose once; later calls do nothing
    void suspend();
    void resume();
    void setSampleRate(double rate); // also the timeline's rate
    void setBlockSize(int32_t frames);
    int32_t blockSize() const { return blockSize_; }

    // Identity and parameters.
    std::string effectName();
    std::string vendor();
    std::string product();
    intptr_t vendorVersion();
    std::string paramName(int32_t index);
    std::string paramLabel(int32_t index);
    std::string paramDisplay(int32_t index);
    float getParameter(int32_t index);
    void setParameter(int32_t index, float value);
    intptr_t canDo(const std::string &feature);
    std::optional<vst2::VstPinProperties> inputProperties(int32_t index);
    std::optional<vst2::VstPinProperties> outputProperties(int32_t index);

    // Programs and state.
    void setProgram(int32_t program);
    int32_t program();
    std::string programName();
    void setProgramName(const std::string &name);
    std::vector<uint8_t> getChunk(ChunkKind kind);
    intptr_t setChunk(std::span<const uint8_t> bytes, ChunkKind kind);

    // Editor.
    std::optional<vst2::ERect> editorRect();
    intptr_t openEditor(uintptr_t windowId);
    void idleEditor();
    void closeEditor();

    // Audio. All four spans have the same length, which may be zero. Accumulating adds to the
    // outputs through AEffect::process. A plug-in with one input hears the left channel; one
    // with one output fills both.
    void processReplacing(std::span<const float> inLeft, std::span<const float> inRight,
                          std::span<float> outLeft, std::span<float> outRight);
    void process(std::span<const float> inLeft, std::span<const float> inRight,
                 std::span<float> outLeft, std::span<float> outRight);
    // The pointers and frame count exactly as given, as a careless host would pass them: null
    // arrays, null channels, negative counts. The timeline does not move.
    void processRaw(ProcessMode mode, float **inputs, float **outputs, int32_t frames);
    // Runs a whole signal through in blocks, advancing the timeline after each block.
    StereoSignal processSignal(const StereoSignal &input, int32_t blockFrames,
                               ProcessMode mode = ProcessMode::Replacing);

    // MIDI and other events through effProcessEvents.
    intptr_t sendMidi(std::span<const MidiMessage> messages);
    intptr_t sendEvents(std::span<vst2::VstEvent *const> events);

    // What the plug-in asked of the host.
    Timeline &timeline() { return timeline_; }
    std::vector<Automation> automations() const;
    void clearAutomations();
    int callbackCount(int32_t opcode) const;
    int wantMidiCount() const { return callbackCount(vst2::audioMasterWantMidi); }

private:
    static intptr_t callback(vst2::AEffect *effect, int32_t opcode, int32_t index, intptr_t value,
                             void *ptr, float opt);
    intptr_t answer(int32_t opcode, void *ptr);
    vst2::AEffect *live() const;
    std::string readString(int32_t opcode, int32_t index);
    std::optional<vst2::VstPinProperties> pinProperties(int32_t opcode, int32_t index);
    vst2::ProcessProc processProc(ProcessMode mode) const;
    void run(ProcessMode mode, std::span<const float> inLeft, std::span<const float> inRight,
             std::span<float> outLeft, std::span<float> outRight);

    std::filesystem::path path_;
    HostCallback callbackKind_;
    void *library_ = nullptr;
    vst2::AEffect *effect_ = nullptr;
    int32_t blockSize_ = 512;
    Timeline timeline_;
    vst2::VstTimeInfo timeInfo_{};
    bool reportedPlaying_ = false;
    bool timeReported_ = false;

    mutable std::mutex recordMutex_;
    std::vector<Automation> automations_;
    std::map<int32_t, int> callbackCounts_;

    std::vector<std::vector<float>> inputBuffers_;
    std::vector<std::vector<float>> outputBuffers_;
    std::vector<float *> inputPointers_;
    std::vector<float *> outputPointers_;
};

} // namespace frakle::tools
