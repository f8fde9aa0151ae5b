// The species amplitudes of the separable least squares: the products of the centred signals,
// their solve, the loadings stored from them and the species whose rows an evaluation left.
#pragma once

#include "state/component_scans.h"
#include "state/model_parameters.h"

#include <cstddef>
#include <vector>

// The inner products the amplitudes need, of the centred species signals among themselves
// (gram[s * m + t]) and with the centred target (cross[s]), and the raw norms of the signals
// before the centring. Each sum runs over the points in one fixed order.
struct AmplitudeProducts {
    explicit AmplitudeProducts(int m)
        : m(m), gram(std::size_t(m) * m, 0.0), cross(m, 0.0), rawNorm(m, 0.0) {}
    // Adds n points of one row: signal j at x[j][0..n-1], centred by subtracting off[j][q]; the
    // target at z[0..n-1], centred by subtracting zOff[q].
    void AddRow(const float* const* x, const double* const* off, const double* z,
                const double* zOff, int n);
    // The same with one offset for the whole row: off[j] for signal j, zOff for the target.
    void AddRowOffsets(const float* const* x, const double* off, const double* z, double zOff,
                       int n);
    // The same for a row that is not centred, with the target read as data[q] - held: the sums
    // of AddRowOffsets with offsets of +0 on those targets, without a row of them.
    void AddDataRow(const float* const* x, const float* data, double held, int n);
    int m;
    std::vector<double> gram, cross, rawNorm;
};

// Amplitudes of the centred species signals against the centred target from their products. The
// system is scaled to a unit diagonal; a signal the centring removes (a species constant in
// radius while radially invariant noise is fitted) gets amplitude 0 instead of an arbitrary one.
// The amplitudes are those of the least squares, of either sign.
std::vector<double> SolveAmplitudes(const AmplitudeProducts& pr);

// The new loadings: each species' carried loading times its amplitude. The first species slot
// holds the total signal and the others their fractions of it, as the evaluation reads them;
// the buffer slot holds its own signal. The packed vector is kept in step, since the next
// evaluation starts from it.
void StoreAmplitudes(const std::vector<int>& slots, const std::vector<double>& a);

// The included species whose rows the evaluation left for every scan in scans, each row holding
// points 1..points(k) of scan k.
template <class Points>
std::vector<int> SpeciesLeftOnEveryScan(const std::vector<int>& scans, Points points) {
    std::vector<int> slots;
    for (int s = 1; s <= ModelParameters::maxSpecies; ++s) {
        if (!ModelParameters::speciesIncluded[s])
            continue;
        const auto& perScan = ComponentScans::rows[s];
        bool complete = true;
        for (int k : scans)
            complete = complete && perScan.size() > std::size_t(k) &&
                       perScan[std::size_t(k)].size() > std::size_t(points(k));
        if (complete)
            slots.push_back(s);
    }
    return slots;
}
