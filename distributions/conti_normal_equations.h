// The normal equations of a distribution fit, with systematic noise eliminated, computed by
// MultiContiNEQThread workers.
#pragma once

#include "distributions/conti_matrix.h"
#include "distributions/conti_noise_centring.h"
#include "plat/thread.hpp"

#include <functional>
#include <vector>

// Row (1-based over the common grid) of column p (1..n) for the s-th fitted scan (0-based).
using ContiColumnRow = std::function<const float*(int p, int s)>;
// Row of the data for the s-th fitted scan.
using ContiDataRow = std::function<const float*(int s)>;

// A_pq = <P K_p, P K_q>, b_p = <P K_p, P y>, yy = <P y, P y>, so that the squared residual of
// amplitudes c is c'Ac - 2 b'c + yy exactly.
struct ContiNormalEquations {
    ContiMatrix A;
    std::vector<double> b; // [1..n]
    double yy = 0.0;
    std::vector<CentringMeans> columnMeans; // [1..n]
    CentringMeans dataMeans;
    int N() const { return A.N(); }
    double ChiSquare(const std::vector<double>& c) const;
};

// The work shared by the threads: inputs, means and the result they fill.
struct ContiNEQJob {
    int n = 0;
    const ContiDataSet* set = nullptr;
    ContiColumnRow column;
    ContiDataRow data;
    ContiNormalEquations* out = nullptr;
    // Rows p with (p - 1) mod count = k - 1: the upper-triangle cells A(p, q >= p) and b(p).
    void ComputeRows(int k, int count) const;
};

// Thread k of N computes its rows of the upper triangle; each cell is summed by one thread in a
// fixed order, so the result does not depend on the number of threads. No key polling inside.
class MultiContiNEQThread : public TThread {
  public:
    MultiContiNEQThread(const ContiNEQJob& job, int k, int count)
        : job_(job), k_(k), count_(count) {}
    ~MultiContiNEQThread() override { WaitForExit(); }

  protected:
    int Run() override;

  private:
    const ContiNEQJob& job_;
    int k_, count_;
};

// Builds the normal equations of n columns over the data set with threads workers (0 or 1: on
// the calling thread). The keyboard is polled once, after the join: a key press there sets the
// stop flag and returns false (the equations are complete, the caller discards them).
bool BuildContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                               const ContiDataRow& data, int threads, ContiNormalEquations& out);

// The time-invariant noise ti[0..Points()-1] and radially invariant noise ri[0..Scans()-1] that
// the elimination implies for amplitudes c of the columns.
void ContiNoiseForAmplitudes(int n, const ContiDataSet& set, const ContiColumnRow& column,
                             const ContiDataRow& data, const std::vector<double>& c,
                             std::vector<double>& ti, std::vector<double>& ri);
