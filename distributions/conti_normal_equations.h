// The normal equations of a distribution fit, with systematic noise eliminated, computed in
// shares on kept threads.
#pragma once

#include "distributions/conti_data_set.h"
#include "foundations/analysis_failure.h"
#include "foundations/dense_matrix.h"

#include <atomic>
#include <functional>
#include <utility>
#include <vector>

// Row (1-based over the common grid) of column p (1..n) for the s-th fitted scan (0-based).
using ContiColumnRow = std::function<const float*(int p, int s)>;
// Row of the data for the s-th fitted scan.
using ContiDataRow = std::function<const float*(int s)>;

// A_pq = <P K_p, P K_q>, b_p = <P K_p, P y>, yy = <P y, P y>, so that the squared residual of
// amplitudes c is c'Ac - 2 b'c + yy exactly.
struct ContiNormalEquations {
    CDenseMatrix A;
    std::vector<double> b; // [1..n]
    double yy = 0.0;
    double rawYy = 0.0; // <y, y> before the elimination
    // The data values and the noise parameters eliminated (the set's), for the degrees of freedom.
    double values = 0.0;
    int noiseParameters = 0;
    std::vector<NoiseMeans> columnMeans; // [1..n]
    NoiseMeans dataMeans;
    std::vector<double> rawNorm; // [1..n], <K_p, K_p> before the elimination
    // [1..n], 1 where the eliminated noise reproduces column p: its amplitude is held at zero.
    std::vector<char> held;
    // Q(p, q) = <K_p, K_q> - <P K_p, P K_q>, the part of the products the eliminated noise takes
    // (NoiseGramOfColumns), when the maximum entropy is to hold the noise; else 0 x 0.
    CDenseMatrix noiseGram;
    // The chi-square of the non-negative least squares solution before its slowest amplitudes
    // within the noise were held (HoldSlowAmplitudesWithinTheNoise), 0 when none were: the
    // regularization measures its rise from the best fit the data allow.
    double chiSquareBeforeSlowHolds = 0.0;
    // The last columns are discrete species beside the distribution: the regularization leaves
    // their amplitudes free (non-negative only).
    int discreteColumns = 0;
    // [s * (n + 1) + p]: the first point of the set's range at which column p of the s-th scan
    // is not zero (last + 1 for none), found while the equations were built; whatever adds the
    // columns' multiples over the set's range starts there.
    std::vector<int> firstNonzero;
    int N() const { return A.N(); }
    // The columns of the distribution itself.
    int DistributionColumns() const { return N() - discreteColumns; }
    bool AnyHeld() const;
    // With products, and every amplitude of c nonzero, (A c)[p] goes into (*products)[p - 1] for
    // p = 1..n, the bits RowProducts gives over every row; else products is emptied.
    double ChiSquare(const std::vector<double>& c, std::vector<double>* products = nullptr) const;
    // out[k] = (A c)[rows[k]], each summed over the columns in order.
    void RowProducts(const std::vector<double>& c, const std::vector<int>& rows,
                     std::vector<double>& out) const;
};

// The scratch storage of one share of a build: the share's columns widened to double, once per
// scan, and the data widened for the rows' products with it. Filled before it is read in every
// build, so what a share finds there from an earlier build changes nothing.
struct ContiNEQShareSpace {
    std::vector<double> pairs, widened;
};

// Each scan's own sums of the lane cells A(p, q >= p) (the cells of row p from offset[p] on, scan
// s's at s * cells): filled scan by scan by whichever share claims the scan (next), then added up
// in scan order by the shares of rows, which gives each cell the sum it has when one share adds
// the scans one after the other.
struct ContiNEQScanSums {
    std::vector<double> values;
    std::vector<std::size_t> offset;
    std::size_t cells = 0;
    std::atomic<int>* next = nullptr;
};

// The scratch of a whole build (the columns' means side by side, a space per share and the scans'
// sums), kept by a caller that builds again and again so that its storage, some megabytes, is not
// made and faulted in anew each time. Every value is written before it is read in each build.
struct ContiNEQScratch {
    NoiseMeansSideBySide side;
    std::vector<ContiNEQShareSpace> spaces;
    ContiNEQScanSums scanSums;
};

