// Value texts. Numbers are worked in extended precision, as the knobs' texts always were, so
// halves on the display round the way the numbers read.
#include "editor/ValueDisplay.h"

#include <cmath>
#include <cstdio>

namespace frakle::editor {

namespace {

std::string decimal(long long n) { return std::to_string(n); }

} // namespace

float knobValue(int32_t position, int32_t scale) {
    const float v = static_cast<float>(position) / static_cast<float>(scale);
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

long double KnobReading::of(long double range) const {
    const long double p = position < 0 ? 0 : (position > scale ? scale : position);
    return scale > 0 ? range * p / scale : 0.0L;
}

std::string fixed2(long double x, int digits) {
    if (x == 0.0L || !std::isfinite(static_cast<double>(x))) {
        char text[48];
        std::snprintf(text, sizeof text, "%.2Lf", x);
        return text;
    }
    // The significant digits as a whole number n with x ≈ n / 10^k, then that number in
    // hundredths; both roundings take halves away from zero (1.125 shows 1.13).
    const auto exponent = static_cast<int>(std::floor(std::log10(std::fabs(x))));
    const int k = digits - 1 - exponent;
    const long double n = std::round(x * std::pow(10.0L, static_cast<long double>(k)));
    const long double hundredths =
        k > 2 ? std::round(n / std::pow(10.0L, k - 2.0L)) : n * std::pow(10.0L, 2.0L - k);
    const bool negative = hundredths < 0.0L;
    const auto whole = static_cast<long long>(std::fabs(hundredths));
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%02lld", negative ? "-" : "", whole / 100,
                  whole % 100);
    return text;
}

std::string genericText(float min, float max, int32_t mode, const std::string &suffix,
                        KnobReading knob) {
    const long double x = static_cast<long double>(min) +
                          knob.of(static_cast<long double>(max) - static_cast<long double>(min));
    const std::string number =
        mode == 1 ? decimal(static_cast<long long>(std::floor(x))) : fixed2(x);
    return number + suffix;
}

std::string frequencyText(KnobReading knob) {
    return decimal(static_cast<long long>(std::floor(knob.of(5000.0L)))) + " Hz";
}

std::string noteText(KnobReading knob) {
    static const char *const kNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                           "F#", "G ", "G#", "A ", "A#", "B "};
    const auto n = static_cast<long long>(std::floor(knob.of(5000.0L)));
    if (n < 1) {
        return "";
    }
    const long long note =
        std::llrint(std::log2(static_cast<long double>(n) / 440.0L) * 12.0L) + 57;
    if (note < 0 || note >= 120) {
        return "";
    }
    return kNames[note % 12] + decimal(note / 12);
}

std::string signedChangeText(KnobReading knob) {
    const long double x = knob.value();
    if (x <= 0.49L) {
        return "- " + decimal(100 - static_cast<long long>(std::floor(knob.of(200.0L))));
    }
    if (x < 0.51L) {
        return "None";
    }
    return "+ " + decimal(static_cast<long long>(std::floor(knob.of(200.0L) - 100.0L)));
}

std::string sliceSizeText(int32_t position) {
    static const char *const kFine[17] = {
        "1/128 step", "1/112 step", "1/96 step", "1/80 step", "1/64 step", "1/56 step",
        "1/48 step",  "1/40 step",  "1/32 step", "1/28 step", "1/24 step", "1/20 step",
        "1/16 step",  "1/14 step",  "1/12 step", "1/10 step", "1/8 step"};
    const int32_t k = position < 0 ? 0 : (position / 9 > 40 ? 40 : position / 9);
    if (k <= 16) {
        return kFine[k];
    }
    if (k <= 20) {
        return "1/4 step";
    }
    if (k <= 24) {
        return "1/2 step";
    }
    if (k <= 28) {
        return "1 step";
    }
    if (k <= 32) {
        return "2 steps";
    }
    if (k <= 36) {
        return "4 steps";
    }
    return k <= 38 ? "6 steps" : "8 steps";
}

std::string reverseModeText(float v) {
    const long double x = v;
    if (x < 0.33L) {
        return "Ping Pong";
    }
    return x < 0.66L ? "Reverse 1" : "Reverse 2";
}

std::string bitDepthText(KnobReading knob) {
    if (std::floor(knob.of(124.0L)) <= 0.0L) {
        return "Off";
    }
    return decimal(static_cast<long long>(std::floor(128.0L - knob.of(126.0L))));
}

std::string delaySizeText(float size, float fine, int32_t samplesPerMs, int32_t samplesPerBeat) {
    const long double s = samplesPerMs > 0 ? samplesPerMs : 1;
    const long double b = samplesPerBeat > 0 ? samplesPerBeat : 1;
    const long double d = std::nearbyint((b - s) * size + s + 5.0L * s * fine);
    if (d < b / 4.0L) {
        return fixed2(d / s, 5) + " ms";
    }
    return fixed2(d / b * 4.0L, 5) + " steps";
}

std::string separationText(float v, int32_t samplesPerMs, int32_t samplesPerBeat) {
    const long double s = samplesPerMs > 0 ? samplesPerMs : 1;
    const long double t = (static_cast<long double>(samplesPerBeat) * 0.25L) / s;
    const long double x = v;
    if (x <= 0.49L) {
        return "L " + fixed2(t - 2.0408164L * x * t) + "ms";
    }
    if (x < 0.51L) {
        return "None";
    }
    return "R " + fixed2(2.0408164L * (x - 0.51L) * t) + "ms";
}

} // namespace frakle::editor
