// Exact element integrals of linear hat functions, summed over the elements two nodes share.
#include "lamm/hat_integrals.h"

#include "foundations/vector_unit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// On an element [a, c] every integrand is a product of linear functions v_a phi_a + v_c phi_c;
// with integral of phi_a^p phi_c^q = h p! q! / (p + q + 1)! the integral is exact. Used for the
// weighted and triple families; the plain pair integrals below use their closed forms.
double LinearProductIntegral(double h, const double* va, const double* vc, int count) {
    static const double fact[8] = {1, 1, 2, 6, 24, 120, 720, 5040};
    double sum = 0.0;
    for (int mask = 0; mask < (1 << count); ++mask) {
        double coef = 1.0;
        int q = 0;
        for (int f = 0; f < count; ++f) {
            if (mask & (1 << f)) {
                coef *= vc[f];
                ++q;
            } else {
                coef *= va[f];
            }
        }
        const int p = count - q;
        sum += coef * fact[p] * fact[q] / fact[p + q + 1];
    }
    return h * sum;
}

bool Outside(int n, int i) {
    return i < 1 || i > n;
}

// Sums elem(k, iLeft, jLeft) over the elements [g_k, g_k+1] that hold both nodes; iLeft tells
// whether node i is the left node of the element.
template <class Elem> double PairSum(int n, int i, int j, Elem elem) {
    if (Outside(n, i) || Outside(n, j) || std::abs(i - j) > 1)
        return 0.0;
    if (i == j) {
        double v = 0.0;
        if (i > 1)
            v += elem(i - 1, false, false);
        if (i < n)
            v += elem(i, true, true);
        return v;
    }
    const int k = i < j ? i : j;
    return elem(k, i < j, j < i);
}

// The hat function of the left or right node on the element: values at (a, c).
void HatValues(bool left, double& va, double& vc) {
    va = left ? 1.0 : 0.0;
    vc = left ? 0.0 : 1.0;
}

double HatSlope(bool left, double h) {
    return left ? -1.0 / h : 1.0 / h;
}

// The terms of element [g_e, g_e+1] that the pair integrals below sum (HatMass, HatStiffness,
// HatSedimentation and HatRows): the mass of two nodes, of the left node with itself and of the
// right node with itself; the stiffness; the sedimentation with the left and the right node's
// hat (before the slope's sign). Terms a caller does not read are not formed.
struct HatElementTerms {
    double massPair = 0.0, massLeft = 0.0, massRight = 0.0, stiffness = 0.0;
    double sedLeft = 0.0, sedRight = 0.0;
    [[gnu::always_inline]] inline HatElementTerms(const double* g, int e) {
        const double a = g[e], c = g[e + 1], h = c - a;
        massPair = h * (a + c) / 12.0;
        massLeft = h * (3.0 * a + c) / 12.0;
        massRight = h * (a + 3.0 * c) / 12.0;
        stiffness = (a + c) / (2.0 * h);
        sedLeft = (3.0 * a * a + 2.0 * a * c + c * c) / 12.0;
        sedRight = (a * a + 2.0 * a * c + 3.0 * c * c) / 12.0;
    }
    HatElementTerms() = default;
};

} // namespace

double HatMass(const double* g, int n, int i, int j) {
    return PairSum(n, i, j, [g](int k, bool il, bool jl) {
        const HatElementTerms t(g, k);
        if (il != jl)
            return t.massPair;
        return il ? t.massLeft : t.massRight;
    });
}

double HatStiffness(const double* g, int n, int i, int j) {
    return PairSum(n, i, j, [g](int k, bool il, bool jl) {
        const double v = HatElementTerms(g, k).stiffness;
        return il == jl ? v : -v;
    });
}

double HatSedimentation(const double* g, int n, int i, int j) {
    return PairSum(n, i, j, [g](int k, bool il, bool jl) {
        // integral of r^2 phi_j over the element, times h, then the slope of phi_i
        const HatElementTerms t(g, k);
        const double mom = jl ? t.sedLeft : t.sedRight;
        return il ? -mom : mom;
    });
}

