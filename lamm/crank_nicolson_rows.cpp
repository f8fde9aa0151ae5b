// The right-hand rows of a step, in vectors as wide as the processor offers, with the same bits
// under every unit (no multiply is fused with an add).
#include "lamm/crank_nicolson_rows.h"

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

} // namespace

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
