// The right-hand rows of a step, in vectors as wide as the processor offers, with the same bits
// under every unit (no multiply is fused with an add).
#include "lamm/crank_nicolson_rows.h"

#include "foundations/tarnix_assert.h"
#include "foundations/vector_unit.h"

namespace {

// The outputs share no memory with the inputs, which lets the compiler run the loop in vectors
// without checking; the first and last rows lose their outer entries after it.
[[gnu::always_inline]] inline void
RightRows(const double* __restrict ma, const double* __restrict mb, const double* __restrict mc,
          const double* __restrict ka, const double* __restrict kb, const double* __restrict kc,
          const double* __restrict scale, double right, double* __restrict ba,
          double* __restrict bb, double* __restrict bc, int lo, int hi) {
    if (scale == nullptr) {
        for (int j = lo; j <= hi; ++j) {
            ba[j] = ma[j] + right * ka[j];
            bb[j] = mb[j] + right * kb[j];
            bc[j] = mc[j] + right * kc[j];
        }
        return;
    }
    for (int j = lo; j <= hi; ++j) {
        ba[j] = (ma[j] + right * ka[j]) * scale[j];
        bb[j] = (mb[j] + right * kb[j]) * scale[j];
        bc[j] = (mc[j] + right * kc[j]) * scale[j];
    }
}

[[gnu::always_inline]] inline void RightRowsOf(const CCrankNicolsonRows& r, const double* scale,
                                               int lo, int hi) {
    RightRows(r.Ma, r.Mb, r.Mc, r.Ka, r.Kb, r.Kc, scale, r.right, r.Ba, r.Bb, r.Bc, lo, hi);
}

[[gnu::target("avx2")]] void RightRowsAvx2(const CCrankNicolsonRows& r, const double* scale, int lo,
                                           int hi) {
    RightRowsOf(r, scale, lo, hi);
}

void RightRowsPlain(const CCrankNicolsonRows& r, const double* scale, int lo, int hi) {
    RightRowsOf(r, scale, lo, hi);
}

// The left-hand rows' a_j, c_j: the couplings below and above the diagonal, for rows that have
// both.
struct LeftCouplings {
    const double* __restrict ma, * __restrict mc, * __restrict ka, * __restrict kc;
    double left;
    [[gnu::always_inline]] double A(int j) const { return ma[j] - left * ka[j]; }
    [[gnu::always_inline]] double C(int j) const { return mc[j] - left * kc[j]; }
};

// Before the recurrences: each row's diagonal into d and the product of its couplings with the
// row before it in its elimination into e, rows lo + 1..k from the top, k + 1..hi - 1 from the
// bottom.
[[gnu::always_inline]] inline void
ContinuantInputs(const LeftCouplings& l, const double* __restrict mb, const double* __restrict kb,
                 double* __restrict d, double* __restrict e, int lo, int k, int hi) {
    for (int j = lo + 1; j < hi; ++j)
        d[j] = mb[j] - l.left * kb[j];
    for (int j = lo + 1; j <= k; ++j)
        e[j] = l.A(j) * l.C(j - 1);
    for (int j = k + 1; j < hi; ++j)
        e[j] = l.C(j) * l.A(j + 1);
}

// After them: the coupling inward over its pivot into scaled (a above the meeting, c below) and
// the factor of the back substitution into back (c_j-1 / pivot_j-1 above, a_j / pivot_j below).
[[gnu::always_inline]] inline void
FactorsFromPivots(const LeftCouplings& l, const double* __restrict inv, double* __restrict scaled,
                  double* __restrict back, int lo, int k, int hi) {
    for (int j = lo + 1; j <= k; ++j) {
        scaled[j] = l.A(j) * inv[j];
        back[j] = l.C(j - 1) * inv[j - 1];
    }
    for (int j = k + 1; j < hi; ++j) {
        scaled[j] = l.C(j) * inv[j];
        back[j] = l.A(j) * inv[j];
    }
    back[hi] = l.A(hi) * inv[hi];
}

[[gnu::target("avx2")]] void ContinuantInputsAvx2(const LeftCouplings& l, const double* mb,
                                                  const double* kb, double* d, double* e, int lo,
                                                  int k, int hi) {
    ContinuantInputs(l, mb, kb, d, e, lo, k, hi);
}

void ContinuantInputsPlain(const LeftCouplings& l, const double* mb, const double* kb, double* d,
                           double* e, int lo, int k, int hi) {
    ContinuantInputs(l, mb, kb, d, e, lo, k, hi);
}

[[gnu::target("avx2")]] void FactorsFromPivotsAvx2(const LeftCouplings& l, const double* inv,
                                                   double* scaled, double* back, int lo, int k,
                                                   int hi) {
    FactorsFromPivots(l, inv, scaled, back, lo, k, hi);
}

void FactorsFromPivotsPlain(const LeftCouplings& l, const double* inv, double* scaled, double* back,
                            int lo, int k, int hi) {
    FactorsFromPivots(l, inv, scaled, back, lo, k, hi);
}

} // namespace

// The diagonals and coupling products wait in scaled and back for the recurrences, which write
// invBet; the factors then take their places.
TridiagStatus CCrankNicolsonRows::FactorLeft(double* invBet, double* scaled, double* back,
                                             TwistedMeeting& meet, int lo, int k, int hi) const {
    TARNIX_ASSERT(lo >= 1 && lo <= k && k < hi && hi <= last);
    const TridiagRow first = Form(lo), end = Form(hi);
    if (first.b == 0.0 || end.b == 0.0)
        return TridiagStatus::FirstPivotZero;
    const LeftCouplings couplings{Ma, Mc, Ka, Kc, left};
    const bool avx2 = UsableVectorUnit() >= VectorUnit::Avx2;
    (avx2 ? ContinuantInputsAvx2 : ContinuantInputsPlain)(couplings, Mb, Kb, scaled, back, lo, k,
                                                          hi);
    scaled[lo] = first.b;
    scaled[hi] = end.b;
    if (!ContinuantPivots(scaled, back, invBet, lo, k, hi)) {
        CCrankNicolsonRows rows = *this;
        return TwistedFactorRowsAt(rows, invBet, scaled, back, meet, lo, k, hi);
    }
    (avx2 ? FactorsFromPivotsAvx2 : FactorsFromPivotsPlain)(couplings, invBet, scaled, back, lo, k,
                                                            hi);
    scaled[lo] = 0.0;
    scaled[hi] = 0.0;
    meet.k = k;
    return meet.Join(couplings.C(k) * invBet[k], back[k + 1]);
}

void CCrankNicolsonRows::FormRight(const double* invBet, int lo, int hi) const {
    if (lo > hi)
        return;
    if (UsableVectorUnit() >= VectorUnit::Avx2)
        RightRowsAvx2(*this, invBet, lo, hi);
    else
        RightRowsPlain(*this, invBet, lo, hi);
    // 0 times the pivot, as the whole row would give
    if (lo <= 1)
        Ba[1] = invBet != nullptr ? 0.0 * invBet[1] : 0.0;
    if (hi >= last)
        Bc[last] = invBet != nullptr ? 0.0 * invBet[last] : 0.0;
}