void HatRows(const double* g, int n, int first, int last, double k, double D, double* mass[3],
             double* out[3]) {
    // the element before row i, carried to the next row as the one after it
    HatElementTerms before;
    if (first > 1 && first <= n)
        before = HatElementTerms(g, first - 1);
    for (int i = first; i <= last; ++i) {
        const bool inside = i >= 1 && i <= n;
        const bool hasBefore = inside && i > 1, hasAfter = inside && i < n;
        HatElementTerms after;
        if (hasAfter)
            after = HatElementTerms(g, i);
        // (i, i - 1): the element before, i its right node, i - 1 the left
        double m0 = 0.0, s0 = 0.0, d0 = 0.0;
        if (hasBefore)
            m0 = before.massPair, s0 = before.sedLeft, d0 = -before.stiffness;
        // (i, i): both elements, summed from 0 as the pair function sums them
        double m1 = 0.0, s1 = 0.0, d1 = 0.0;
        if (inside) {
            if (hasBefore)
                m1 += before.massRight, s1 += before.sedRight, d1 += before.stiffness;
            if (hasAfter)
                m1 += after.massLeft, s1 += -after.sedLeft, d1 += after.stiffness;
        }
        // (i, i + 1): the element after, i its left node
        double m2 = 0.0, s2 = 0.0, d2 = 0.0;
        if (hasAfter)
            m2 = after.massPair, s2 = -after.sedRight, d2 = -after.stiffness;
        mass[0][i] = m0, mass[1][i] = m1, mass[2][i] = m2;
        out[0][i] = k * s0 - D * d0;
        out[1][i] = k * s1 - D * d1;
        out[2][i] = k * s2 - D * d2;
        before = after;
    }
}

double HatFrame(const double* g, int n, int i, int j) {
    return PairSum(n, i, j, [g, n](int k, bool il, bool jl) {
        const double a = g[k], c = g[k + 1];
        // node velocity: r at interior nodes, 0 at the pinned ends
        const double wa = (k > 1) ? a : 0.0;
        const double wc = (k + 1 < n) ? c : 0.0;
        // integral of r w phi_i over the element, divided by h
        const double mom = il ? a * wa / 4.0 + (a * wc + c * wa) / 12.0 + c * wc / 12.0
                              : a * wa / 12.0 + (a * wc + c * wa) / 12.0 + c * wc / 4.0;
        return jl ? mom : -mom;
    });
}

double HatNodeVolume(const double* g, int n, int i) {
    if (Outside(n, i))
        return 0.0;
    double v = 0.0;
    if (i > 1) {
        const double a = g[i - 1], c = g[i];
        v += (c - a) * (a + 2.0 * c) / 6.0;
    }
    if (i < n) {
        const double a = g[i], c = g[i + 1];
        v += (c - a) * (2.0 * a + c) / 6.0;
    }
    return v;
}

namespace {

// The interior terms of a grid amount, volumes[i] * c[i] over nodes 3..n-2 in eight interleaved
// parts, and with Moved the same sum over c moved by one node (c[i + shift]) in the same pass.
// The parts are two vectors of four lanes, each lane summing its own nodes in order and the
// lanes added in a fixed tree, so the sums are the same on every call and under every vector
// unit (no multiply is fused with an add); eight parts keep eight additions in flight, where
// one part's chain of additions would set the pace.
using Quad = double __attribute__((vector_size(32)));
constexpr int kQuads = 2;

[[gnu::always_inline]] inline void LoadQuad(Quad& v, const double* p) {
    std::memcpy(&v, p, sizeof v);
}

[[gnu::always_inline]] inline double SumOfParts(const Quad (&part)[kQuads]) {
    return ((part[0][0] + part[0][1]) + (part[0][2] + part[0][3])) +
           ((part[1][0] + part[1][1]) + (part[1][2] + part[1][3]));
}

template <bool Moved>
[[gnu::always_inline]] inline void InteriorAmountsBody(const double* volumes, const double* c,
                                                       int n, int shift, double& here,
                                                       double& moved) {
    Quad part[kQuads] = {}, movedPart[kQuads] = {};
    const double* cm = c + shift;
    int i = 3;
    for (; i + 4 * kQuads - 1 <= n - 2; i += 4 * kQuads)
        for (int q = 0; q < kQuads; ++q) {
            Quad v, x;
            LoadQuad(v, volumes + i + 4 * q);
            LoadQuad(x, c + i + 4 * q);
            part[q] += v * x;
            if constexpr (Moved) {
                LoadQuad(x, cm + i + 4 * q);
                movedPart[q] += v * x;
            }
        }
    for (; i <= n - 2; ++i) {
        part[0][0] += volumes[i] * c[i];
        if constexpr (Moved)
            movedPart[0][0] += volumes[i] * cm[i];
    }
    here = SumOfParts(part);
    moved = SumOfParts(movedPart);
}

template <bool Moved>
[[gnu::target("avx2")]] void InteriorAmountsAvx2(const double* volumes, const double* c, int n,
                                                 int shift, double& here, double& moved) {
    InteriorAmountsBody<Moved>(volumes, c, n, shift, here, moved);
}

template <bool Moved>
void InteriorAmountsPlain(const double* volumes, const double* c, int n, int shift, double& here,
                          double& moved) {
    InteriorAmountsBody<Moved>(volumes, c, n, shift, here, moved);
}

template <bool Moved>
void InteriorAmounts(const double* volumes, const double* c, int n, int shift, double& here,
                     double& moved) {
    if (UsableVectorUnit() >= VectorUnit::Avx2)
        InteriorAmountsAvx2<Moved>(volumes, c, n, shift, here, moved);
    else
        InteriorAmountsPlain<Moved>(volumes, c, n, shift, here, moved);
}

} // namespace

