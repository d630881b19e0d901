// Block processing, timing and the step clock. Audio thread, except updateStepLengths and the
// step-table setters, which pattern operations call from any thread.
#include "engine/Engine.h"

#include "dsp/Quad.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace frakle::engine {

int32_t nearest(double x) {
    if (!(x == x)) {
        return 0;
    }
    // Halves to even, as the default rounding mode rounds the sum; from 2^51 on x is whole.
    constexpr double kRound = 0x1.8p52;
    const double r = std::fabs(x) < 0x1p51 ? (x + kRound) - kRound : x;
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(r);
}

TEngine::TEngine(const state::TProgramRecord &record, dsp::TRandom &random)
    : record_(record), random_(random) {}

void TEngine::prepare() {
    for (int c = 0; c < 2; ++c) {
        inputHistory_[c].assign(44100, 0.0f);
        chainHistory_[c].assign(44100, 0.0f);
    }
    resizeHistory();
}

void TEngine::resizeHistory() {
    const double rate = sampleRate();
    if (!(rate > 0.0)) {
        return;
    }
    // Sized for 64 steps at the slowest tempo, so tempo changes never reallocate.
    historyCapacity_ = nearest(12.0 * rate);
    const auto size = static_cast<size_t>(historyCapacity_) + 16;
    for (int c = 0; c < 2; ++c) {
        inputHistory_[c].resize(size, 0.0f);
        chainHistory_[c].resize(size, 0.0f);
    }
    updateTiming();
}

void TEngine::updateTiming() {
    const double rate = sampleRate();
    const double bpm = tempo();
    exactSamplesPerStep_ = rate * 60.0 / (bpm * 4.0);
    samplesPerStep_ = std::max(1, nearest(exactSamplesPerStep_));
    sequenceLength_ = nearest(stepCount() * exactSamplesPerStep_);
    sequenceLength_ = std::clamp(sequenceLength_, 1, std::max(1, historyCapacity_));
    // The running event keeps the length of the step it started on (a tied step has none).
    stepLength_ = std::min(eventLength(eventStep_), sequenceLength_);
    samplesPerBeat_ = nearest(rate * 60.0 / bpm);
    samplesPerStepCopy_ = nearest(rate * 60.0 / bpm / 4.0);
    if (sequenceLength_ < samplesPerBeat_) {
        samplesPerBeat_ = sequenceLength_;
    }
    sharedSamplesPerBeat_.store(samplesPerBeat_, std::memory_order_relaxed);
    updateEnvelope();
}

void TEngine::updateStepLengths() {
    const auto s = static_cast<float>(sampleRate() * 60.0 / tempo() / 4.0);
    const int32_t n = stepCount();
    for (int32_t i = 0; i < n - 1; ++i) {
        if (stepCode(i) == kCodeTie) {
            continue;
        }
        int32_t k = 1;
        while (i + k <= n - 1 && stepCode(i + k) == kCodeTie) {
            ++k;
        }
        eventLengths_[i].store(nearest(k * static_cast<double>(s)), std::memory_order_relaxed);
    }
    eventLengths_[n - 1].store(nearest(s), std::memory_order_relaxed);
    patternReady_.store(true, std::memory_order_relaxed);
}

void TEngine::updateEnvelope() {
    envelopeLevel_ = state::Load(record_.sliceEnvLevel);
    if (envelopeLevel_ >= 1.0f) {
        envelopeLength_ = 0;
        envelopeSlope_ = 0.0f;
        return;
    }
    const double length = state::Load(record_.sliceEnvLength);
    envelopeLength_ = nearest((0.98 * length + 0.02) * 2.0 * samplesPerBeat_);
    envelopeSlope_ =
        envelopeLength_ > 0 ? (1.0f - envelopeLevel_) / static_cast<float>(envelopeLength_) : 0.0f;
}

void TEngine::setStepCode(int step, uint8_t code) {
    if (step >= 0 && step < state::kMaxSteps) {
        stepCodes_[step].store(code, std::memory_order_relaxed);
    }
}

uint8_t TEngine::stepCode(int step) const {
    if (step < 0 || step >= state::kMaxSteps) {
        return kCodeTie;
    }
    return stepCodes_[step].load(std::memory_order_relaxed);
}