// The work shared by the threads: inputs, means and the result they fill.
struct ContiNEQJob {
    int n = 0;
    const ContiDataSet* set = nullptr;
    ContiColumnRow column;
    ContiDataRow data;
    ContiNormalEquations* out = nullptr;
    // [s * (n + 1) + p]: the first point of the set's range at which column p of scan s is not
    // zero (last + 1 for none), the products before it being zero; none: every point is summed.
    const int* firstNonzero = nullptr;
    // The columns' means side by side (columns 0..n), for the centred products; none: taken
    // from out->columnMeans pair by pair, the same values.
    const NoiseMeansSideBySide* meansSideBySide = nullptr;
    // [b] (optional): the share (1..count) of the block of four rows 4 b + 1..4 b + 4; none:
    // the blocks dealt out in rounds of count, every other round in reverse.
    const int* blockShares = nullptr;
    // [k - 1] (optional): share k's scratch storage, read by that share only; none: each share
    // takes its own for the call.
    ContiNEQShareSpace* spaces = nullptr;
    // Whether the part of each product that the noise takes goes into out->noiseGram (sized n x n
    // before) beside A, from the same sums of means (needs meansSideBySide or out->columnMeans).
    bool noiseGram = false;
    // (optional) the lane cells' sums of each scan, made before by ComputeScans: the rows add
    // them up instead of reading the scans' columns for them.
    ContiNEQScanSums* scanSums = nullptr;
    // The rows of share k of count, in blocks of four consecutive rows: their upper-triangle
    // cells A(p, q >= p) and b(p).
    void ComputeRows(int k, int count) const;
    // The lane cells of every row over the scans share k claims (scanSums->next), each scan's
    // into its own place in scanSums.
    void ComputeScans(int k, int count) const;
};

// A column is held when its centred norm is below this fraction of its raw norm. A column that
// the noise terms reproduce (the s = 0 column is constant in radius and time) keeps only
// rounding there: float kernel values (relative error 6e-8, squared 4e-15) and the cancellation
// of raw sums against means in double (1e-13 at most for the largest data sets). A column that
// differs from the noise by a relative rms of 1e-5 or more (1e-10 squared) stays free; a smaller
// difference lies far below any signal's noise and could only be fitted through the
// regularization, which is what made the peak at 0 S.
inline constexpr double kHeldColumnRatio = 1e-10;

// Holds, besides the columns held already, those the data cannot tell from nothing, from their
// neighbour or from the noise terms, so that only the regularization could set their amplitudes:
// a column whose raw norm over the set is below kHeldColumnRatio of the largest one (a grid point
// whose signal has left the fitted range before the first scan, or never reaches it); a column
// of the distribution whose difference from the last free distribution column before it has a
// centred norm below kHeldColumnRatio of theirs (grid points whose signals coincide, as all those
// piled up at the bottom); and, while noise terms are eliminated, a column whose own signal (what
// is left of it once the noise terms are removed) stays below the noise of one data value even
// at the largest amplitude the data allow it, rawYy A(p, p) / rawNorm[p] < chi-square / nu of the
// non-negative least squares solution (the slowest grid points of a wide range, which barely move
// during the scans, are the time-invariant noise but for such a rest). The discrete columns
// (eq.discreteColumns, set before) are compared with no neighbour. A column that is not finite
// is never held, nor taken as the largest. Returns the number of columns newly held.
int HoldColumnsWithoutOwnSignal(ContiNormalEquations& eq);

// With the noise terms eliminated, what the data see of a slow column is nearly proportional to
// its s (the rest is constant in radius or in time, and the noise takes it): moving amplitude
// down between the slowest grid points, their sum growing as their s falls, fits nearly as well,
// the noise taking the sum's offset. The non-negative least squares solution then often puts
// there an amplitude of the noise's, not a species'. The columns up to its slowest amplitude are
// held at zero, as the 0 S point is, and the solution found again (what the data see of that
// amplitude goes to the faster columns, so to less signal), as long as the F-test at confidence
// level P cannot tell the best solution from the one without the k amplitudes dropped so far:
// the rise of chi-square stays below k F(P; k, nu) times its variance per degree of freedom.
// The first amplitude the data need, the slowest species they see, ends it. Nothing is held
// without noise terms or for P <= 0.5 (no regularization). When any column was held,
// eq.chiSquareBeforeSlowHolds keeps the best solution's chi-square. Returns the number of columns
// newly held.
int HoldSlowAmplitudesWithinTheNoise(ContiNormalEquations& eq, double P);

// The columns 1..N() not held, in order.
std::vector<int> ContiFreeColumns(const ContiNormalEquations& eq);

// The non-negative least squares solution x[1..N()] of matrix A (eq.A, or eq.A with a penalty
// added) and eq.b over the columns not held; held amplitudes are zero. The problem on the free
// columns is the sub-block of A and b, so a penalty added to A before still couples a free
// amplitude to its held neighbour as if that one sat at zero on the grid.
AnalysisFailure ContiNNLSOnFreeColumns(const ContiNormalEquations& eq, const CDenseMatrix& A,
                                       std::vector<double>& x);

