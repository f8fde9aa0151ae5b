// The kernel of a continuous distribution: per grid point, the signal of unit loading for every
// scan on the kernel's radii, and whether that grid point's column was computed.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// One contiguous block per grid point of scans x points floats; rows are 1-based float vectors
// indexed [grid point][scan header index][point]. A column that was not computed (a stopped or
// failed list) is marked unsolved and holds zeros, never an earlier model's values.
class ContiKernel {
  public:
    // Zeros in every row; threads > 1 clears the block in as many shares at once.
    void Allocate(int gridPoints, int scans, const float* radii, int points, int threads = 1);
    // For a writer that writes each row whole or not at all: the rows' values [1..points] are
    // not cleared but marked at both ends, and everything else in the block is zero. After the
    // writer, ClearUnwrittenRows clears every row still marked, so no row keeps the values of an
    // earlier kernel.
    // With columnsLater, only the rows of no grid point are made so here: the writer calls
    // PrepareWholeRows(p) for every grid point p (before it writes p's rows, on the thread that
    // writes them, the grid points' at once on several threads).
    void AllocateForWholeRows(int gridPoints, int scans, const float* radii, int points,
                              bool columnsLater = false);
    void PrepareWholeRows(int p);
    void ClearUnwrittenRows();
    // The same for the rows of grid point p alone (the columns may be cleared at once on several
    // threads).
    void ClearUnwrittenRows(int p);
    void Free();
    bool Empty() const { return gridPoints_ == 0; }
    int GridPoints() const { return gridPoints_; }
    int Scans() const { return scans_; }
    int Points() const { return points_; }
    const float* Radii() const { return radii_; }
    float* Row(int p, int scan) { return rowPointers_[Slot(p, scan)]; }
    const float* Row(int p, int scan) const { return rowPointers_[Slot(p, scan)]; }
    // Output targets of a Lamm list: targets[p][scan] is the row of grid point p.
    float*** Targets() { return targets_.data(); }
    int* SolvedFlags() { return solved_.data(); }
    bool Solved(int p) const { return solved_[p] != 0; }
    void SetSolved(int p, bool on) { solved_[p] = on ? 1 : 0; }
    // True when every grid point's column is computed.
    bool Complete() const;
    // Counts the allocations, so a user of the kernel can tell that it was remade.
    unsigned long Generation() const { return generation_; }

  private:
    std::size_t Slot(int p, int scan) const {
        return static_cast<std::size_t>(p) * (scans_ + 1) + scan;
    }
    // The block and the row pointers for the shape; the number of values the rows span.
    std::size_t Shape(int gridPoints, int scans, const float* radii, int points);

    int gridPoints_ = 0, scans_ = 0, points_ = 0;
    unsigned long generation_ = 0;
    const float* radii_ = nullptr;
    // The block of every row, kept from one allocation to the next while it is large enough.
    std::unique_ptr<float[]> values_;
    std::size_t capacity_ = 0;
    std::vector<float*> rowPointers_;
    std::vector<float**> targets_;
    std::vector<int> solved_;
};

// The kernel of the current distribution analysis.
inline ContiKernel gContiKernel;

// Stores the profile (r, values)[1..n] of scan k, interpolated onto the kernel's radii, as column
// ContiState::kernelColumn; MapLammSolutionToData2 adds it to what the column holds.
void MapLammSolutionToData(int k, const double* r, const double* values, int n);
void MapLammSolutionToData2(int k, const double* r, const double* values, int n);
