// The plug-in's random generator: a 32-bit linear congruential generator. One per plug-in
// instance; the engine seeds and draws from it on the audio thread, and operations on other
// threads draw from their own copies.
#pragma once

#include <cstdint>

namespace frakle::dsp {

class TRandom {
public:
    explicit TRandom(uint32_t seed = 0) : state_(seed) {}

    uint32_t seed() const { return state_; }
    void setSeed(uint32_t seed) { state_ = seed; }

    // 0 … n − 1 (0 when n is 0).
    uint32_t next(uint32_t n) {
        advance();
        return static_cast<uint32_t>((static_cast<uint64_t>(state_) * n) >> 32);
    }
    // 0 ≤ u < 1.
    double nextUnit() {
        advance();
        return static_cast<double>(state_) / 4294967296.0;
    }
    int32_t range(int32_t a, int32_t b) {
        const int64_t span = static_cast<int64_t>(b) - a;
        const uint32_t width = static_cast<uint32_t>(span < 0 ? -span : span);
        return static_cast<int32_t>(next(width) + static_cast<int64_t>(a < b ? a : b));
    }

private:
    void advance() { state_ = state_ * 134775813U + 1U; }
    uint32_t state_;
};

} // namespace frakle::dsp