int32_t TEngine::eventLength(int step) const {
    return step >= 0 && step < state::kMaxSteps
               ? eventLengths_[step].load(std::memory_order_relaxed)
               : 0;
}

void TEngine::setStepCount(int32_t count) {
    stepCount_.store(std::clamp(count, 1, state::kMaxSteps), std::memory_order_relaxed);
}

const std::vector<float> &TEngine::history(HistorySource source, int channel) const {
    return source == HistorySource::Chain ? chainHistory_[channel & 1] : inputHistory_[channel & 1];
}

void TEngine::applyBlockTiming(const BlockTiming &timing) {
    if (timing.sampleRate >= kMinSampleRate && timing.sampleRate <= kMaxSampleRate) {
        sampleRate_.store(timing.sampleRate, std::memory_order_relaxed);
    }
    double newTempo = timing.tempo;
    if (!(newTempo >= kMinTempo)) {
        newTempo = kMinTempo;
    }
    newTempo = std::min(newTempo, kMaxTempo);

    // A host without time information, or with a position that is no number or so large that
    // it has no sixteenth notes (it overflows when counted in them), counts as a stopped
    // transport at position 0.
    const bool timeValid = timing.timeValid && std::isfinite(timing.ppqPosition * 4.0);
    transportPlaying_.store(timeValid && timing.playing, std::memory_order_relaxed);
    ppq_ = timeValid ? timing.ppqPosition : 0.0;
    // The sixteenth count modulo 2^32, 0 … 2^32 - 1, exactly: a quotient by a power of two and
    // its floor are exact, and so is the difference, which a double holds.
    const double sixteenths = std::floor(ppq_ * 4.0);
    const double step = sixteenths - 4294967296.0 * std::floor(sixteenths * (1.0 / 4294967296.0));
    absoluteStep_ = static_cast<uint32_t>(step) & 0x7FFFFFFFU;

    const double rate = sampleRate();
    if (rate != lastSampleRate_) {
        stepDelay_.SetSampleRate(rate);
        globalDelay_.SetSampleRate(rate);
        resizeHistory();
        rateFactor_ = static_cast<float>(rate / 44100.0);
        samplesPerMs_.store(nearest(rate / 1000.0), std::memory_order_relaxed);
        lastSampleRate_ = rate;
        fadeLength_ = nearest(128.0 * static_cast<double>(rateFactor_));
        masterFilter_.SetSampleRate(rate);
        for (EffectState &effect : effects_) {
            effect.filter.SetSampleRate(rate);
        }
        updateStepLengths();
        updateTiming();
    }
    if (newTempo != tempo()) {
        resync_ = true;
        tempo_.store(newTempo, std::memory_order_relaxed);
        updateStepLengths();
        updateTiming();
        stepDelay_.SetTempo(newTempo);
        globalDelay_.SetTempo(newTempo);
    }
    // A plain load first: the exchange is a locked instruction, too dear for every block.
    if (restartRequested_.load(std::memory_order_relaxed) &&
        restartRequested_.exchange(false, std::memory_order_relaxed)) {
        stepPosition_ = 0;
        patternPosition_ = 0;
    }
}

void TEngine::processBlock(const BlockTiming &timing, float *const *inputs, float *const *outputs,
                           int32_t frames, bool accumulate) {
    applyBlockTiming(timing);
    if (frames <= 0 || outputs == nullptr) {
        return;
    }
    const float *in[2] = {inputs != nullptr ? inputs[0] : nullptr,
                          inputs != nullptr ? inputs[1] : nullptr};
    alignas(16) float run[2][kMaxRun];
    for (int32_t done = 0; done < frames;) {
        const int32_t n = std::min(frames - done, kMaxRun);
        for (int c = 0; c < 2; ++c) {
            // A sample that is no finite number is heard as silence, and one far beyond any
            // audio level is held at the limit, so neither can overflow the histories, the delay
            // lines' feedback or the filters.
            if (in[c] == nullptr) {
                std::fill_n(run[c], n, 0.0f);
                continue;
            }
            const float *x = in[c] + done;
            int32_t i = 0;
            for (; i + 4 <= n; i += 4) {
                const dsp::Quad q = dsp::LoadQuad(x + i);
                const auto finite = q - q == 0.0f; // false for infinities and NaN
                dsp::Quad held = q < -kInputLimit ? -kInputLimit : q;
                held = held > kInputLimit ? kInputLimit : held;
                dsp::StoreQuad(run[c] + i, finite ? held : 0.0f);
            }
            for (; i < n; ++i) {
                run[c][i] =
                    std::isfinite(x[i]) ? std::clamp(x[i], -kInputLimit, kInputLimit) : 0.0f;
            }
        }
        const int32_t m = processRun(run[0], run[1], n);
        for (int c = 0; c < 2; ++c) {
            float *out = outputs[c] != nullptr ? outputs[c] + done : nullptr;
            if (out == nullptr) {
                continue;
            }
            int32_t i = 0;
            if (accumulate) {
                for (; i + 4 <= m; i += 4) {
                    dsp::StoreQuad(out + i, dsp::LoadQuad(out + i) + dsp::LoadQuad(run[c] + i));
                }
                for (; i < m; ++i) {
                    out[i] += run[c][i];
                }
            } else {
                dsp::CopyFrames(run[c], out, m);
            }
        }
        done += m;
    }
}

