// Flush-to-zero and denormals-are-zero for the duration of one audio block.
#pragma once

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace frakle::engine {

class ScopedFlushDenormals {
public:
#if defined(__SSE__) || defined(__x86_64__)
    ScopedFlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040U); }
    ~ScopedFlushDenormals() { _mm_setcsr(saved_); }

private:
    unsigned int saved_;
#else
    ScopedFlushDenormals() = default;
#endif

public:
    ScopedFlushDenormals(const ScopedFlushDenormals &) = delete;
    ScopedFlushDenormals &operator=(const ScopedFlushDenormals &) = delete;
};

} // namespace frakle::engine
