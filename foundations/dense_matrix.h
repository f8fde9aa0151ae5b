// A dense matrix of doubles, 1-based and stored by rows in one block: the normal equations of the
// distributions, the centred blocks of the separable least squares and the dense solver's work.
#pragma once

#include <cstddef>
#include <vector>

class CDenseMatrix {
  public:
    CDenseMatrix() = default;
    explicit CDenseMatrix(int n) { Resize(n, n); }
    CDenseMatrix(int rows, int cols) { Resize(rows, cols); }
    // Resizes to rows x cols (n x n) and zeroes every element.
    void Resize(int n) { Resize(n, n); }
    void Resize(int rows, int cols) {
        rows_ = rows;
        cols_ = cols;
        values_.assign(static_cast<std::size_t>(rows + 1) * (cols + 1), 0.0);
    }
    int N() const { return rows_; }
    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    double& operator()(int i, int j) { return values_[Index(i, j)]; }
    double operator()(int i, int j) const { return values_[Index(i, j)]; }
    // Row i as a 1-based array: Row(i)[j] is element (i, j).
    double* Row(int i) { return &values_[Index(i, 0)]; }
    const double* Row(int i) const { return &values_[Index(i, 0)]; }
    // Row pointers [0..Rows()] for the routines on 1-based double** (ludcmp, dcholdc...).
    std::vector<double*> RowPointers() {
        std::vector<double*> rows(rows_ + 1);
        for (int i = 0; i <= rows_; ++i)
            rows[i] = Row(i);
        return rows;
    }
    // Copies the upper triangle into the lower one.
    void MirrorUpper() {
        for (int i = 2; i <= rows_; ++i)
            for (int j = 1; j < i; ++j)
                (*this)(i, j) = (*this)(j, i);
    }
    // Sum of the element-wise products with o (same shape), by rows.
    double Dot(const CDenseMatrix& o) const {
        double sum = 0.0;
        for (std::size_t i = 0; i < values_.size(); ++i)
            sum += values_[i] * o.values_[i];
        return sum;
    }
    bool operator==(const CDenseMatrix& o) const = default;

  private:
    std::size_t Index(int i, int j) const { return static_cast<std::size_t>(i) * (cols_ + 1) + j; }
    int rows_ = 0, cols_ = 0;
    std::vector<double> values_;
};
