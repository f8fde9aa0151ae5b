// Concentration-dependent s and D of the non-ideal and rapidly self-associating models.
#include "simulation/concentration_coefficients.h"

#include "foundations/vector_unit.h"
#include "lamm/cesium_chloride_law.h"
#include "lamm/lamm_ideal.h"

#include <algorithm>
#include <cmath>

double RapidAssocRootDiff(double c, double K) {
    if (c <= 0.0 || K <= 0.0)
        return c > 0.0 ? c : 0.0;
    const double half = c / (2.0 * K);
    const double q = std::sqrt(half * half + 1.0 / (27.0 * K * K * K));
    // Both cube roots are of positive numbers; for large K c^2 the difference cancels, so the
    // root is refined by Newton steps on m + K m^3 = c.
    double m = std::cbrt(half + q) - std::cbrt(q - half);
    for (int k = 0; k < 3; ++k) {
        const double residual = m + K * m * m * m - c;
        if (std::fabs(residual) <= 1e-14 * c)
            break;
        m -= residual / (1.0 + 3.0 * K * m * m);
    }
    return m;
}

namespace {

// The monomer concentration of m + K m^3 = c by Newton steps from a guess near it (the node's
// value of the last evaluation): a step or two where the profile changed little, the closed
// form where they do not reach the root. Newton's steps on this convex function approach the
// root from above and stop at the same residual as the closed form's refinement.
double TrimerMonomerFrom(double c, double K, double guess) {
    if (c <= 0.0 || K <= 0.0 || !(guess > 0.0))
        return RapidAssocRootDiff(c, K);
    double m = guess;
    for (int k = 0; k < 5; ++k) {
        const double residual = m + K * m * m * m - c;
        if (std::fabs(residual) <= 1e-14 * c)
            return m;
        m -= residual / (1.0 + 3.0 * K * m * m);
        if (!(m > 0.0))
            break;
    }
    return RapidAssocRootDiff(c, K);
}

// Powers of m of the first and second oligomer minus one, and their sizes.
struct OligomerShape {
    int p2, p3, n2, n3;
};

bool ShapeOf(const CConcentrationLaw& law, OligomerShape& shape) {
    if (law.law == CoefficientLaw::OligomerA)
        shape = {3, 7, 4, 8};
    else if (law.law == CoefficientLaw::OligomerB)
        shape = {1, 3, 2, 4};
    else
        return false;
    return true;
}

} // namespace

double OligomerTotalConcentration(const CConcentrationLaw& law, double m) {
    OligomerShape f;
    if (!ShapeOf(law, f))
        return 0.0;
    return m + law.K * std::pow(m, f.n2) + law.K3 * std::pow(m, f.n3);
}

double OligomerWeightAverageS(const CConcentrationLaw& law, double m) {
    OligomerShape f;
    if (!ShapeOf(law, f))
        return 0.0;
    const double a = law.K * std::pow(m, f.p2), b = law.K3 * std::pow(m, f.p3);
    return (law.s1 + a * law.s2 + b * law.s3) / (1.0 + a + b);
}

double OligomerGradientAverageD(const CConcentrationLaw& law, double m) {
    OligomerShape f;
    if (!ShapeOf(law, f))
        return 0.0;
    const double a = f.n2 * law.K * std::pow(m, f.p2), b = f.n3 * law.K3 * std::pow(m, f.p3);
    return (law.D1 + a * law.D2 + b * law.D3) / (1.0 + a + b);
}

COligomerTable::COligomerTable(const CConcentrationLaw& law)
    : m_(kRows + 1), c_(kRows + 1), s_(kRows + 1), d_(kRows + 1) {
    const double ratio = std::pow(100.0 / 1e-5, 1.0 / (kRows - 1));
    double m = 1e-5;
    for (int j = 1; j <= kRows; ++j, m *= ratio) {
        m_[j] = m;
        c_[j] = OligomerTotalConcentration(law, m);
        s_[j] = OligomerWeightAverageS(law, m);
        d_[j] = OligomerGradientAverageD(law, m);
    }
}

