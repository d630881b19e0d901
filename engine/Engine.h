// The audio engine: block processing against the host's timeline, the step clock and the
// histories the effects read. Runs on the audio thread; fields marked "shared" are also read or
// written by the UI and MIDI threads and are atomics read and written whole.
#pragma once

#include "dsp/Random.h"
#include "dsp/TeffectDelay.h"
#include "dsp/uFilterRBF2.h"
#include "effects/Crusher.h"
#include "effects/EffectContext.h"
#include "effects/Gater.h"
#include "effects/Modulator.h"
#include "effects/Retrigger.h"
#include "effects/Reverser.h"
#include "effects/Shuffler.h"
#include "effects/Stretcher.h"
#include "effects/TapeStop.h"
#include "engine/Declick.h"
#include "engine/EffectState.h"
#include "state/ProgramRecord.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace frakle::engine {

// What the host reported at the start of a block.
struct BlockTiming {
    double sampleRate = 0.0; // 0 or less: unknown, keep the instance's rate
    double tempo = 0.0;      // beats per minute; below 80 counts as 80
    bool timeValid = false;  // the host answered the time request
    double ppqPosition = 0.0;
    bool playing = false;
};

// Step codes.
enum : uint8_t { kCodeTie = 0, kCodeRandom = 1, kCodeFirstEffect = 2, kCodeOff = 11 };

// Effect numbering of the sequencer.
enum : int32_t {
    kTapeStop = 0,
    kModulator,
    kRetrigger,
    kShuffler,
    kReverser,
    kCrusher,
    kGater,
    kDelay,
    kStretcher,
    kNoEffect = 9,
    kNone = -1,
};
constexpr int kNumEffects = 9;

// Whether an effect index names one of the nine effects.
constexpr bool IsEffect(int32_t e) { return e >= 0 && e < kNumEffects; }

class TEngine {
public:
    static constexpr double kMinTempo = 80.0;
    static constexpr double kMaxTempo = 10000.0;
    static constexpr double kMinSampleRate = 8000.0;
    static constexpr double kMaxSampleRate = 768000.0;
    static constexpr float kInputLimit = 1000.0f; // +60 dB over full scale: no audio goes there

    TEngine(const state::TProgramRecord &record, dsp::TRandom &random);

    // Construction: history buffers and timing for 44.1 kHz, 120 bpm.
    void prepare();

    // One host block: timing from the host, then the frames in runs (see processRun).
    // Accumulate adds to the output buffers instead of overwriting them.
    void processBlock(const BlockTiming &timing, float *const *inputs, float *const *outputs,
                      int32_t frames, bool accumulate);

    bool stepClock(double ppq);

    void resizeHistory();
    void updateTiming();
    void updateStepLengths(); // any thread: pattern switches and step edits call it too
    void updateEnvelope();

    // The host switched the plug-in on: the event and history restart at the next block.
    void requestRestart() { restartRequested_.store(true, std::memory_order_relaxed); }

    // Effect choice (shared). Weights 0 … 8 belong to the effects, 9 to "no effect".
    void setWeight(int index, int32_t weight);
    int32_t weight(int index) const;
    void buildRandomPool();
    int32_t poolSize() const { return poolSize_; }
    int32_t poolEntry(int32_t i) const { return pool_[static_cast<size_t>(i)]; }
    void setSoloEffect(int32_t e) { soloEffect_.store(e, std::memory_order_relaxed); }
    int32_t soloEffect() const { return soloEffect_.load(std::memory_order_relaxed); }
    void setPendingGlobal(int32_t e) { pendingGlobal_.store(e, std::memory_order_relaxed); }
    int32_t pendingGlobal() const { return pendingGlobal_.load(std::memory_order_relaxed); }
    int32_t globalEffect() const { return globalEffect_.load(std::memory_order_relaxed); }
    int32_t stepEffect() const { return stepEffect_.load(std::memory_order_relaxed); }
    void requestDelayRefresh() { delayRefresh_.store(true, std::memory_order_relaxed); }
    void requestTimingRefresh() { timingRefresh_.store(true, std::memory_order_relaxed); }
    // J: the longest jump de-click tail, from the de-click setting and the current rate.
    void setJumpDeclickLimit(int32_t limit);
    int32_t jumpDeclickLimit() const { return jumpLimit_.load(std::memory_order_relaxed); }
    int32_t declickLength() const { return declick_; }
    float declickReciprocal() const { return declickReciprocal_; }
    uint32_t eventCount() const { return eventCount_.load(std::memory_order_relaxed); }

