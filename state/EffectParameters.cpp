// Initialise and randomise one effect's own parameters (not its probability, filter, pan, mix
// or volume). Every value goes through setParameterAutomated, so the host hears of it and the
// order rules and side effects apply.
#include "state/uPlugin.h"

#include <cmath>

namespace frakle::state {

namespace {

struct Setting {
    int16_t index;
    float value;
};

// Defaults, in the order they are set.
constexpr Setting kTapeInit[] = {{118, 0.25f}, {119, 0.0f}, {120, 0.05f}};
constexpr Setting kModInit[] = {{4, 0.025f}, {5, 1.0f}, {19, 0.0f}, {125, 0.2f}, {126, 0.0f}};
constexpr Setting kRetrgInit[] = {{6, 0.2f}, {20, 0.85f}, {21, 0.5f}, {123, 0.5f}};
constexpr Setting kShuflInit[] = {{16, 0.72f}, {17, 0.82f}, {18, 0.5f}, {121, 1.0f}, {122, 0.0f}};
constexpr Setting kRevrsInit[] = {{7, 0.0f}, {8, 0.5f}, {22, 0.0f}};
constexpr Setting kCrushInit[] = {{9, 0.075f}, {10, 0.0f}, {23, 0.0f}};
constexpr Setting kGaterInit[] = {{11, 0.25f}, {24, 0.5f}, {25, 0.0f}};
constexpr Setting kDelayInit[] = {{12, 0.04f}, {13, 0.75f}, {26, 0.75f},
                                  {124, 0.5f}, {127, 1.0f}, {128, 0.0f}};
constexpr Setting kStretInit[] = {{14, 0.4f}, {15, 0.125f}, {27, 0.25f}};

// A random value: base + scale × u, or, when `above` is set, the previous value a plus
// u × (1 − a), which keeps a pair in order.
struct Draw {
    int16_t index;
    double base;
    double scale;
    bool above = false;
};

constexpr Draw kTapeRand[] = {{118, 0, 1}, {119, 0, 1}, {120, 0, 1}};
constexpr Draw kModRand[] = {{4, 0, 1}, {5, 0, 1}, {19, 0, 1}, {125, 0, 1}, {126, 0, 0.5}};
constexpr Draw kRetrgRand[] = {{6, 0, 1}, {20, 0, 1}, {21, 0, 1}, {123, 0, 1}};
constexpr Draw kShuflRand[] = {
    {16, 0, 1}, {17, 0, 0, true}, {18, 0.3, 0.7}, {121, 0.3, 0.7}, {122, 0, 1}};
constexpr Draw kRevrsRand[] = {{7, 0, 0.5}, {8, 0, 0, true}, {22, 0, 1}};
constexpr Draw kCrushRand[] = {{9, 0, 1}, {10, 0, 1}, {23, 0, 1}};
constexpr Draw kGaterRand[] = {{11, 0, 1}, {24, 0, 1}, {25, 0, 0.5}};
constexpr Draw kDelayRand[] = {{12, 0, 0.5}, {13, 0.25, 0.7},   {26, 0, 0.9},
                               {124, 0, 1},  {127, 0.25, 0.75}, {128, 0, 1}};
constexpr Draw kStretRand[] = {{14, 0, 1}, {15, 0, 1}, {27, 0.25, 0.75}};

template <class T> struct List {
    const T *items;
    size_t count;
};
template <class T, size_t N> constexpr List<T> list(const T (&items)[N]) { return {items, N}; }

constexpr List<Setting> kInit[] = {list(kTapeInit),  list(kModInit),   list(kRetrgInit),
                                   list(kShuflInit), list(kRevrsInit), list(kCrushInit),
                                   list(kGaterInit), list(kDelayInit), list(kStretInit)};
constexpr List<Draw> kRand[] = {list(kTapeRand),  list(kModRand),   list(kRetrgRand),
                                list(kShuflRand), list(kRevrsRand), list(kCrushRand),
                                list(kGaterRand), list(kDelayRand), list(kStretRand)};

} // namespace

void APlugin::InitialiseEffectParameters(int32_t effect) {
    if (effect < 0 || effect >= engine::kNumEffects) {
        return;
    }
    const List<Setting> &settings = kInit[effect];
    for (size_t i = 0; i < settings.count; ++i) {
        setParameterAutomated(settings.items[i].index, settings.items[i].value);
    }
}

void APlugin::RandomiseEffectParameters(int32_t effect) {
    if (effect < 0 || effect >= engine::kNumEffects) {
        return;
    }
    // Seeded with tenths of a second since 1970, on a copy of the generator: the engine's own
    // sequence is never touched.
    const double tenths = std::nearbyint((wallClock_() - 25569.0) * 864000.0);
    dsp::TRandom random(static_cast<uint32_t>(static_cast<int64_t>(tenths)));
    const List<Draw> &draws = kRand[effect];
    double previous = 0.0;
    for (size_t i = 0; i < draws.count; ++i) {
        const Draw &draw = draws.items[i];
        const double u = random.nextUnit();
        const double value =
            draw.above ? previous + u * (1.0 - previous) : draw.base + draw.scale * u;
        setParameterAutomated(draw.index, static_cast<float>(value));
        previous = value;
    }
}

} // namespace frakle::state
