// tanh and sin from short polynomials, at a fraction of the C library's cost
// (tests/dsp/ApproxTest.cpp bounds their errors). The modulator's sin works in double precision,
// within 1e-15, and is rounded to a 32-bit float, where the two agree to a unit in the last
// place; the soft clipper's tanh works in 32-bit floats, four at a time, within 2^-22. Any
// thread.
#pragma once

#include "dsp/Quad.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace frakle::dsp {

namespace approx {

// Rounds to the nearest integer (halves to even) for |x| < 2^51.
inline double RoundToInteger(double x) { return (x + 0x1.8p52) - 0x1.8p52; }

} // namespace approx

// tanh x for four 32-bit floats at once, within 2^-22 of the exact value: an odd polynomial below
// 0.625; above, (1 - e) / (1 + e) with e = e^(-2|x|) = 2^k · 2^f, 2^f by its polynomial on [-1/2,
// 1/2]. Beyond 10 the result is ±1.
inline Quad TanhQuad(Quad x) {
    using Ints = int32_t __attribute__((vector_size(16)));
    const Quad a = std::bit_cast<Quad>(std::bit_cast<Ints>(x) & INT32_MAX);
    const Quad s = a * a;
    Quad p = s * -0.0060967141659081976f + 0.020997178999074751f;
    p = p * s - 0.053850909578513581f;
    p = p * s + 0.13332769736976328f;
    p = p * s - 0.33333328944134255f;
    const Quad series = a + a * s * p;

    constexpr float kRound = 0x1.8p23f;
    const Quad y = (a < 10.0f ? a : 10.0f) * -2.8853900817779268f; // -2|x| log2 e
    const Quad shifted = y + kRound;
    const Quad f = y - (shifted - kRound); // -1/2 … 1/2
    Quad q = f * 0.00015461444698569129f + 0.0013400428177615838f;
    q = q * f + 0.0096180566785246381f;
    q = q * f + 0.055503272266703021f;
    q = q * f + 0.24022650922288758f;
    q = q * f + 0.6931472067028326f;
    q = q * f + 1.0f;
    const Ints k = std::bit_cast<Ints>(shifted) - std::bit_cast<int32_t>(kRound); // -29 … 0
    const Quad e = std::bit_cast<Quad>(std::bit_cast<Ints>(q) + k * (1 << 23));
    const Quad ratio = (1.0f - e) / (1.0f + e);

    const Quad t = a < 0.625f ? series : ratio;
    return std::bit_cast<Quad>(std::bit_cast<Ints>(t) | (std::bit_cast<Ints>(x) & INT32_MIN));
}

// For |x| < 2^40: x less the nearest multiple of 2π, folded into [-π/2, π/2], then the odd
// Taylor series to x^21.
inline double Sin(double x) {
    constexpr double kTwoPiHi = 6.28318530717958623200e+00;
    constexpr double kTwoPiLo = 2.44929359829470635445e-16;
    constexpr double kPiHi = 3.14159265358979311600e+00;
    constexpr double kPiLo = 1.22464679914735317723e-16;
    const double k = approx::RoundToInteger(x * 0.159154943091895345608);
    double r = (x - k * kTwoPiHi) - k * kTwoPiLo;
    if (r > 1.57079632679489661923) {
        r = (kPiHi - r) + kPiLo;
    } else if (r < -1.57079632679489661923) {
        r = (-kPiHi - r) - kPiLo;
    }
    const double r2 = r * r;
    // sin r = r - r^3 p, p = 1/3! - r^2/5! + r^4/7! - … - r^18/21!.
    double p = -1.0 / 51090942171709440000.0;
    p = p * r2 + 1.0 / 121645100408832000.0;
    p = p * r2 - 1.0 / 355687428096000.0;
    p = p * r2 + 1.0 / 1307674368000.0;
    p = p * r2 - 1.0 / 6227020800.0;
    p = p * r2 + 1.0 / 39916800.0;
    p = p * r2 - 1.0 / 362880.0;
    p = p * r2 + 1.0 / 5040.0;
    p = p * r2 - 1.0 / 120.0;
    p = p * r2 + 1.0 / 6.0;
    return r - r * r2 * p;
}

} // namespace frakle::dsp