// Frames from the start of `left` and `right` (n of them at most), in place, as far as nothing
// but the samples changes from one frame to the next: the first frame takes the step clock and
// any event start; the run ends before the step, the event or the pattern position wraps. Each
// stage then takes the whole run before the next: the effects read no history newer than their
// own frame, and only one slot ever draws from the generator.
int32_t TEngine::processRun(float *left, float *right, int32_t n) {
    const int32_t last = sequenceLength_ - 1;
    stepPosition_ = std::clamp(stepPosition_, 0, last);
    patternPosition_ = std::clamp(patternPosition_, 0, last);

    float *dryL = dry_[0];
    float *dryR = dry_[1];
    for (int32_t i = 0; i < n; ++i) {
        dryL[i] = left[i] + 1e-24f;
        dryR[i] = right[i] + 1e-24f;
    }
    bool playing = transportPlaying_.load(std::memory_order_relaxed);
    if (ignoreTransport()) {
        playing = true;
        transportPlaying_.store(true, std::memory_order_relaxed);
    }
    if (!playing) {
        stoppedRun(left, right, n);
        return n;
    }

    const float first[2] = {dryL[0], dryR[0]};
    if (prime_) {
        stage1_.previous[0] = stage2_.previous[0] = first[0];
        stage1_.previous[1] = stage2_.previous[1] = first[1];
        prime_ = false;
    }
    if (stepClock(ppq_)) {
        eventStart(first);
    }
    // The frames after the first on which the step clock only counts.
    const int32_t index = lastStepIndex_;
    const int32_t quiet = stepIndex() == index && index < stepCount()
                              ? std::max(1, samplesPerStep_ - sampleInStep_)
                              : 0;
    n = std::min({n, 1 + quiet, std::max(1, sequenceLength_ - stepPosition_),
                  std::max(1, stepLength_ - stepPosition_),
                  std::max(1, sequenceLength_ - patternPosition_)});
    if (n > 1) {
        triggerLatch_ = false;
        sampleInStep_ += n - 1;
        if (sampleInStep_ >= samplesPerStep_) {
            sampleInStep_ = 0;
            stepIndex_.store(index + 1 >= stepCount() ? 0 : index + 1, std::memory_order_relaxed);
        }
    }

    const auto pos = static_cast<size_t>(patternPosition_);
    dsp::CopyFrames(dryL, inputHistory_[0].data() + pos, n);
    dsp::CopyFrames(dryR, inputHistory_[1].data() + pos, n);
    dsp::CopyFrames(dryL, left, n);
    dsp::CopyFrames(dryR, right, n);

    // The delay lines hear every sample, whatever plays; their output is made only for a slot
    // that plays the delay.
    const int32_t stepEffect = stepEffect_.load(std::memory_order_relaxed);
    const int32_t globalEffect = globalEffect_.load(std::memory_order_relaxed);
    stepDelay_.ProcessRun(dryL, dryR, stepEffect == kDelay ? delayed_[0] : nullptr,
                          stepEffect == kDelay ? delayed_[1] : nullptr, n);

    const int32_t limit = jumpDeclickLimit();
    runSlot(stepEffect, false, left, right, n);
    stage1_.processRun(left, right, n, stepPosition_, stepLength_, limit, declickArmed_);

    globalDelay_.ProcessRun(left, right, globalEffect == kDelay ? delayed_[0] : nullptr,
                            globalEffect == kDelay ? delayed_[1] : nullptr, n);
    dsp::CopyFrames(left, chainHistory_[0].data() + pos, n);
    dsp::CopyFrames(right, chainHistory_[1].data() + pos, n);
    runSlot(globalEffect, true, left, right, n);

    if (envelopeLevel_ < 1.0f) {
        ApplyEnvelope(left, right, n);
    }
    stage2_.processRun(left, right, n, stepPosition_, stepLength_, limit, declickArmed_);
    MasterSection(left, right, n);
    stopFade_ = 256;
    stepPosition_ += n - 1;
    patternPosition_ += n - 1;
    advancePositions();
    Clip(left, right, n);
    return n;
}

