// The pattern edits behind the editor's sequencer area: painting steps, the step count,
// rotating, the bank copy, templates and the pattern randomiser.
#include "state/uPlugin.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace frakle::state {

namespace {

constexpr int32_t kPatternParameter = 2; // "Pattern"
constexpr int32_t kMinLength = 4;

// The templates repeat every four steps.
constexpr uint8_t kTemplates[4][4] = {
    {engine::kCodeRandom, engine::kCodeTie, engine::kCodeTie, engine::kCodeTie},
    {engine::kCodeRandom, engine::kCodeTie, engine::kCodeRandom, engine::kCodeTie},
    {engine::kCodeRandom, engine::kCodeRandom, engine::kCodeRandom, engine::kCodeRandom},
    {engine::kCodeOff, engine::kCodeRandom, engine::kCodeTie, engine::kCodeTie},
};

// The weighted effect pool as the engine builds it from the current weights: every effect index
// repeated by its weight, in index order; "no effect" alone when the weights add up to nothing.
// Built here rather than in the engine, whose pool belongs to the audio thread.
std::vector<int32_t> weightedPool(const engine::TEngine &engine) {
    std::vector<int32_t> pool;
    for (int32_t e = 0; e <= engine::kNoEffect; ++e) {
        pool.insert(pool.end(), static_cast<size_t>(std::max(0, engine.weight(e))), e);
    }
    if (pool.empty()) {
        pool.push_back(engine::kNoEffect);
    }
    return pool;
}

} // namespace

void APlugin::StoreChosenEffect(int32_t k) {
    chosenEffect_.store(std::clamp(k, 0, 10) + 1, std::memory_order_relaxed);
}

int32_t APlugin::GetChosenEffect() const {
    return std::clamp(chosenEffect_.load(std::memory_order_relaxed), 1, 11);
}

void APlugin::SetStep(int32_t i, int32_t code) {
    if (i < 0 || i >= kMaxSteps) {
        return;
    }
    code = std::clamp<int32_t>(code, engine::kCodeTie, engine::kCodeOff);
    if (i == 0 && code == engine::kCodeTie) {
        code = engine::kCodeOff; // the pattern's first event cannot continue an earlier one
    }
    engine_.setStepCode(i, static_cast<uint8_t>(code));
    Store(record().patternSteps[currentPattern()][i], static_cast<uint8_t>(code));
    engine_.updateStepLengths();
    requestEditor(kRefreshSequencer);
}

void APlugin::SetLength(int32_t n) {
    n = std::clamp(n, kMinLength, kMaxSteps);
    Store(record().stepCount, static_cast<int8_t>(n));
    if (engine_.stepCount() != n) {
        engine_.setStepCount(n);
        engine_.requestTimingRefresh(); // the sequence length follows at the next event
    }
    engine_.updateStepLengths();
    requestEditor(kRefreshSequencer);
}

void APlugin::ShiftPattern(int32_t dir) {
    uint8_t *steps = record().patternSteps[currentPattern()];
    const int32_t n = GetLength();
    const auto put = [this, steps](int32_t i, uint8_t code) {
        engine_.setStepCode(i, code);
        Store(steps[i], code);
    };
    if (dir == 1) {
        const uint8_t first = Load(steps[0]);
        for (int32_t i = 0; i < n - 1; ++i) {
            put(i, Load(steps[i + 1]));
        }
        put(n - 1, first);
    } else {
        const uint8_t last = Load(steps[n - 1]);
        for (int32_t i = n - 1; i > 0; --i) {
            put(i, Load(steps[i - 1]));
        }
        put(0, last);
    }
    engine_.updateStepLengths();
    requestEditor(kRefreshSequencer);
}

void APlugin::CopyPatternTo(int32_t t) {
    t = std::clamp(t, 0, kNumPatterns - 1);
    TProgramRecord &rec = record();
    for (int32_t i = 0; i < kMaxSteps; ++i) {
        Store(rec.patternSteps[t][i], engine_.stepCode(i));
    }
    Store(rec.patternSolo[t], static_cast<int8_t>(engine_.soloEffect()));
    Store(rec.patternGlobal[t], static_cast<int8_t>(engine_.pendingGlobal()));
    setParameterAutomated(kPatternParameter, static_cast<float>(t) / 15.0f);
}

void APlugin::LoadTemplate(int32_t k) {
    const uint8_t *cycle = kTemplates[std::clamp(k, 0, 3)];
    const int32_t p = currentPattern();
    for (int32_t i = 0; i < kMaxSteps; ++i) {
        Store(record().patternSteps[p][i], cycle[i % 4]);
    }
    loadPattern(p);
}

void APlugin::RandomisePattern(int32_t mode) {
    // Seeded from the time of day in tenths of a second. The draws come from a generator of
    // their own, so the engine's seeded sequence goes on exactly as if nothing had happened.
    const double day = wallClock_();
    const double tenths = std::nearbyint((day - std::floor(day) - 25569.0) * 864000.0);
    const auto t = static_cast<uint32_t>(static_cast<int64_t>(tenths));
    dsp::TRandom random(t);
    const auto reseed = [&random, t] { random.setSeed(random.next(t)); };

    const std::vector<int32_t> pool = weightedPool(engine_);
    const auto drawCode = [&random, &pool] {
        return static_cast<uint8_t>(pool[random.next(static_cast<uint32_t>(pool.size()))] +
                                    engine::kCodeFirstEffect);
    };

    const int32_t p = currentPattern();
    uint8_t *steps = record().patternSteps[p];
    if (mode == 1) {
        // Swaps over the first 63 steps; the last one stays where it is.
        std::array<uint8_t, kMaxSteps> codes{};
        for (int32_t i = 0; i < kMaxSteps; ++i) {
            codes[static_cast<size_t>(i)] = engine_.stepCode(i);
        }
        reseed();
        for (uint32_t i = 0; i < kMaxSteps - 2; ++i) {
            std::swap(codes[i], codes[random.next(kMaxSteps - 1 - i)]);
        }
        for (int32_t i = 0; i < kMaxSteps; ++i) {
            Store(steps[i], codes[static_cast<size_t>(i)]);
        }
    } else if (mode == 2) {
        for (int32_t i = 1; i < kMaxSteps; ++i) {
            if (engine_.stepCode(i) != engine::kCodeTie) {
                reseed();
                Store(steps[i], drawCode());
            }
        }
        reseed();
        Store(steps[0], drawCode());
    } else if (mode == 3) {
        for (int32_t i = 1; i < kMaxSteps; ++i) {
            reseed();
            const bool event = random.next(2) != 0;
            Store(steps[i], event ? drawCode() : static_cast<uint8_t>(engine::kCodeTie));
        }
        Store(steps[0], drawCode());
    }
    loadPattern(p);
}

} // namespace frakle::state
