// The widest vector unit of the processor that the loops with run-time variants may use, found
// once, and a cap on it so that tests can run the narrower variants on any machine. Every choice
// of a variant goes through it, fused multiply-adds included.
#pragma once

enum class VectorUnit { Plain, Avx2, Avx512 };

// The widest unit this processor offers (AVX2 counts with fused multiply-adds, AVX-512 with its
// F, DQ and VL parts).
VectorUnit DetectedVectorUnit();

namespace vector_unit_detail {
// the detected unit lowered to the cap (CapVectorUnit sets it)
extern VectorUnit usable;
} // namespace vector_unit_detail

// The unit the variant loops use: the detected one, lowered to the cap. A plain read of a global,
// read where it is asked: a loop's every step may ask several times.
inline VectorUnit UsableVectorUnit() {
    return vector_unit_detail::usable;
}

// Whether the variants may use AVX2, AVX-512, and fused multiply-adds (which come with AVX2).
inline bool UsableAvx2() {
    return UsableVectorUnit() >= VectorUnit::Avx2;
}
inline bool UsableAvx512() {
    return UsableVectorUnit() == VectorUnit::Avx512;
}
inline bool UsableFma() {
    return UsableAvx2();
}

// Caps the usable unit at `cap` (never above the detected unit) and returns the previous cap.
// Meant for tests and set while no solver runs.
VectorUnit CapVectorUnit(VectorUnit cap);

// Sets a cap for its scope and puts the previous one back at its end.
class CVectorUnitCap {
  public:
    explicit CVectorUnitCap(VectorUnit cap) : previous_(CapVectorUnit(cap)) {}
    ~CVectorUnitCap() { CapVectorUnit(previous_); }
    CVectorUnitCap(const CVectorUnitCap&) = delete;
    CVectorUnitCap& operator=(const CVectorUnitCap&) = delete;

  private:
    VectorUnit previous_;
};