void TEngine::stoppedRun(float *left, float *right, int32_t n) {
    lastStepIndex_ = -1;
    prime_ = true;
    resync_ = true;
    // Nothing plays while stopped, so a resume on a tied step starts no effect.
    stepEffect_.store(kNone, std::memory_order_relaxed);
    dsp::CopyFrames(dry_[0], left, n);
    dsp::CopyFrames(dry_[1], right, n);
    MasterSection(left, right, n);
    for (int32_t i = 0; i < n; ++i) {
        if (stopFade_ >= 0) {
            const float g = static_cast<float>(stopFade_) * (1.0f / 256.0f);
            left[i] = g * stage1_.previous[0];
            right[i] = g * stage1_.previous[1];
            --stopFade_;
        } else {
            stage1_.previous[0] = 0.0f;
            stage1_.previous[1] = 0.0f;
            prime_ = true;
        }
    }
    Clip(left, right, n);
}

effects::EffectContext TEngine::context(bool globalSlot) {
    effects::EffectContext c;
    c.sampleRate = sampleRate();
    c.rateFactor = rateFactor_;
    c.samplesPerStep = samplesPerStep_;
    c.samplesPerStepMod = samplesPerStepCopy_;
    c.samplesPerBeat = samplesPerBeat_;
    c.sequenceLength = sequenceLength_;
    c.stepLength = stepLength_;
    c.stepPosition = stepPosition_;
    c.patternPosition = patternPosition_;
    c.stepIndex = lastStepIndex_ < 0 ? 0 : lastStepIndex_;
    c.fadeLength = fadeLength_;
    c.declick = declick_;
    c.declickReciprocal = declickReciprocal_;
    c.jumpLimit = jumpDeclickLimit();
    const std::vector<float> *pair = globalSlot ? chainHistory_ : inputHistory_;
    c.history = {pair[0].data(), pair[1].data(), static_cast<int32_t>(pair[0].size())};
    c.random = &random_;
    c.globalSlot = globalSlot;
    return c;
}

// The effect's parameters as the program holds them now.
effects::EffectParams TEngine::effectParams(int32_t e) const {
    const state::TEffectBlock &block = record_.effects[e];
    effects::EffectParams p;
    p.p1 = state::Load(block.param1);
    p.p2 = state::Load(block.param2);
    p.p3 = state::Load(block.param3);
    p.p4 = state::Load(block.param4);
    p.mix = state::Load(block.mix);
    if (e == kShuffler) {
        p.extra = state::Load(record_.effects[9].param1); // "ShuflRep"
    } else if (e == kModulator) {
        p.extra = state::Load(record_.effects[10].param1); // "ModSine"
    }
    return p;
}

void TEngine::startEffect(int32_t e, bool globalSlot, const float *in) {
    if (!IsEffect(e)) {
        return;
    }
    effects_[static_cast<size_t>(e)].recompute.store(true, std::memory_order_relaxed);
    effects::EffectContext c = context(globalSlot);
    c.recompute = &effects_[static_cast<size_t>(e)].recompute;
    const effects::StereoSample x{in[0], in[1]};
    switch (e) {
    case kTapeStop:
        effects::TapeStopStart(tapeStop_, c, x);
        break;
    case kModulator:
        effects::ModulatorStart(modulator_, c, x);
        break;
    case kRetrigger:
        effects::RetriggerStart(retrigger_, c, x);
        break;
    case kShuffler:
        effects::ShufflerStart(shuffler_, c, x);
        break;
    case kReverser:
        effects::ReverserStart(reverser_, c, x);
        break;
    case kCrusher:
        effects::CrusherStart(crusher_, c, x);
        break;
    case kGater:
        effects::GaterStart(gater_, c, x);
        break;
    case kStretcher:
        effects::StretcherStart(stretcher_, c, x);
        break;
    default:
        break; // the delay keeps running on its lines
    }
}