double HatGridAmount(const double* g, const double* volumes, const double* c, int n) {
    double interior = 0.0, unused = 0.0;
    InteriorAmounts<false>(volumes, c, n, 0, interior, unused);
    return HatGridAmountFrom(g, c, n, interior);
}

void HatInteriorAmounts(const double* volumes, const double* c, int n, int shift, double& here,
                        double& moved) {
    InteriorAmounts<true>(volumes, c, n, shift, here, moved);
}

double HatGridAmountFrom(const double* g, const double* c, int n, double interior) {
    return HatNodeVolume(g, n, 1) * c[1] + HatNodeVolume(g, n, 2) * c[2] +
           HatNodeVolume(g, n, n - 1) * c[n - 1] + HatNodeVolume(g, n, n) * c[n] + interior;
}

// The integral of r f over the element [g_k, g_k+1], f linear between its nodes.
static double WeightedStiffnessMoment(const double* g, const double* f, int k) {
    const double a = g[k], c = g[k + 1], h = c - a;
    return h * ((2.0 * a + c) * f[k] + (a + 2.0 * c) * f[k + 1]) / 6.0;
}

double HatWeightedStiffness(const double* g, const double* f, int n, int i, int j) {
    return PairSum(n, i, j, [g, f](int k, bool il, bool jl) {
        const double h = g[k + 1] - g[k];
        return HatSlope(il, h) * HatSlope(jl, h) * WeightedStiffnessMoment(g, f, k);
    });
}

// The integrand r^2 f b phi_j is of degree 5 on an element, so three Gauss-Legendre points give
// it exactly; this runs at every step of a solvent whose profile changes, where the expansion of
// LinearProductIntegral over 32 products was most of a run's time.
static void WeightedSedimentationSums(const double* g, const double* f, const double* b, int k,
                                      double& left, double& right) {
    const double a = g[k], h = g[k + 1] - a;
    static constexpr double kOffset = 0.38729833462074168852; // sqrt(3/5) / 2
    static constexpr double kT[3] = {0.5 - kOffset, 0.5, 0.5 + kOffset};
    static constexpr double kW[3] = {5.0 / 18.0, 8.0 / 18.0, 5.0 / 18.0};
    left = right = 0.0;
    for (int q = 0; q < 3; ++q) {
        const double t = kT[q], r = a + t * h;
        const double fr = f[k] + t * (f[k + 1] - f[k]), br = b[k] + t * (b[k + 1] - b[k]);
        left += kW[q] * r * r * fr * br * (1.0 - t);
        right += kW[q] * r * r * fr * br * t;
    }
}

double HatWeightedSedimentation(const double* g, const double* f, const double* b, int n, int i,
                                int j) {
    return PairSum(n, i, j, [g, f, b](int k, bool il, bool jl) {
        const double h = g[k + 1] - g[k];
        double left, right;
        WeightedSedimentationSums(g, f, b, k, left, right);
        return HatSlope(il, h) * h * (jl ? left : right);
    });
}

