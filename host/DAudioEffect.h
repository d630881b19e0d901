// The VST 2.x base classes: AudioEffect holds the AEffect record the host sees and turns host
// opcodes into virtual calls; AudioEffectX adds the 2.x opcodes and the host-callback wrappers.
// Dispatcher calls arrive on the host's UI thread, process calls on its audio thread.
#pragma once

#include "host/vst2.h"

#include <atomic>
#include <cstdint>

namespace frakle::host {

class AudioEffect;

// The editor as the dispatcher sees it.
class AEffEditor {
public:
    explicit AEffEditor(AudioEffect *effect) : effect_(effect) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor &) = delete;
    AEffEditor &operator=(const AEffEditor &) = delete;

    virtual bool getRect(vst2::ERect **rect) = 0;
    virtual bool open(void *parentWindow) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;

protected:
    AudioEffect *effect_;
    void *systemWindow_ = nullptr;
    bool updateFlag_ = false;
};

// One MIDI message as the plug-in sees it, whatever record the host used.
struct MidiMessage {
    int32_t deltaFrames;
    uint8_t bytes[3];
};

// Transport as reported by the host for the coming block.
struct HostTime {
    bool valid = false; // the host answered the time request
    double ppqPosition = 0.0;
    bool playing = false;
};

class AudioEffect {
public:
    AudioEffect(vst2::HostCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect &) = delete;
    AudioEffect &operator=(const AudioEffect &) = delete;

    vst2::AEffect *getAeffect() { return &cEffect_; }
    static AudioEffect *fromAeffect(vst2::AEffect *effect);

    virtual void setSampleRate(float sampleRate);
    virtual void setBlockSize(int32_t blockSize);
    virtual void setParameter(int32_t /*index*/, float /*value*/) {}
    virtual float getParameter(int32_t /*index*/) { return 0.0f; }
    virtual void setParameterAutomated(int32_t index, float value);
    virtual void process(float ** /*inputs*/, float ** /*outputs*/, int32_t /*frames*/) {}
    virtual void processReplacing(float ** /*inputs*/, float ** /*outputs*/, int32_t /*frames*/) {}
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void *ptr,
                                float opt);
    virtual void open() {}
    virtual void close() {}
    virtual int32_t getProgram() { return curProgram_; }
    virtual void setProgram(int32_t program) { curProgram_ = program; }
    virtual void setProgramName(const char * /*name*/) {}
    virtual void getProgramName(char *name) { name[0] = 0; }
    virtual void getParameterLabel(int32_t /*index*/, char *label) { label[0] = 0; }
    virtual void getParameterDisplay(int32_t /*index*/, char *text) { text[0] = 0; }
    virtual void getParameterName(int32_t /*index*/, char *text) { text[0] = 0; }
    virtual float getVu() { return 0.0f; }
    virtual int32_t getChunk(void ** /*data*/, bool /*isPreset*/) { return 0; }
    virtual int32_t setChunk(const void * /*data*/, int32_t /*byteSize*/, bool /*isPreset*/) {
        return 0;
    }
    virtual void suspend() {}
    virtual void resume() {}

    void setUniqueID(int32_t id) { cEffect_.uniqueID = id; }
    void setNumInputs(int32_t n) { cEffect_.numInputs = n; }
    void setNumOutputs(int32_t n) { cEffect_.numOutputs = n; }
    void setInitialDelay(int32_t delay) { cEffect_.initialDelay = delay; }
    void setFlag(int32_t flag, bool on);
    void setEditor(AEffEditor *editor); // takes ownership
    AEffEditor *getEditor() { return editor_; }

    float getSampleRate() const { return sampleRate_.load(std::memory_order_relaxed); }
    int32_t getBlockSize() const { return blockSize_.load(std::memory_order_relaxed); }
    int32_t numParams() const { return numParams_; }
    int32_t numPrograms() const { return numPrograms_; }

    // Calls the host; answers 0 when the host gave no callback.
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void *ptr = nullptr,
                      float opt = 0.0f);

protected:
    vst2::AEffect cEffect_{};
    std::atomic<float> sampleRate_{44100.0f};
    AEffEditor *editor_ = nullptr;
    int32_t numPrograms_;
    int32_t numParams_;
    std::atomic<int32_t> blockSize_{1024};
    int32_t curProgram_ = 0;
    vst2::HostCallback audioMaster_;
};

class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void *ptr,
                        float opt) override;

    // Host queries made once per audio block.
    HostTime getTimeInfo(int32_t mask);
    double tempoAt(int32_t samplePosition); // beats per minute; 0 when unknown
    double hostSampleRate();                // Hz; 0 when unknown
    void wantEvents() { callHost(vst2::audioMasterWantMidi, 0, 1); }

    virtual int32_t processEvents(const MidiMessage * /*messages*/, int32_t /*count*/) { return 1; }
    virtual bool canParameterBeAutomated(int32_t /*index*/) { return true; }
    virtual bool getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char * /*text*/) {
        return false;
    }
    virtual bool getInputProperties(int32_t /*index*/, vst2::VstPinProperties * /*props*/) {
        return false;
    }
    virtual bool getOutputProperties(int32_t /*index*/, vst2::VstPinProperties * /*props*/) {
        return false;
    }
    virtual int32_t getPlugCategory() { return 0; }
    virtual bool getEffectName(char * /*name*/) { return false; }
    virtual bool getVendorString(char * /*text*/) { return false; }
    virtual bool getProductString(char * /*text*/) { return false; }
    virtual int32_t getVendorVersion() { return 0; }
    virtual int32_t canDo(const char * /*text*/) { return 0; }
    virtual int32_t getVstVersion() { return 2300; }
    virtual int32_t beginSetProgram() { return 0; }
    virtual int32_t endSetProgram() { return 0; }

private:
    int32_t dispatchEvents(const vst2::VstEvents *events);
};

// Made by the plug-in; called by the entry point once per instance. Null when construction fails.
AudioEffect *createEffectInstance(vst2::HostCallback audioMaster);

} // namespace frakle::host
