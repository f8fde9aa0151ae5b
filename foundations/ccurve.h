// CCurve: a pair of CVector (x, y) of equal length, owned or merely wrapped, and its queries.
#pragma once

#include "foundations/cvector.h"

#include <cstdint>

// Curves alive at the moment; kept by the constructors and the destructor.
extern std::int32_t gLiveCurveCount;

class CCurve {
  public:
    std::uint32_t owns = 0; // 1: the destructor deletes x and y
    CVector* x = nullptr;
    CVector* y = nullptr;

    CCurve();
    // Wraps two existing vectors without owning them.
    CCurve(CVector* x, CVector* y);
    // Owning curve of n points copied from xs[xOffset + k], ys[yOffset + k].
    CCurve(const float* xs, const float* ys, std::uint32_t n, int xOffset, int yOffset);
    // Shares the other curve's vectors without owning them.
    CCurve(const CCurve& other);
    CCurve& operator=(const CCurve&) = delete;
    ~CCurve();

    std::uint32_t Count() const { return x ? x->length : 0; }

    // Text files (numeric text files of the foundations).
    bool Read(const char* name, int xColumn, int yColumn);
    bool ReadAveraged(const char* name, int xColumn, int yColumn, int groupSize);
    bool WriteXYExp(const char* name) const;

    // Index of the x nearest to value; the lower index on ties.
    int IndexNearestX(float value) const;
    int NearestIndex(float value, float* xOut, float* yOut) const;
    int NearestIndexInY(float value, float* xOut, float* yOut) const;
    int NearestPoint(float px, float py, float* xOut, float* yOut) const;

    // Extremes of y over indices [max(lo,0), min(hi,length)) with x in [x0, x1]; the scan stops
    // at the first x > x1 (x ascending); 0.0 when no point qualifies.
    float MinYInWindow(float x0, float x1, int lo, int hi) const;
    float MaxYInWindow(float x0, float x1, int lo, int hi) const;
    float MinYInRange(float x0, float x1) const;
    float MaxYInRange(float x0, float x1) const;
    float MeanYInRange(float x0, float x1) const;
    float XAtMaxY() const;

    // Local maxima over halfWindow points on each side, highest first, into 1-based arrays;
    // returns how many were reported (at most maxPeaks). peakIndex may be null.
    int FindPeaks(float* peakX, float* peakY, int* peakIndex, int maxPeaks, int halfWindow) const;

    void SortByX();
    float InterpolateY(float value) const;
};

// Writes n pairs of two 1-based float arrays, "%f %f" per line.
void WriteXY(const char* name, int n, const float* x, const float* y);

// Determinants of matrices held as 1-based rows (m[1..2][1..2], m[1..3][1..3]).
float Det2(float** m);
float Det3(float** m);
