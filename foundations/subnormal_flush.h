// Subnormal doubles taken as zero while a solution runs on this thread.
#pragma once

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

// The far side of a sharp boundary holds concentrations that decay below 1e-308 within a few
// nodes; the processor takes each operation on such a number through a slow path, which made a
// fine fixed grid eight times slower. Nothing a solver reports or stores (single precision rows,
// step control on relative changes above a threshold) can see a value that small, so while an
// object of this class lives, subnormal inputs and results are zero on the calling thread; the
// previous mode is restored when it goes. Every thread that solves sets it, so results do not
// depend on the thread that computes them.
class SubnormalsAsZero {
  public:
#if defined(__SSE2__)
    SubnormalsAsZero() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
    }
    ~SubnormalsAsZero() {
        _mm_setcsr(saved_);
    }
#else
    SubnormalsAsZero() = default;
#endif
    SubnormalsAsZero(const SubnormalsAsZero&) = delete;
    SubnormalsAsZero& operator=(const SubnormalsAsZero&) = delete;

  private:
#if defined(__SSE2__)
    static constexpr unsigned kFlushToZero = 0x8000u;
    static constexpr unsigned kDenormalsAreZero = 0x0040u;
    unsigned saved_;
#endif
};

// The same mode taken when first asked for and kept over the calls that ask again, until it is
// given back (the previous mode restored), at the latest when the object goes: a loop of short
// solutions changes the mode once instead of twice per solution.
class SubnormalsAsZeroHeld {
  public:
    SubnormalsAsZeroHeld() = default;
    ~SubnormalsAsZeroHeld() { Release(); }
    SubnormalsAsZeroHeld(const SubnormalsAsZeroHeld&) = delete;
    SubnormalsAsZeroHeld& operator=(const SubnormalsAsZeroHeld&) = delete;

    void Hold() {
#if defined(__SSE2__)
        if (!held_) {
            saved_ = _mm_getcsr();
            _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
            held_ = true;
        }
#endif
    }
    void Release() {
#if defined(__SSE2__)
        if (held_) {
            _mm_setcsr(saved_);
            held_ = false;
        }
#endif
    }

  private:
#if defined(__SSE2__)
    static constexpr unsigned kFlushToZero = 0x8000u;
    static constexpr unsigned kDenormalsAreZero = 0x0040u;
    unsigned saved_ = 0;
    bool held_ = false;
#endif
};
