// The regularization of a distribution with the systematic noise held where the unregularized
// solution put it. Eliminated noise takes, of every column, its mean over the scans
// (time-invariant) and over the points (radially invariant); what is left of a slowly sedimenting
// column is small and nearly proportional to its s (the dilution of its plateau is radially
// invariant, its unmoved loading both). The data then see c(s) near 0 S through s c(s) alone:
// moving amplitude towards 0 S keeps the fit when the amplitude grows as s falls, with the growth
// given to the noise as an offset. A regularization free to re-eliminate the noise so buys
// smoothness or entropy with signal that is not in the data (a phantom peak next to the held 0 S
// point, and area taken from the peaks it broadens). With the noise held, the regularized
// amplitudes pay for every change of the columns' whole signal, as they do without noise terms.
#pragma once

#include "distributions/conti_normal_equations.h"
#include "foundations/noise_projection.h"

#include <vector>

// Q(p, q) = <K_p, K_q> - <P K_p, P K_q> for columns 1..N(): the part of the columns' products
// that the eliminated noise takes, from eq.columnMeans (a 0 x 0 matrix without noise terms); its
// rows made on up to `threads` threads, the same values for any count.
CDenseMatrix NoiseGramOfColumns(const ContiNormalEquations& eq, const NoiseTerms& terms,
                                int threads = 1);
// Q of NoiseGramOfColumns brought up to date after the means of the columns p with changed[p]
// (1..N()) changed: their rows and columns made again, the same values as made whole; made whole
// when Q is not of N() columns.
void UpdateNoiseGramOfColumns(const ContiNormalEquations& eq, const NoiseTerms& terms,
                              const std::vector<char>& changed, CDenseMatrix& Q);

// The equations of the squared residual with the noise held at what the amplitudes c0 leave:
// chi-square(c) + (c - c0)' Q (c - c0), Q = eq.noiseGram; the held columns and discrete columns
// as eq's, no means.
ContiNormalEquations EquationsWithNoiseHeld(const ContiNormalEquations& eq,
                                            const std::vector<double>& c0);

// The noise ti[0..points-1], ri[0..scans-1] that the elimination implies for amplitudes c, moved
// to what it implies for amplitudes c0: the residual's means change by the columns' means
// (columnMeans[1..n]) times c - c0.
void MoveNoiseToAmplitudes(const std::vector<NoiseMeans>& columnMeans, const std::vector<double>& c,
                           const std::vector<double>& c0, const NoiseTerms& terms,
                           std::vector<double>& ti, std::vector<double>& ri);

// The part of MoveNoiseToAmplitudes's change of the means d (point means of d.point.size()
// points, row means of d.row.size() rows, from zero) over the points [from, to), with the row
// means and the grand mean when rows is set: each mean takes the columns' terms in column order,
// so parts made apart give the bits of the whole.
void AddChangeOfMeans(const std::vector<NoiseMeans>& columnMeans, const std::vector<double>& c,
                      const std::vector<double>& c0, int from, int to, bool rows, NoiseMeans& d);

// ContiNoiseAndModel (conti_normal_equations.h) of amplitudes c with the noise then moved to what
// amplitudes c0 imply, as MoveNoiseToAmplitudes moves it: the same values, the change of the
// means made in parts beside the scans' rows (conti_normal_equations_residual.cpp).
void ContiNoiseAndModelMovedTo(int n, const ContiDataSet& set, const ContiColumnRow& column,
                               const ContiDataRow& data, const std::vector<double>& c,
                               const std::vector<double>& c0,
                               const std::vector<NoiseMeans>& columnMeans, int points,
                               std::vector<double>& ti, std::vector<double>& ri,
                               std::vector<std::vector<double>>& model, int threads,
                               const std::vector<int>* firstNonzero);