void COligomerTable::Lookup(double c, double& s, double& D) {
    if (c <= c_[1]) {
        s = s_[1], D = d_[1];
        return;
    }
    int j = last_ > 10 && c > c_[last_ - 10] ? last_ - 10 : 1;
    while (j <= kRows && c > c_[j])
        ++j;
    if (j > kRows || j == kRows) {
        s = s_[kRows], D = d_[kRows];
        last_ = kRows;
        return;
    }
    last_ = j;
    if (c == c_[j]) {
        s = s_[j], D = d_[j];
        return;
    }
    const double w = (c - c_[j - 1]) / (c_[j] - c_[j - 1]);
    s = s_[j - 1] + w * (s_[j] - s_[j - 1]);
    D = d_[j - 1] + w * (d_[j] - d_[j - 1]);
}

void CoefficientsAt(const CConcentrationLaw& law, COligomerTable* table, double c, double& s,
                    double& D) {
    switch (law.law) {
    case CoefficientLaw::Nonideal:
        s = law.s1 / (1.0 + law.ks * c);
        D = law.D1 * (1.0 + law.kd * c);
        return;
    case CoefficientLaw::MonomerDimer: {
        // x = K c1, the dimer-to-monomer ratio, from c = c1 + 2 K c1^2 on the weight scale
        const double x = (std::sqrt(4.0 * law.K * std::max(c, 0.0) + 1.0) - 1.0) / 2.0;
        s = (law.s1 + x * law.s2) / (1.0 + x);
        D = (law.D1 + 2.0 * x * law.D2) / (1.0 + 2.0 * x);
        return;
    }
    case CoefficientLaw::MonomerTrimer: {
        const double m = RapidAssocRootDiff(std::max(c, 0.0), law.K);
        const double w = law.K * m * m;
        s = (law.s1 + w * law.s2) / (1.0 + w);
        D = (law.D1 + 3.0 * w * law.D2) / (1.0 + 3.0 * w);
        return;
    }
    case CoefficientLaw::Tabulated:
        if (law.cesiumChloride) {
            s = CLammIdeal::BuiltinCosolventS(c);
            D = CLammIdeal::BuiltinCosolventD(c);
        } else {
            s = CLammIdeal::CosolventPolynomial(law.sPolynomial, c);
            D = CLammIdeal::CosolventPolynomial(law.dPolynomial, c);
        }
        return;
    case CoefficientLaw::OligomerA:
    case CoefficientLaw::OligomerB:
        if (table)
            table->Lookup(c, s, D);
        else
            s = D = 0.0;
        return;
    }
}

CoefficientRule::CoefficientRule(const CConcentrationLaw& law) : law_(law) {
    if (law.law == CoefficientLaw::OligomerA || law.law == CoefficientLaw::OligomerB)
        table_.emplace_back(law);
}