// Per element [a, c] of length h: the stiffness weights s0, s1 with integral of r f phi'phi' =
// -+(s0 f_a + s1 f_c) (so s = (2a + c) / 6h, (a + 2c) / 6h), and the four moments
// m_q = integral of r^2 phi_a^(3-q) phi_c^q / h, from which the integral of r^2 f b phi / h
// follows for the hat of either node: f b phi_a is phi_a (f_a phi_a + f_c phi_c)(b_a phi_a +
// b_c phi_c). The moments are of degree 5 in r, which three Gauss-Legendre points give exactly.
void CHatWeightedElements::FormFor(const double* g, int count) {
    if (count == n && count >= 1 && grid.size() == static_cast<size_t>(count) + 1 &&
        std::memcmp(g + 1, grid.data() + 1, sizeof(double) * static_cast<size_t>(count)) == 0)
        return;
    n = count;
    const size_t size = static_cast<size_t>(count < 1 ? 1 : count) + 1;
    grid.assign(size, 0.0);
    for (std::vector<double>* v : {&s0, &s1, &m0, &m1, &m2, &m3, &lower, &upper})
        v->assign(size, 0.0);
    if (count < 1)
        return;
    std::copy(g + 1, g + count + 1, grid.begin() + 1);
    static constexpr double kOffset = 0.38729833462074168852; // sqrt(3/5) / 2
    static constexpr double kT[3] = {0.5 - kOffset, 0.5, 0.5 + kOffset};
    static constexpr double kW[3] = {5.0 / 18.0, 8.0 / 18.0, 5.0 / 18.0};
    for (int e = 1; e < count; ++e) {
        const double a = g[e], c = g[e + 1], h = c - a;
        s0[e] = (2.0 * a + c) / (6.0 * h);
        s1[e] = (a + 2.0 * c) / (6.0 * h);
        double m[4] = {0.0, 0.0, 0.0, 0.0};
        for (int q = 0; q < 3; ++q) {
            const double t = kT[q], u = 1.0 - t, r = a + t * h, w = kW[q] * r * r;
            m[0] += w * u * u * u;
            m[1] += w * u * u * t;
            m[2] += w * u * t * t;
            m[3] += w * t * t * t;
        }
        m0[e] = m[0], m1[e] = m[1], m2[e] = m[2], m3[e] = m[3];
    }
}

namespace {

// The element pass: what element e gives row e + 1 below its diagonal (lower) and row e above
// it (upper); the diagonals follow, since every column of k Sed - D Stiff sums to zero over the
// two rows of an element. Written for the vector units, which the variants below select.
// The outputs share no memory with the inputs, which lets the compiler run the loop in vectors
// without checking.
[[gnu::always_inline]] inline void
WeightedElementLoop(const double* __restrict s0, const double* __restrict s1,
                    const double* __restrict m0, const double* __restrict m1,
                    const double* __restrict m2, const double* __restrict m3,
                    const double* __restrict f, const double* __restrict b, double k, double D,
                    double* __restrict lower, double* __restrict upper, int lo, int hi) {
    for (int e = lo; e <= hi; ++e) {
        const double stiff = s0[e] * f[e] + s1[e] * f[e + 1];
        const double pa = f[e] * b[e], pc = f[e + 1] * b[e + 1];
        const double cross = f[e] * b[e + 1] + f[e + 1] * b[e];
        const double left = m0[e] * pa + m1[e] * cross + m2[e] * pc;
        const double right = m1[e] * pa + m2[e] * cross + m3[e] * pc;
        lower[e] = k * left + D * stiff;
        upper[e] = D * stiff - k * right;
    }
}

[[gnu::always_inline]] inline void WeightedElementPass(const CHatWeightedElements& t,
                                                       const double* f, const double* b, double k,
                                                       double D, double* lower, double* upper,
                                                       int lo, int hi) {
    WeightedElementLoop(t.s0.data(), t.s1.data(), t.m0.data(), t.m1.data(), t.m2.data(),
                        t.m3.data(), f, b, k, D, lower, upper, lo, hi);
}

[[gnu::always_inline]] inline void WeightedRowPass(const double* lower, const double* upper,
                                                   double* out[3], int lo, int hi) {
    double *sub = out[0], *diag = out[1], *sup = out[2];
    for (int i = lo; i <= hi; ++i) {
        sub[i] = lower[i - 1];
        sup[i] = upper[i];
        diag[i] = -(upper[i - 1] + lower[i]);
    }
}

[[gnu::target("avx2")]] void WeightedElementPassAvx2(const CHatWeightedElements& t, const double* f,
                                                     const double* b, double k, double D,
                                                     double* lower, double* upper, int lo, int hi) {
    WeightedElementPass(t, f, b, k, D, lower, upper, lo, hi);
}

[[gnu::target("avx2")]] void WeightedRowPassAvx2(const double* lower, const double* upper,
                                                 double* out[3], int lo, int hi) {
    WeightedRowPass(lower, upper, out, lo, hi);
}

} // namespace

