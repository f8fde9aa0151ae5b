// The widest vector unit of the processor that the loops with run-time variants may use, found
// once, and a cap on it so that tests can run the narrower variants on any machine.
#pragma once

enum class VectorUnit { Plain, Avx2, Avx512 };

// The widest unit this processor offers (AVX-512 counts with its F, DQ and VL parts).
VectorUnit DetectedVectorUnit();

// The unit the variant loops use: the detected one, lowered to the cap. A plain read of a global,
// cheap enough for every call of a node loop.
VectorUnit UsableVectorUnit();

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
