// APlugin: the plug-in object. Owns the program store, the engine with its filters, and the
// random generator; turns parameter changes, programs and MIDI into record writes and engine
// changes. Parameter and chunk calls come from the host's UI thread (parameters also from its
// audio thread and from MIDI), process calls from the audio thread.
#pragma once

#include "dsp/Random.h"
#include "engine/Engine.h"
#include "host/DVstTemplate.h"
#include "state/ProgramStore.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace frakle::state {

// Redraws the model asks of the editor; set from any thread, acted on by the editor's idle call.
enum EditorRequest : uint32_t {
    kRefreshAll = 1U << 0,
    kRefreshSequencer = 1U << 1,
    kRefreshSoloSwitches = 1U << 2,
    kRefreshGlobalSwitches = 1U << 3,
    kHideLearnMarkers = 1U << 4,
};

class APlugin : public host::TVstTemplate {
public:
    static constexpr int32_t kNumPrograms = 1;
    static constexpr int kEditorWidth = 844;
    static constexpr int kEditorHeight = 626;
    // Largest chunk accepted: far beyond any program this plug-in writes.
    static constexpr int32_t kMaxChunkSize = 16 << 20;

    // `formClass` is the editor the host can open; null makes a plug-in without one.
    explicit APlugin(vst2::HostCallback audioMaster, const host::FormClass *formClass = nullptr);
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

    // The record of the current program (fixed address for the plug-in's lifetime).
    TProgramRecord &record() { return store_.record(); }
    engine::TEngine &engine() { return engine_; }

    // Programs and patterns.
    void programLoad();
    void defaultProgramReset();
    void loadPattern(int32_t p);
    int32_t currentPattern() const { return currentPattern_.load(std::memory_order_relaxed); }
    // Solo and global effect of the current pattern; `forced` sets, otherwise toggles.
    void solo(int32_t effect, bool forced);
    void global(int32_t effect, bool forced);

    // An effect's own parameters: back to their defaults, or random values from the clock.
    void InitialiseEffectParameters(int32_t effect);
    void RandomiseEffectParameters(int32_t effect);
    // The wall clock the randomisers seed from: local time in days since 30 December 1899.
    using WallClock = double (*)();
    void setWallClock(WallClock clock) { wallClock_ = clock; }

    // MIDI learn.
    void SetMidiLearnTarget(int32_t tag) { learnTarget_.store(tag, std::memory_order_relaxed); }
    int32_t GetMidiLearnTarget() const { return learnTarget_.load(std::memory_order_relaxed); }
    void MidiLearn(int32_t tag, int32_t controller);
    void ForgetMidiLearn(int32_t tag);
    bool GetMidiEnabled();
    void SetMidiEnabled(bool on);

    // What the editor reads and sets (UI thread).
    float GetControlValue(int32_t tag);
    int32_t GetFilterMode(int32_t i);
    void SetFilterMode(int32_t i, bool resonant);
    int32_t GetPattern() const { return currentPattern(); }
    int32_t GetLength();
    int32_t GetStep(int32_t i);
    int32_t GetPatternSolo();
    int32_t GetPatternGlobal();
    int32_t GetClippingMode();
    void StoreClippingMode(int32_t mode);
    bool GetIgnoreTransport();
    int32_t GetCurrentStep() const { return engine_.stepIndex(); }
    void StoreDeclickSetting(float v);

    // --- pattern editing operations (PatternOperations.cpp) ---
    // Each edit writes the engine's step table and the program record of the current pattern
    // together, recomputes the event lengths and asks the editor to redraw the steps. UI thread.
    //
    // The step code painting writes: k = 0 random, 1 … 9 the effects, 10 off (code k + 1).
    void StoreChosenEffect(int32_t k);
    int32_t GetChosenEffect() const; // 1 … 11
    // Step i (0 … 63) of the current pattern := code; a tie never lands on step 0 this way.
    void SetStep(int32_t i, int32_t code);
    void SetLength(int32_t n); // step count of all patterns, kept within 4 … 64
    // Rotates the steps in use by one: dir = 1 to the left, anything else to the right.
    void ShiftPattern(int32_t dir);
    // The playing pattern, with its solo and global effect, into pattern t, then switches to t.
    void CopyPatternTo(int32_t t);
    // Overwrites all 64 steps with template k (0 … 3) and reloads the pattern.
    void LoadTemplate(int32_t k);
    // Mode 1 shuffles the steps, 2 draws new effects keeping the rhythm, 3 draws both.
    void RandomisePattern(int32_t mode);

private:
    std::atomic<int32_t> chosenEffect_{1};

public:
    // --- end of pattern editing operations ---

    // --- header switches (HelpAndHeader side) ---
    // Whether the sequencer runs whatever the host's transport does: stored in the program and
    // copied to the engine.
    void SetIgnoreTransport(bool ignore);
    // --- end of header switches ---

    // Editor traffic.
    void setEditorOpen(bool open) { editorOpen_.store(open, std::memory_order_relaxed); }
    bool editorOpen() const { return editorOpen_.load(std::memory_order_relaxed); }
    void requestEditor(uint32_t requests) {
        editorRequests_.fetch_or(requests, std::memory_order_relaxed);
    }
    uint32_t takeEditorRequests() { return editorRequests_.exchange(0, std::memory_order_relaxed); }

protected:
    void initParameterTable() override;

private:
    void processBlock(float **inputs, float **outputs, int32_t frames, bool accumulate);
    void migrateCcMap();
    void commonChunkTail();
    static void settleSnapshot(uint8_t *record);
    void applyQModes();
    void updateWeight(int32_t effect);
    void applyEffectParameter(int32_t index, float value);

    TProgramStore store_;
    dsp::TRandom random_;
    engine::TEngine engine_;
    std::vector<uint8_t> presetChunk_; // what the last preset getChunk handed out (UI thread)
    std::vector<uint8_t> bankChunk_;   // likewise for the bank

    int32_t loadedSolo_ = -1;
    int32_t loadedGlobal_ = -1;
    std::atomic<int32_t> currentPattern_{0};
    std::atomic<bool> editorOpen_{false};
    std::atomic<uint32_t> editorRequests_{0};
    std::atomic<int32_t> learnTarget_{-1};
    WallClock wallClock_;
};

} // namespace frakle::state
