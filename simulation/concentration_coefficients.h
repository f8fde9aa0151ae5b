// Sedimentation and diffusion coefficients that depend on the local concentration: a non-ideal
// single species, rapid monomer-dimer and monomer-trimer self-association, and the two rapid
// monomer-oligomer schemes through a table of the total concentration.
#pragma once

#include <vector>

enum class CoefficientLaw {
    Nonideal,      // s1 / (1 + ks c), D1 (1 + kd c)
    MonomerDimer,  // weight-average s, gradient-average D of monomer and dimer
    MonomerTrimer, // the same for monomer and trimer
    OligomerA,     // monomer, tetramer and octamer
    OligomerB,     // monomer, dimer and tetramer
    Tabulated,     // s(c) and D(c) of a dense cosolute: the built-in CsCl series or polynomials
};

// The constants of one law: s in S, D in cm^2/s, K on the concentration scale of the profile.
struct CConcentrationLaw {
    CoefficientLaw law = CoefficientLaw::Nonideal;
    double s1 = 0.0, s2 = 0.0, s3 = 0.0;
    double D1 = 0.0, D2 = 0.0, D3 = 0.0;
    double K = 0.0;  // dimer or trimer; the first oligomer's constant
    double K3 = 0.0; // the second oligomer's constant
    double ks = 0.0, kd = 0.0;
    // monomer-dimer only: the weight-average s is divided by 1 + ks c
    bool dimerKs = false;
    // non-ideal only: c is the total concentration of the last distribution at the middle of
    // each step (WriteTotalConcentrationScans), not the profile; the corrector keeps the values.
    bool distributionTotal = false;
    // tabulated only: the built-in CsCl coefficients, else the polynomial coefficients of s(c)
    // (S) and D(c) (cm^2/s) in powers of c (1-based; both needed)
    bool cesiumChloride = false;
    std::vector<double> sPolynomial, dPolynomial;
    // False for a tabulated law without both polynomials (and without CsCl).
    bool Complete() const {
        return law != CoefficientLaw::Tabulated || cesiumChloride ||
               (sPolynomial.size() > 1 && dPolynomial.size() > 1);
    }
};

// The monomer concentration m of rapid monomer-trimer association with total c = m + K m^3
// (Cardano's formula); 0 for c = 0, c itself for K = 0.
double RapidAssocRootDiff(double c, double K);

// c_total, the weight-average s and the gradient-average D of an oligomer scheme as functions
// of the monomer concentration m; 0 for the other laws.
double OligomerTotalConcentration(const CConcentrationLaw& law, double m);
double OligomerWeightAverageS(const CConcentrationLaw& law, double m);
double OligomerGradientAverageD(const CConcentrationLaw& law, double m);

// The oligomer table: 1000 rows of monomer concentrations from 1e-5 to 100 in geometric steps,
// with c_total, s and D, looked up by c_total.
class COligomerTable {
  public:
    static constexpr int kRows = 1000;
    explicit COligomerTable(const CConcentrationLaw& law);
    // Row 1's values at or below its c_total, row N's beyond the last, else linear in c_total
    // between the neighbouring rows.
    void Lookup(double c, double& s, double& D);

  private:
    std::vector<double> m_, c_, s_, d_; // 1-based
    int last_ = 1;
};

// s and D of the law at concentration c (table used for the oligomer laws; the dimer's ks
// is not applied here, see CoefficientRule).
void CoefficientsAt(const CConcentrationLaw& law, COligomerTable* table, double c, double& s,
                    double& D);

// The per-node rule of a predictor-corrector step: the predictor takes the coefficients of the
// old profile, the corrector their mean over the old and the predicted profile.
class CoefficientRule {
  public:
    explicit CoefficientRule(const CConcentrationLaw& law);
    void Predictor(const double* cOld, double* s, double* D, int n);
    void Corrector(const double* cOld, const double* cNew, double* s, double* D, int n);
    const CConcentrationLaw& Law() const { return law_; }

  private:
    CConcentrationLaw law_;
    std::vector<COligomerTable> table_; // one table for the oligomer laws
    std::vector<double> monomer_;       // the trimer's monomer concentration per node, last found
    std::vector<double> pending_;       // the trimer's nodes not finished by the vector steps
    COligomerTable* Table() { return table_.empty() ? nullptr : &table_.front(); }
};
