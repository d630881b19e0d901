// tanh and sin in double precision from short polynomials, within 1e-15 of the C library's
// (tests/dsp/ApproxTest.cpp), at a fraction of their cost; the soft clipper and the modulator
// round them to 32-bit floats, where the two agree to a unit in the last place. Any thread.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace frakle::dsp {

namespace approx {

// Rounds to the nearest integer (halves to even) for |x| < 2^51.
inline double RoundToInteger(double x) { return (x + 0x1.8p52) - 0x1.8p52; }

// 2^(j/32), j = 0 … 31.
constexpr double kExp2Fraction[32] = {
    0x1.0000000000000p+0, 0x1.059b0d3158574p+0, 0x1.0b5586cf9890fp+0, 0x1.11301d0125b51p+0,
    0x1.172b83c7d517bp+0, 0x1.1d4873168b9aap+0, 0x1.2387a6e756238p+0, 0x1.29e9df51fdee1p+0,
    0x1.306fe0a31b715p+0, 0x1.371a7373aa9cbp+0, 0x1.3dea64c123422p+0, 0x1.44e086061892dp+0,
    0x1.4bfdad5362a27p+0, 0x1.5342b569d4f82p+0, 0x1.5ab07dd485429p+0, 0x1.6247eb03a5585p+0,
    0x1.6a09e667f3bcdp+0, 0x1.71f75e8ec5f74p+0, 0x1.7a11473eb0187p+0, 0x1.82589994cce13p+0,
    0x1.8ace5422aa0dbp+0, 0x1.93737b0cdc5e5p+0, 0x1.9c49182a3f090p+0, 0x1.a5503b23e255dp+0,
    0x1.ae89f995ad3adp+0, 0x1.b7f76f2fb5e47p+0, 0x1.c199bdd85529cp+0, 0x1.cb720dcef9069p+0,
    0x1.d5818dcfba487p+0, 0x1.dfc97337b9b5fp+0, 0x1.ea4afa2a490dap+0, 0x1.f50765b6e4540p+0,
};

// e^y for -700 < y ≤ 0: y = (32e + j) ln 2 / 32 + r with |r| ≤ ln 2 / 64, e^r by its Taylor series
// to r^7, in pairs so that few steps wait on each other.
inline double ExpNonPositive(double y) {
    constexpr double kLn2Hi = 6.93147180369123816490e-01 / 32.0;
    constexpr double kLn2Lo = 1.90821492927058770002e-10 / 32.0;
    const double k = RoundToInteger(y * 46.166241308446828384);
    const double r = (y - k * kLn2Hi) - k * kLn2Lo;
    const double r2 = r * r;
    const double low = (1.0 + r) + r2 * (0.5 + r * (1.0 / 6.0));
    const double high = (1.0 / 24.0 + r * (1.0 / 120.0)) + r2 * (1.0 / 720.0 + r * (1.0 / 5040.0));
    const double p = low + r2 * r2 * high;
    const auto ki = static_cast<int64_t>(k);
    const auto exponent = static_cast<uint64_t>((ki >> 5) + 1023) << 52;
    return p * kExp2Fraction[ki & 31] * std::bit_cast<double>(exponent);
}

} // namespace approx

inline double Tanh(double x) {
    const double a = std::fabs(x);
    if (a < 0.125) { // tanh x = x + x^3 p, p = -1/3 + 2x^2/15 - … (the Taylor series to x^15)
        const double x2 = x * x;
        double p = -929569.0 / 638512875.0;
        p = p * x2 + 21844.0 / 6081075.0;
        p = p * x2 - 1382.0 / 155925.0;
        p = p * x2 + 62.0 / 2835.0;
        p = p * x2 - 17.0 / 315.0;
        p = p * x2 + 2.0 / 15.0;
        p = p * x2 - 1.0 / 3.0;
        return x + x * x2 * p;
    }
    if (!(a < 20.0)) {
        return a == a ? std::copysign(1.0, x) : x; // 1 - tanh(20) is below half an ulp of 1
    }
    const double e = approx::ExpNonPositive(-2.0 * a);
    return std::copysign((1.0 - e) / (1.0 + e), x);
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