namespace {

// One evaluation of a law's coefficients at the concentrations c of nodes 1..n: into s and D,
// or (average) as the half sum with the values in place.
struct LawPass {
    const CConcentrationLaw* law;
    const double* c;
    const double* cOld; // the corrector's old profile (the dimer's ks averages it); else c
    double *s, *D;
    double* monomer; // the trimer's, per node, last found
    double* pending; // the trimer's work: nonzero where a node is not yet finished
    int n;
    bool average;
};

// The plain laws written out as in CoefficientsAt, pass by pass down the nodes, so that they run
// in vector registers (square roots, quotients and the series exponential are rounded as in the
// scalar code: the same bits). The trimer's monomer concentration takes two Halley steps from the
// node's last value, in vectors too; a node whose residual is not yet below the closed form's is
// finished one by one. Its coefficients then follow from the monomer concentration.
[[gnu::always_inline]] inline void EvaluateLaw(const LawPass& p) {
    const CConcentrationLaw& L = *p.law;
    const double* c = p.c;
    double* s = p.s;
    double* D = p.D;
    const int n = p.n;
    switch (L.law) {
    case CoefficientLaw::Nonideal:
#pragma GCC ivdep
        for (int i = 1; i <= n; ++i) {
            const double sNew = L.s1 / (1.0 + L.ks * c[i]);
            const double dNew = L.D1 * (1.0 + L.kd * c[i]);
            s[i] = p.average ? 0.5 * (s[i] + sNew) : sNew;
            D[i] = p.average ? 0.5 * (D[i] + dNew) : dNew;
        }
        return;
    case CoefficientLaw::MonomerDimer: {
        const double fourK = 4.0 * L.K;
        if (L.dimerKs && p.average) {
            // the mean of the old and the new weight-average s over 1 + ks times the mean
            // concentration
            const double* cOld = p.cOld;
#pragma GCC ivdep
            for (int i = 1; i <= n; ++i) {
                const double x = (std::sqrt(fourK * std::max(c[i], 0.0) + 1.0) - 1.0) / 2.0;
                const double xOld = (std::sqrt(fourK * std::max(cOld[i], 0.0) + 1.0) - 1.0) / 2.0;
                const double sNew = (L.s1 + x * L.s2) / (1.0 + x);
                const double sOld = (L.s1 + xOld * L.s2) / (1.0 + xOld);
                const double dNew = (L.D1 + 2.0 * x * L.D2) / (1.0 + 2.0 * x);
                s[i] = 0.5 * (sOld + sNew) / (1.0 + L.ks * 0.5 * (cOld[i] + c[i]));
                D[i] = 0.5 * (D[i] + dNew);
            }
            return;
        }
        if (L.dimerKs) {
            // the predictor: the weight-average s over 1 + ks c
#pragma GCC ivdep
            for (int i = 1; i <= n; ++i) {
                const double x = (std::sqrt(fourK * std::max(c[i], 0.0) + 1.0) - 1.0) / 2.0;
                s[i] = (L.s1 + x * L.s2) / (1.0 + x) / (1.0 + L.ks * c[i]);
                D[i] = (L.D1 + 2.0 * x * L.D2) / (1.0 + 2.0 * x);
            }
            return;
        }
#pragma GCC ivdep
        for (int i = 1; i <= n; ++i) {
            const double x = (std::sqrt(fourK * std::max(c[i], 0.0) + 1.0) - 1.0) / 2.0;
            const double sNew = (L.s1 + x * L.s2) / (1.0 + x);
            const double dNew = (L.D1 + 2.0 * x * L.D2) / (1.0 + 2.0 * x);
            s[i] = p.average ? 0.5 * (s[i] + sNew) : sNew;
            D[i] = p.average ? 0.5 * (D[i] + dNew) : dNew;
        }
        return;
    }
    case CoefficientLaw::MonomerTrimer: {
        const double K = L.K;
        double* m = p.monomer;
        double* pending = p.pending;
        // Halley's steps on f = m + K m^3 - c (one quotient each, the error cubed): two from a
        // last value within a few per cent. Where the second step moved the value by less than
        // 1e-7 of it, what remains is below rounding (the residual of m + K m^3 near c may stay
        // above 1e-14 c when K m^3 carries it); elsewhere the node is finished one by one.
        int unfinished = 0;
#pragma GCC ivdep
        for (int i = 1; i <= n; ++i) {
            const double total = std::max(c[i], 0.0);
            double v = m[i] > 0.0 ? m[i] : total;
            double step = 0.0;
            for (int k = 0; k < 2; ++k) {
                const double f = v + K * v * v * v - total;
                const double slope = 1.0 + 3.0 * K * v * v;
                step = 2.0 * f * slope / (2.0 * slope * slope - f * 6.0 * K * v);
                v -= step;
            }
            m[i] = v;
            const bool done = std::fabs(step) <= 1e-7 * v;
            pending[i] = done ? 0.0 : 1.0;
            unfinished += done ? 0 : 1;
        }
        if (unfinished > 0)
            for (int i = 1; i <= n; ++i)
                if (pending[i] != 0.0)
                    m[i] = TrimerMonomerFrom(std::max(c[i], 0.0), K, m[i]);
#pragma GCC ivdep
        for (int i = 1; i <= n; ++i) {
            // both quotients over one reciprocal (the rounding of the monomer's steps already
            // leaves the trimer's values to a few ulp)
            const double w = K * m[i] * m[i];
            const double over = 1.0 / ((1.0 + w) * (1.0 + 3.0 * w));
            const double sNew = (L.s1 + w * L.s2) * (1.0 + 3.0 * w) * over;
            const double dNew = (L.D1 + 3.0 * w * L.D2) * (1.0 + w) * over;
            s[i] = p.average ? 0.5 * (s[i] + sNew) : sNew;
            D[i] = p.average ? 0.5 * (D[i] + dNew) : dNew;
        }
        return;
    }
    case CoefficientLaw::Tabulated:
        // the predictor and the corrector apart: the choice between them inside the loop would
        // be threaded through the exponentials' range checks and stop the vectors
        if (!p.average) {
#pragma GCC ivdep
            for (int i = 1; i <= n; ++i) {
                s[i] = CesiumChlorideS(c[i]);
                D[i] = CesiumChlorideD(c[i]);
            }
            return;
        }
#pragma GCC ivdep
        for (int i = 1; i <= n; ++i) {
            const double sNew = CesiumChlorideS(c[i]);
            const double dNew = CesiumChlorideD(c[i]);
            s[i] = 0.5 * (s[i] + sNew);
            D[i] = 0.5 * (D[i] + dNew);
        }
        return;
    default:
        return;
    }
}

// EvaluateLaw for AVX-512, for AVX2 and for any x86-64, chosen at run time. None of them fuses
// a multiply and an add (AVX-512 has the instructions: contraction is switched off), so all give
// the same bits; AVX-512 halves the instructions of the series exponentials.
[[gnu::target("avx512f,avx512dq,avx512vl"), gnu::optimize("fp-contract=off")]] void
EvaluateLawAvx512(const LawPass& p) {
    EvaluateLaw(p);
}

[[gnu::target("avx2")]] void EvaluateLawAvx2(const LawPass& p) {
    EvaluateLaw(p);
}

void EvaluateLawPlain(const LawPass& p) {
    EvaluateLaw(p);
}

void Evaluate(const LawPass& p) {
    switch (UsableVectorUnit()) {
    case VectorUnit::Avx512:
        return EvaluateLawAvx512(p);
    case VectorUnit::Avx2:
        return EvaluateLawAvx2(p);
    case VectorUnit::Plain:
        return EvaluateLawPlain(p);
    }
}

// True for the laws EvaluateLaw writes out.
bool WrittenOut(const CConcentrationLaw& law) {
    return law.law == CoefficientLaw::Nonideal || law.law == CoefficientLaw::MonomerTrimer ||
           law.law == CoefficientLaw::MonomerDimer ||
           (law.law == CoefficientLaw::Tabulated && law.cesiumChloride);
}

} // namespace

