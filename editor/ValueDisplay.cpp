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

std::string fixed2(long double x, int digits) {
    if (x != 0.0L && std::isfinite(static_cast<double>(x))) {
        const long double exponent = std::floor(std::log10(std::fabs(x)));
        const long double scale = std::pow(10.0L, static_cast<long double>(digits - 1) - exponent);
        x = std::round(x * scale) / scale;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.2Lf", x);
    return text;
}

std::string genericText(float min, float max, int32_t mode, const std::string &suffix, float v) {
    const long double x = static_cast<long double>(min) +
                          (static_cast<long double>(max) - static_cast<long double>(min)) * v;
    const std::string number =
        mode == 1 ? decimal(static_cast<long long>(std::floor(x))) : fixed2(x);
    return number + suffix;
}

std::string frequencyText(float v) {
    return decimal(static_cast<long long>(std::floor(5000.0L * v))) + " Hz";
}

std::string noteText(float v) {
    static const char *const kNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                           "F#", "G ", "G#", "A ", "A#", "B "};
    const auto n = static_cast<long long>(std::floor(5000.0L * v));
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

std::string signedChangeText(float v) {
    const long double x = v;
    if (x <= 0.49L) {
        return "- " + decimal(100 - static_cast<long long>(std::floor(200.0L * x)));
    }
    if (x < 0.51L) {
        return "None";
    }
    return "+ " + decimal(static_cast<long long>(std::floor((x - 0.5L) * 200.0L)));
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

std::string bitDepthText(float v) {
    if (std::floor(124.0L * v) <= 0.0L) {
        return "Off";
    }
    return decimal(static_cast<long long>(std::floor(128.0L - 126.0L * v)));
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
