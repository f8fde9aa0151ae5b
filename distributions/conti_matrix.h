// A dense 1-based square matrix of doubles for the normal equations of a distribution.
#pragma once

#include <cstddef>
#include <vector>

class ContiMatrix {
  public:
    ContiMatrix() = default;
    explicit ContiMatrix(int n) { Resize(n); }
    // Resizes to n x n and zeroes every element.
    void Resize(int n) {
        n_ = n;
        values_.assign(static_cast<std::size_t>(n + 1) * (n + 1), 0.0);
    }
    int N() const { return n_; }
    double& operator()(int i, int j) { return values_[Index(i, j)]; }
    double operator()(int i, int j) const { return values_[Index(i, j)]; }
    // Copies the upper triangle into the lower one.
    void MirrorUpper() {
        for (int i = 2; i <= n_; ++i)
            for (int j = 1; j < i; ++j)
                (*this)(i, j) = (*this)(j, i);
    }
    bool operator==(const ContiMatrix& o) const = default;

  private:
    std::size_t Index(int i, int j) const { return static_cast<std::size_t>(i) * (n_ + 1) + j; }
    int n_ = 0;
    std::vector<double> values_;
};