// Runs share(k, count) for k = 1..count and returns when all are done. The calling thread runs
// share 1 and then claims the others in turn; up to count - 1 kept threads claim those it has
// not reached, so a share never waits for a thread the system has not scheduled. Each share
// runs once, on whichever thread claims it: a share that computes each of its values in a
// fixed order gives the same result for any count and any thread. No key polling inside.
void RunContiShares(int count, const std::function<void(int, int)>& share);

// The first point in [lo, hi] where x is not zero (hi + 1 for none): a kernel column's products
// and multiples before it are exact zeros.
int ContiFirstNonzero(const float* x, int lo, int hi);

// Where each of n columns begins on each scan of a data set and the column's means, found column
// by column as the columns are made (by the threads that made them, while their values are in
// cache) for the normal equations built next on the same columns and set.
struct ContiColumnStarts {
    int n = 0;
    std::vector<int> firstNonzero; // [s * (n + 1) + p]
    std::vector<NoiseMeans> means; // [1..n]
    std::vector<char> known;       // [1..n]: 1 where column p's entries were found
    // Room for n columns over the set, none known.
    void Reset(int columns, const ContiDataSet& set);
    // Column p changed since its entries were found.
    void Forget(int p) { known[std::size_t(p)] = 0; }
};

// Finds column p's entries of starts. Columns may be found at once on several threads: each
// writes its own entries only.
void FindContiColumnStart(const ContiDataSet& set, const ContiColumnRow& column, int p,
                          ContiColumnStarts& starts);

// What a build may be given besides its inputs, and what more it may make.
struct ContiNEQBuildAids {
    // The columns found before on these columns and set, taken (moved) from it; the others are
    // found in the build, the same values either way.
    ContiColumnStarts* starts = nullptr;
    // Storage kept from an earlier build; none: the build's own.
    ContiNEQScratch* scratch = nullptr;
    // Whether out.noiseGram is made too (NoiseGramOfColumns, the same numbers), from the sums of
    // means the products are centred with; else it is left empty.
    bool noiseGram = false;
};

// Builds the normal equations of n columns over the data set with threads workers (0 or 1: on
// the calling thread). The keyboard is polled once, after the join: a key press there sets the
// stop flag and returns false (the equations are complete, the caller discards them).
bool BuildContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                               const ContiDataRow& data, int threads, ContiNormalEquations& out,
                               const ContiNEQBuildAids& aids = {});

// Brings equations built before (by the whole build or by this) for the same n and data set up
// to date after the columns p with changed[p] != 0 (1..n) and the data changed: the cells of
// those columns, their means, raw norms and first values, every b, yy and the held marks are
// made again, each the same number, bit for bit, that the whole build gives; the other cells are
// kept. threads as for the whole build.
void UpdateContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                                const ContiDataRow& data, const std::vector<char>& changed,
                                int threads, ContiNormalEquations& eq);

// row[i] += a x[i] for i in [from, last], each point on its own with the product rounded before
// the addition: the same bits as the plain loop, in vectors of any width.
void ContiAddMultiple(double* row, const float* x, double a, int from, int last);

// The time-invariant noise ti[0..Points()-1] and radially invariant noise ri[0..Scans()-1] that
// the elimination implies for amplitudes c of the columns.
// The residual rows of the scans are formed by threads workers (0 or 1: on the calling thread).
// firstNonzero, when given, is that of the equations of these columns (else it is looked for).
void ContiNoiseForAmplitudes(int n, const ContiDataSet& set, const ContiColumnRow& column,
                             const ContiDataRow& data, const std::vector<double>& c,
                             std::vector<double>& ti, std::vector<double>& ri, int threads = 1,
                             const std::vector<int>* firstNonzero = nullptr);
// ContiNoiseForAmplitudes with each scan's model without the noise from the same pass over the
// kernel: model[s][j] for j in 1..points (at least the set's last; [0] is 0) the sum of the
// columns' multiples c[p] column(p, s)[j], added in column order from 0, point by point. A row
// holds points + 1 values or more.
void ContiNoiseAndModel(int n, const ContiDataSet& set, const ContiColumnRow& column,
                        const ContiDataRow& data, const std::vector<double>& c, int points,
                        std::vector<double>& ti, std::vector<double>& ri,
                        std::vector<std::vector<double>>& model, int threads = 1,
                        const std::vector<int>* firstNonzero = nullptr);
