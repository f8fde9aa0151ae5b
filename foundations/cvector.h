// CVector: the plain float vector that owns its storage or views a 1-based array of somebody else.
#pragma once

#include <cstdint>

// n floats of new, uninitialised storage; a failure is the fatal "Could not allocate Vector".
float* AllocFloats(std::uint32_t n);
// Releases storage of AllocFloats and returns null.
float* FreeFloats(float* p);

class CVector {
  public:
    float* data = nullptr;       // element 0; null when empty
    std::uint32_t length = 0;    // number of elements
    std::uint32_t allocated = 0; // elements of storage: length, or more after Append
    std::uint32_t owns = 1;      // 1: storage released by the destructor; 0: a view
    std::uint32_t flag = 1;      // carried by constructors and copies, read by nobody

    CVector() = default;
    CVector(std::uint32_t n, std::uint32_t flag);
    CVector(std::uint32_t n, const float* source, std::uint32_t flag);
    CVector(const CVector& other);
    CVector& operator=(const CVector& other);
    ~CVector();

    // A view of the n floats starting offset elements after base (offset 1 over a 1-based array
    // makes element 0 the array's element 1).
    void Attach(float* base, std::uint32_t n, std::uint32_t offset);
    // A view of n floats at address; values with |x| < 1e-30 are set to 0 in the viewed memory.
    void SetView(float* address, std::uint32_t n);

    float At(int i) const;
    float Max() const;
    float Min() const;
    float MaxInRange(int lo, int hi) const;
    float MinInRange(int lo, int hi) const;
    // Extremes among the strictly positive elements of lo..hi; 1.0 with *failed = 1 when none.
    float MinPositive(int lo, int hi, unsigned char* failed) const;
    float MaxPositive(int lo, int hi, unsigned char* failed) const;

    // Label text of scale * data[i] (integers without a fraction); returns the characters written.
    int FormatElement(std::uint32_t i, char* text, int size, float scale) const;
    // The same for 10^(scale * data[i]).
    int FormatElementExp10(std::uint32_t i, char* text, int size, float scale) const;

    // Adds value at the end, in amortised constant time (the storage grows geometrically).
    void Append(float value);
    void Resize(std::uint32_t n);
    CVector& operator*=(float factor);
    bool operator==(const CVector& other) const;
    bool operator!=(const CVector& other) const;
    void Display() const;

    // Numeric text files: one number per line.
    void Read(const char* name);
    bool Write(const char* name) const;
    bool WriteExp10(const char* name) const;

    // Savitzky-Golay smoothing in place; false when nothing was changed.
    bool SavGolSmooth(int nl, int nr, int m);
    // Smooths values given at abscissae x on an even grid of gridPoints and puts them back on x.
    bool SmoothOnRegularGrid(int gridPoints, const CVector& x, int nl, int nr, int m);

  private:
    void Release();
};