void TEngine::runSlot(int32_t e, bool globalSlot, float *left, float *right, int32_t n) {
    if (!IsEffect(e)) {
        return; // no effect, none, or a code beyond the effects: the signal passes
    }
    if (e != kDelay) {
        effects::EffectContext c = context(globalSlot);
        c.recompute = &effects_[static_cast<size_t>(e)].recompute;
        c.readParams = [](const void *owner, int32_t effect) {
            return static_cast<const TEngine *>(owner)->effectParams(effect);
        };
        c.paramsOwner = this;
        c.effect = e;
        const effects::EffectParams p = effectParams(e);
        switch (e) {
        case kTapeStop:
            effects::TapeStopRun(tapeStop_, c, p, left, right, n);
            break;
        case kModulator:
            effects::ModulatorRun(modulator_, c, p, left, right, n);
            break;
        case kRetrigger:
            effects::RetriggerRun(retrigger_, c, p, left, right, n);
            break;
        case kShuffler:
            effects::ShufflerRun(shuffler_, c, p, left, right, n);
            break;
        case kReverser:
            effects::ReverserRun(reverser_, c, p, left, right, n);
            break;
        case kCrusher:
            effects::CrusherRun(crusher_, c, p, left, right, n);
            break;
        case kGater:
            effects::GaterRun(gater_, c, p, left, right, n);
            break;
        default:
            effects::StretcherRun(stretcher_, c, p, left, right, n);
            break;
        }
    } else {
        const float mix = state::Load(record_.effects[kDelay].mix);
        for (int32_t i = 0; i < n; ++i) {
            left[i] = mix >= 1.0f ? delayed_[0][i] : effects::blend(mix, delayed_[0][i], left[i]);
            right[i] = mix >= 1.0f ? delayed_[1][i] : effects::blend(mix, delayed_[1][i], right[i]);
        }
    }
    OutputStage(e, left, right, n);
}

