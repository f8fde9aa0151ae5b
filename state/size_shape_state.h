// The two-dimensional size-and-shape distribution c(s, f/f0): its f/f0 grid settings, the last
// result on the (s, f/f0) grid with the partner quantities of every point, and its display
// switches.
#pragma once

#include <vector>

struct SizeShapeState {
    // The f/f0 dimension of the grid; the s dimension is the distribution range and resolution.
    static inline float ff0Min = 1.0f;
    static inline float ff0Max = 2.5f;
    static inline int ff0Points = 10;

    // The last result: sPoints x ff0Points grid points, point (i, j) at index (j - 1) sPoints + i
    // (1-based, element 0 unused), s running fastest.
    static inline int sPoints = 0;
    static inline int ff0Count = 0;
    static inline std::vector<float> sAxis, ff0Axis;   // [1..sPoints], [1..ff0Count]
    static inline std::vector<float> s, ff0, M, Rh, D; // per point: S, 1, Da, nm, cm^2/s
    static inline std::vector<float> values;           // c per unit s and unit f/f0
    static inline bool discreteComponent = false;      // a discrete species was fitted beside

    // What the plot shows against s (or, with molarMassTransform, against M): f/f0 by default.
    static inline bool molarMassTransform = false; // M and f/f0
    static inline bool rhTransform = false;        // s and Rh
    static inline bool dTransform = false;         // s and D
    static inline bool sMTransform = false;        // s and M

    // Averages over the last integrated range: weight-average M, z-average M and the second
    // central moment about it, weight-average f/f0, weight-average Rh and its second central
    // moment.
    static inline float Mw = 0.0f, Mz = 0.0f, mzMoment = 0.0f, fw = 0.0f, R = 0.0f, rMoment = 0.0f;

    static int Points() { return sPoints * ff0Count; }
    static bool Held() { return Points() > 0 && static_cast<int>(values.size()) == Points() + 1; }
    static void ClearResult() {
        sPoints = ff0Count = 0;
        sAxis.clear();
        ff0Axis.clear();
        s.clear();
        ff0.clear();
        M.clear();
        Rh.clear();
        D.clear();
        values.clear();
        discreteComponent = false;
        Mw = Mz = mzMoment = fw = R = rMoment = 0.0f;
    }
    static void ResetToDefaults() {
        ff0Min = 1.0f;
        ff0Max = 2.5f;
        ff0Points = 10;
        molarMassTransform = rhTransform = dTransform = sMTransform = false;
        ClearResult();
    }
};
