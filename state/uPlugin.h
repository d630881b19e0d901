// APlugin: the plug-in object. Owns the program store, the engine and (later) the DSP objects;
// turns parameter changes into record writes and engine changes. Parameter and chunk calls come
// from the host's UI thread (parameters also from its audio thread and from MIDI), process calls
// from the audio thread.
#pragma once

#include "engine/Engine.h"
#include "engine/Random.h"
#include "host/DVstTemplate.h"
#include "state/ProgramStore.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace frakle::state {

class APlugin : public host::TVstTemplate {
public:
    static constexpr int32_t kNumPrograms = 1;
    static constexpr int kEditorWidth = 844;
    static constexpr int kEditorHeight = 626;

    explicit APlugin(vst2::HostCallback audioMaster);
    ~APlugin() override;

    void setParameter(int32_t index, float value) override;
    void process(float **inputs, float **outputs, int32_t frames) override;
    void processReplacing(float **inputs, float **outputs, int32_t frames) override;
    void setProgram(int32_t program) override;
    void setProgramName(const char *name) override;
    void getProgramName(char *name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char *text) override;
    int32_t getChunk(void **data, bool isPreset) override;
    int32_t setChunk(const void *data, int32_t byteSize, bool isPreset) override;
    void resume() override;
    int32_t processEvents(const host::MidiMessage *messages, int32_t count) override;
    int32_t beginSetProgram() override { return 0; }
    int32_t endSetProgram() override { return 0; }

    // The record of the current program (fixed address for the plug-in's lifetime).
    TProgramRecord &record() { return store_.record(); }
    engine::TEngine &engine() { return engine_; }
    engine::TRandom &random() { return random_; }

    // Pushes the current record into the engine and tells the host every value.
    void programLoad();
    // Writes a fresh default record into the store and pushes it.
    void defaultProgramReset();
    // Loads pattern p (0 … 15) of the record into the engine.
    void loadPattern(int32_t p);
    // Solo and global effect of the current pattern; `forced` sets, otherwise toggles.
    void solo(int32_t effect, bool forced);
    void global(int32_t effect, bool forced);

    int32_t soloEffect() const { return soloEffect_.load(std::memory_order_relaxed); }
    int32_t pendingGlobalEffect() const { return pendingGlobal_.load(std::memory_order_relaxed); }
    int32_t currentPattern() const { return currentPattern_.load(std::memory_order_relaxed); }
    bool editorOpen() const { return editorOpen_.load(std::memory_order_relaxed); }

    // Largest chunk accepted: far beyond any program this plug-in writes.
    static constexpr int32_t kMaxChunkSize = 16 << 20;

protected:
    void initParameterTable() override;

private:
    void processBlock(float **inputs, float **outputs, int32_t frames, bool accumulate);
    void migrateCcMap();
    void commonChunkTail();

    TProgramStore store_;
    engine::TRandom random_;
    engine::TEngine engine_;
    std::vector<uint8_t> presetChunk_; // what the last preset getChunk handed out (UI thread)
    std::vector<uint8_t> bankChunk_;   // likewise for the bank

    int32_t loadedSolo_ = -1;
    int32_t loadedGlobal_ = -1;
    std::atomic<int32_t> soloEffect_{-1};
    std::atomic<int32_t> pendingGlobal_{-1};
    std::atomic<int32_t> currentPattern_{0};
    std::atomic<bool> delayRefresh_{true};
    std::atomic<bool> editorOpen_{false};
};

} // namespace frakle::state
