// Concentration-dependent s and D of the non-ideal and rapidly self-associating models.
#include "simulation/concentration_coefficients.h"

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

void CoefficientRule::Predictor(const double* cOld, double* s, double* D, int n) {
    const bool ks = law_.law == CoefficientLaw::MonomerDimer && law_.dimerKs;
    for (int i = 1; i <= n; ++i) {
        CoefficientsAt(law_, Table(), cOld[i], s[i], D[i]);
        if (ks)
            s[i] /= 1.0 + law_.ks * cOld[i];
    }
}

void CoefficientRule::Corrector(const double* cOld, const double* cNew, double* s, double* D,
                                int n) {
    const bool ks = law_.law == CoefficientLaw::MonomerDimer && law_.dimerKs;
    for (int i = 1; i <= n; ++i) {
        double sNew, dNew;
        CoefficientsAt(law_, Table(), cNew[i], sNew, dNew);
        if (ks) {
            double sOld, dOld;
            CoefficientsAt(law_, Table(), cOld[i], sOld, dOld);
            s[i] = 0.5 * (sOld + sNew) / (1.0 + law_.ks * 0.5 * (cOld[i] + cNew[i]));
        } else {
            s[i] = 0.5 * (s[i] + sNew);
        }
        D[i] = 0.5 * (D[i] + dNew);
    }
}