void HatWeightedTransportRows(CHatWeightedElements& t, const double* f, const double* b, int n,
                              int first, int last, double k, double D, double* out[3]) {
    if (n > t.n)
        n = t.n;
    if (first < 1)
        first = 1;
    if (last > n)
        last = n;
    if (first > last)
        return;
    // elements first - 1..last, those of the grid; the ends of the cut take none beyond it
    double* lower = t.lower.data();
    double* upper = t.upper.data();
    const int lo = first > 1 ? first - 1 : 1, hi = last < n ? last : n - 1;
    const bool wide = UsableVectorUnit() >= VectorUnit::Avx2;
    if (wide)
        WeightedElementPassAvx2(t, f, b, k, D, lower, upper, lo, hi);
    else
        WeightedElementPass(t, f, b, k, D, lower, upper, lo, hi);
    lower[0] = upper[0] = 0.0; // before the first element
    lower[n] = upper[n] = 0.0; // beyond the cut
    if (wide)
        WeightedRowPassAvx2(lower, upper, out, first, last);
    else
        WeightedRowPass(lower, upper, out, first, last);
}

namespace {

// Sums over the elements that hold all three nodes; elem gets the element's left index and
// whether each node is its left node.
template <class Elem> double TripleSum(int n, int i, int j, int k, Elem elem) {
    if (Outside(n, i) || Outside(n, j) || Outside(n, k))
        return 0.0;
    int lo = i, hi = i;
    for (int x : {j, k}) {
        lo = x < lo ? x : lo;
        hi = x > hi ? x : hi;
    }
    if (hi - lo > 1)
        return 0.0;
    double v = 0.0;
    for (int e = hi - 1; e <= lo; ++e) {
        if (e < 1 || e + 1 > n)
            continue;
        v += elem(e, i == e, j == e, k == e);
    }
    return v;
}

} // namespace

double HatDiffusionTriple(const double* g, int n, int i, int j, int k) {
    return TripleSum(n, i, j, k, [g](int e, bool il, bool jl, bool kl) {
        const double a = g[e], c = g[e + 1], h = c - a;
        double va[2] = {a, 0.0}, vc[2] = {c, 0.0};
        HatValues(kl, va[1], vc[1]);
        return HatSlope(il, h) * HatSlope(jl, h) * LinearProductIntegral(h, va, vc, 2);
    });
}

double HatSedimentationTriple(const double* g, int n, int i, int j, int k) {
    return TripleSum(n, i, j, k, [g](int e, bool il, bool jl, bool kl) {
        const double a = g[e], c = g[e + 1], h = c - a;
        double va[4] = {a, a, 0.0, 0.0}, vc[4] = {c, c, 0.0, 0.0};
        HatValues(jl, va[2], vc[2]);
        HatValues(kl, va[3], vc[3]);
        return HatSlope(il, h) * LinearProductIntegral(h, va, vc, 4);
    });
}

double HatMassTriple(const double* g, int n, int i, int j, int k) {
    return TripleSum(n, i, j, k, [g](int e, bool il, bool jl, bool kl) {
        const double a = g[e], c = g[e + 1], h = c - a;
        double va[4] = {a, 0.0, 0.0, 0.0}, vc[4] = {c, 0.0, 0.0, 0.0};
        HatValues(il, va[1], vc[1]);
        HatValues(jl, va[2], vc[2]);
        HatValues(kl, va[3], vc[3]);
        return LinearProductIntegral(h, va, vc, 4);
    });
}

double HatFrameTriple(const double* g, int n, int i, int j, int k) {
    return TripleSum(n, i, j, k, [g, n](int e, bool il, bool jl, bool kl) {
        const double a = g[e], c = g[e + 1], h = c - a;
        // the frame velocity is linear on the element: r at interior nodes, 0 at the ends
        double va[4] = {a, e > 1 ? a : 0.0, 0.0, 0.0}, vc[4] = {c, e + 1 < n ? c : 0.0, 0.0, 0.0};
        HatValues(il, va[2], vc[2]);
        HatValues(kl, va[3], vc[3]);
        return -HatSlope(jl, h) * LinearProductIntegral(h, va, vc, 4);
    });
}