void CoefficientRule::Predictor(const double* cOld, double* s, double* D, int n) {
    const CConcentrationLaw& L = law_;
    if (WrittenOut(L)) {
        monomer_.resize(std::size_t(n) + 1, 0.0);
        pending_.resize(std::size_t(n) + 1, 0.0);
        Evaluate({&L, cOld, cOld, s, D, monomer_.data(), pending_.data(), n, false});
        return;
    }
    for (int i = 1; i <= n; ++i)
        CoefficientsAt(L, Table(), cOld[i], s[i], D[i]);
}

void CoefficientRule::Corrector(const double* cOld, const double* cNew, double* s, double* D,
                                int n) {
    const CConcentrationLaw& L = law_;
    if (WrittenOut(L)) {
        monomer_.resize(std::size_t(n) + 1, 0.0);
        pending_.resize(std::size_t(n) + 1, 0.0);
        Evaluate({&L, cNew, cOld, s, D, monomer_.data(), pending_.data(), n, true});
        return;
    }
    for (int i = 1; i <= n; ++i) {
        double sNew, dNew;
        CoefficientsAt(L, Table(), cNew[i], sNew, dNew);
        s[i] = 0.5 * (s[i] + sNew);
        D[i] = 0.5 * (D[i] + dNew);
    }
}