void TEngine::eventStart(const float *in) {
    const state::TProgramRecord &rec = record_;
    const int32_t global = pendingGlobal();
    globalEffect_.store(global, std::memory_order_relaxed);
    if (delayRefresh_.load(std::memory_order_relaxed) && global == kDelay) {
        delayRefresh_.store(false, std::memory_order_relaxed);
        // The global line's echoes fade in again from its own feedback setting.
        globalDelay_.SetParam(dsp::TEffectDelay::kFeedback,
                              state::Load(rec.effects[kDelay].param3));
    }
    if (timingRefresh_.load(std::memory_order_relaxed)) {
        timingRefresh_.store(false, std::memory_order_relaxed);
        updateTiming();
    }
    if (poolDirty_.load(std::memory_order_relaxed)) {
        buildRandomPool();
    }

    const double setting = state::Load(rec.noClickIn);
    const int32_t d = static_cast<int32_t>(std::floor(setting * 256.0 * rateFactor_));
    declick_ = std::max(1, std::min(d, stepLength_));
    declickReciprocal_ = 1.0f / static_cast<float>(declick_);

    // The same song position and seed always make the same choices.
    const double seed = state::Load(rec.randomSeed);
    const auto a =
        static_cast<uint32_t>(static_cast<int64_t>(std::floor(9371521.371371737 * seed)));
    const auto b = static_cast<uint32_t>(
        static_cast<int64_t>(std::floor(3719.3736353437 * static_cast<double>(absoluteStep_))));
    random_.setSeed((a + b) & 0x7FFFFFFFU);

    int32_t effect = soloEffect();
    if (effect < 0) {
        const uint8_t code = stepCode(eventStep_);
        effect = code == kCodeRandom ? pool_[random_.next(static_cast<uint32_t>(poolSize_))]
                                     : static_cast<int32_t>(code) - kCodeFirstEffect;
    }
    if (effect == global) {
        effect = kNone;
    }
    stepEffect_.store(effect, std::memory_order_relaxed);
    declickArmed_ = true;
    startEffect(effect, false, in);
    startEffect(global, true, in);
    eventCount_.store(eventCount_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void TEngine::setWeight(int index, int32_t weight) {
    if (index < 0 || index > kNoEffect) {
        return;
    }
    weights_[index].store(weight, std::memory_order_relaxed);
    poolDirty_.store(true, std::memory_order_relaxed);
}

int32_t TEngine::weight(int index) const {
    return index >= 0 && index <= kNoEffect ? weights_[index].load(std::memory_order_relaxed) : 0;
}

void TEngine::buildRandomPool() {
    poolDirty_.store(false, std::memory_order_relaxed);
    size_t n = 0;
    for (int e = 0; e <= kNoEffect; ++e) {
        for (int32_t k = weight(e); k > 0 && n < kPoolCapacity; --k) {
            pool_[n++] = e;
        }
    }
    if (n == 0) {
        pool_[n++] = kNoEffect;
    }
    poolSize_ = static_cast<int32_t>(n);
}

void TEngine::setJumpDeclickLimit(int32_t limit) {
    jumpLimit_.store(std::clamp(limit, 1, DeclickStage::kTailSize - 1), std::memory_order_relaxed);
}

void TEngine::ApplyEnvelope(float *left, float *right, int32_t n) const {
    const int32_t len = envelopeLength_;
    int32_t i = 0;
    for (; i < n && stepPosition_ + i <= len; ++i) {
        const int32_t p = stepPosition_ + i;
        if (p > stepLength_) {
            left[i] *= envelopeLevel_;
            right[i] *= envelopeLevel_;
        }
        const float g = static_cast<float>(len - p) * envelopeSlope_ + envelopeLevel_;
        left[i] = std::clamp(left[i] * g, -1.0f, 1.0f);
        right[i] = std::clamp(right[i] * g, -1.0f, 1.0f);
    }
    // After the ramp: the level alone.
    for (; i + 4 <= n; i += 4) {
        dsp::StoreQuad(left + i, dsp::LoadQuad(left + i) * envelopeLevel_);
        dsp::StoreQuad(right + i, dsp::LoadQuad(right + i) * envelopeLevel_);
    }
    for (; i < n; ++i) {
        left[i] *= envelopeLevel_;
        right[i] *= envelopeLevel_;
    }
}

void TEngine::advancePositions() {
    if (++stepPosition_ >= sequenceLength_) {
        stepPosition_ = 0;
    }
    if (++patternPosition_ >= sequenceLength_) {
        patternPosition_ = 0;
    }
    if (stepPosition_ >= stepLength_) {
        stepPosition_ = 0;
    }
}

bool TEngine::stepClock(double ppq) {
    bool started = false;
    const int32_t n = stepCount();
    if (ppq != lastPpq_) {
        resync_ = true;
        lastPpq_ = ppq;
    }
    int32_t index = stepIndex();
    if (resync_) {
        resync_ = false;
        triggerLatch_ = false;
        const double x = ppq * 4.0;
        sampleInStep_ = nearest((x - std::floor(x)) * exactSamplesPerStep_);
        if (sampleInStep_ < 0) {
            sampleInStep_ = 0;
        } else if (sampleInStep_ > samplesPerStep_) {
            sampleInStep_ = samplesPerStep_ - 1;
        }
        const double wrapped = x - n * std::floor(x / n);
        index = wrapped >= 0.0 && wrapped < n ? static_cast<int32_t>(wrapped) : 0;
    }
    index = std::clamp(index, 0, n - 1);

    if (index != lastStepIndex_) {
        if (stepCode(index) > kCodeTie && !triggerLatch_) {
            started = true;
            eventStep_ = index;
            triggerLatch_ = true;
            stepPosition_ = 0;
            stepLength_ = std::min(eventLength(index), sequenceLength_);
            updateEnvelope();
        }
        if (index == 0 && !patternStartLatch_) {
            patternStartLatch_ = true;
            patternPosition_ = 0;
        } else if (index != 0) {
            patternStartLatch_ = false;
        }
    } else {
        triggerLatch_ = false;
    }
    lastStepIndex_ = index;

    if (++sampleInStep_ >= samplesPerStep_) {
        sampleInStep_ = 0;
        if (++index >= n) {
            index = 0;
        }
    }
    stepIndex_.store(index, std::memory_order_relaxed);
    return started;
}

} // namespace frakle::engine