    EffectState &effectState(int e) { return effects_[static_cast<size_t>(e)]; }
    dsp::TFilterRBF2 &effectFilter(int e) { return effects_[static_cast<size_t>(e)].filter; }
    dsp::TFilterRBF2 &masterFilter() { return masterFilter_; }
    // The delay lines of the step slot (fed the input) and the global slot (fed the chain).
    dsp::TEffectDelay &stepDelay() { return stepDelay_; }
    dsp::TEffectDelay &globalDelay() { return globalDelay_; }
    dsp::TRandom &random() { return random_; }

    // Step table (shared).
    void setStepCode(int step, uint8_t code);
    uint8_t stepCode(int step) const;
    int32_t eventLength(int step) const;
    void setStepCount(int32_t count); // kept within 1 … 64
    int32_t stepCount() const { return stepCount_.load(std::memory_order_relaxed); }

    bool patternReady() const { return patternReady_.load(std::memory_order_relaxed); }
    // Claims the pattern switch: true for exactly one caller until the step lengths are ready
    // again, however many threads ask at once.
    bool takePatternReady() {
        bool ready = true;
        return patternReady_.compare_exchange_strong(ready, false, std::memory_order_relaxed);
    }

    void setIgnoreTransport(bool on) { ignoreTransport_.store(on, std::memory_order_relaxed); }
    bool ignoreTransport() const { return ignoreTransport_.load(std::memory_order_relaxed); }
    bool transportPlaying() const { return transportPlaying_.load(std::memory_order_relaxed); }
    int32_t stepIndex() const { return stepIndex_.load(std::memory_order_relaxed); }
    int32_t samplesPerMs() const { return samplesPerMs_.load(std::memory_order_relaxed); }
    double sampleRate() const { return sampleRate_.load(std::memory_order_relaxed); }
    // Samples per beat as the engine last computed it, for readers on other threads.
    int32_t samplesPerBeatShared() const {
        return sharedSamplesPerBeat_.load(std::memory_order_relaxed);
    }
    double tempo() const { return tempo_.load(std::memory_order_relaxed); }

    // Timing read by the effects (audio thread).
    float rateFactor() const { return rateFactor_; }
    int32_t fadeLength() const { return fadeLength_; }
    int32_t historyCapacity() const { return historyCapacity_; }
    double exactSamplesPerStep() const { return exactSamplesPerStep_; }
    int32_t samplesPerStep() const { return samplesPerStep_; }
    int32_t samplesPerStepForModulator() const { return samplesPerStepCopy_; }
    int32_t samplesPerBeat() const { return samplesPerBeat_; }
    int32_t sequenceLength() const { return sequenceLength_; }
    int32_t stepLength() const { return stepLength_; }
    int32_t stepPosition() const { return stepPosition_; }
    int32_t patternPosition() const { return patternPosition_; }
    int32_t sampleInStep() const { return sampleInStep_; }
    double ppqPosition() const { return ppq_; }
    uint32_t absoluteStep() const { return absoluteStep_; }
    int32_t envelopeLength() const { return envelopeLength_; }

    enum class HistorySource : uint8_t { None = 0, Chain = 1, Input = 2 };
    const std::vector<float> &history(HistorySource source, int channel) const;

    // The most frames one run holds.
    static constexpr int32_t kMaxRun = 128;

    // The output stage of effect e (0 … 8) over a run, in place: filter, pan, mix and volume.
    void OutputStage(int32_t e, float *left, float *right, int32_t n);
    // The same for one frame.
    void OutputStage(int32_t e, float *dest, float wetL, float wetR);
    // Overdrive, master filter, output mix against the dry input (dry_), output volume.
    void MasterSection(float *left, float *right, int32_t n);
    void Clip(float *left, float *right, int32_t n) const;
    // The step envelope over a run starting at the step position.
    void ApplyEnvelope(float *left, float *right, int32_t n) const;

private:
    void applyBlockTiming(const BlockTiming &timing);
    int32_t processRun(float *left, float *right, int32_t n);
    void stoppedRun(float *left, float *right, int32_t n);
    void advancePositions();
    void eventStart(const float *in);
    void runSlot(int32_t e, bool globalSlot, float *left, float *right, int32_t n);
    effects::EffectContext context(bool globalSlot);
    effects::EffectParams effectParams(int32_t e) const;
    void startEffect(int32_t e, bool globalSlot, const float *in);

    const state::TProgramRecord &record_;
    dsp::TRandom &random_;

    // Host and timing state.
    std::atomic<double> sampleRate_{44100.0}; // shared
    double lastSampleRate_ = 0.0;
    std::atomic<double> tempo_{120.0}; // shared
    double ppq_ = 0.0;
    double lastPpq_ = -1.0;
    uint32_t absoluteStep_ = 0;
    std::atomic<bool> transportPlaying_{false}; // shared
    std::atomic<bool> ignoreTransport_{false};  // shared
    bool resync_ = true;
    float rateFactor_ = 1.0f;
    std::atomic<int32_t> samplesPerMs_{44};            // shared
    std::atomic<int32_t> sharedSamplesPerBeat_{22050}; // shared
    int32_t fadeLength_ = 64;
    int32_t historyCapacity_ = 0;
    double exactSamplesPerStep_ = 0.0;
    int32_t samplesPerStep_ = 0;
    int32_t samplesPerStepCopy_ = 0;
    int32_t samplesPerBeat_ = 0;
    int32_t sequenceLength_ = 0;
    std::atomic<int32_t> stepCount_{64}; // shared
    std::atomic<int32_t> stepIndex_{0};  // shared
    int32_t lastStepIndex_ = -1;
    int32_t eventStep_ = 0; // the step at which the current event started
    int32_t sampleInStep_ = 0;
    bool triggerLatch_ = false;
    bool patternStartLatch_ = false;
    std::atomic<uint8_t> stepCodes_[state::kMaxSteps] = {};    // shared
    std::atomic<int32_t> eventLengths_[state::kMaxSteps] = {}; // shared
    int32_t stepLength_ = 44100;
    int32_t stepPosition_ = 0;
    int32_t patternPosition_ = 0;
    std::atomic<bool> patternReady_{true};      // shared
    std::atomic<bool> restartRequested_{false}; // shared

    // Effect choice.
    static constexpr size_t kPoolCapacity = 1024; // above the largest possible total weight
    std::atomic<int32_t> weights_[10] = {};       // shared
    std::array<int32_t, kPoolCapacity> pool_{};
    int32_t poolSize_ = 0;
    std::atomic<bool> poolDirty_{true};      // shared
    std::atomic<int32_t> soloEffect_{-1};    // shared
    std::atomic<int32_t> pendingGlobal_{-1}; // shared
    std::atomic<int32_t> globalEffect_{-1};  // shared (read by the editor)
    std::atomic<int32_t> stepEffect_{-1};    // shared (read by the editor)
    std::atomic<bool> delayRefresh_{true};   // shared
    std::atomic<bool> timingRefresh_{false}; // shared
    std::atomic<uint32_t> eventCount_{0};    // shared (read by tests and the editor)

    // Effects and the master section.
    std::array<EffectState, kNumEffects> effects_;
    effects::TapeStopState tapeStop_;
    effects::ModulatorState modulator_;
    effects::RetriggerState retrigger_;
    effects::ShufflerState shuffler_;
    effects::ReverserState reverser_;
    effects::CrusherState crusher_;
    effects::GaterState gater_;
    effects::StretcherState stretcher_;
    dsp::TFilterRBF2 masterFilter_;
    dsp::TEffectDelay stepDelay_;
    dsp::TEffectDelay globalDelay_;
    float smoothedOutputMix_ = 1.0f;
    float smoothedOutputVolume_ = 1.0f;

    // De-click.
    int32_t declick_ = 1; // D
    float declickReciprocal_ = 1.0f;
    bool declickArmed_ = false;
    bool prime_ = true;
    std::atomic<int32_t> jumpLimit_{256}; // J, shared
    DeclickStage stage1_;
    DeclickStage stage2_;
    int32_t stopFade_ = 0;

    // Step envelope.
    int32_t envelopeLength_ = 0;
    float envelopeLevel_ = 1.0f;
    float envelopeSlope_ = 0.0f;

    // Histories: [channel], each history capacity + 16 samples.
    std::vector<float> inputHistory_[2];
    std::vector<float> chainHistory_[2];

    // Signals of the current run: [channel][frame].
    alignas(16) float dry_[2][kMaxRun] = {};     // the input as the run began
    alignas(16) float delayed_[2][kMaxRun] = {}; // a delay line's output
    alignas(16) float saved_[2][kMaxRun] = {};   // a stage's input, for its mix
};

// Nearest integer, halves to the even neighbour.
int32_t nearest(double x);

} // namespace frakle::engine
