#include "support/solver_object_laws.h"

#include <cmath>

CConcentrationLaw LoadObjectModel(LammRun& object, ObjectModel model, float logK) {
    const float K = std::pow(10.0f, logK);
    CConcentrationLaw law;
    law.s1 = 4.0, law.D1 = 6e-7;
    if (model == ObjectModel::Nonideal || model == ObjectModel::Mixture) {
        if (model == ObjectModel::Nonideal) {
            object.solver.LoadNonIdeality(false, true, true, false, false, 0, nullptr, nullptr,
                                          nullptr, nullptr, logK, std::log10(0.33f), true, true,
                                          3.3, 4.0, 6e-7, 1.0);
        } else {
            const double amount[3] = {0, 0.5, 0.5}, sS[3] = {0, 4.0, 4.0};
            const double dCm2s[3] = {0, 6e-7, 6e-7}, weight[3] = {0, 1.0, 1.0};
            object.solver.LoadNonIdeality(false, false, true, false, true, 2, amount, sS, dCm2s,
                                          weight, logK, std::log10(0.33f), true, true, 3.3, 4.0,
                                          6e-7, 1.0);
        }
        law.law = CoefficientLaw::Tabulated;
        const double ks = std::pow(10.0, double(logK)) / 3.3, kd = 0.33 / 3.3;
        law.sPolynomial = {0.0, 4.0, -4.0 * ks};
        law.dPolynomial = {0.0, 6e-7, 6e-7 * kd};
    } else if (model == ObjectModel::Dimer || model == ObjectModel::Trimer) {
        const bool dimer = model == ObjectModel::Dimer;
        const float values[8] = {4.0f, 7.0f, logK, 6e-7f, 4.5e-7f, K, 1.0f, 1.0f};
        const float none[5] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
        object.solver.LoadSelfAssociation(true, false, dimer, !dimer, false, false, none, 1.0f,
                                          false, 0.0f, 0.0f, true, true, 1.0, values);
        law.law = dimer ? CoefficientLaw::MonomerDimer : CoefficientLaw::MonomerTrimer;
        law.s2 = 7.0, law.D2 = 4.5e-7, law.K = K;
    } else {
        const bool octamer = model == ObjectModel::Oligomers148;
        const float first[5] = {0.0f, 6.5f, 0.0f, 4.8e-7f, 10.0f};
        const float values[8] = {4.0f, 1.0f, logK, 6e-7f, 1.0f, 1.0f, 3.6e-7f, logK};
        object.solver.LoadSelfAssociation(true, false, false, false, octamer, !octamer, first, 1.0f,
                                          false, 0.0f, 0.0f, true, true, 1.0, values);
        law.law = octamer ? CoefficientLaw::OligomerA : CoefficientLaw::OligomerB;
        law.s2 = 6.5, law.D2 = 4.8e-7, law.s3 = 10.0, law.D3 = 3.6e-7;
        law.K = law.K3 = K;
    }
    return law;
}

ModuleCase ModuleCaseOn(const LammCase& lc, ModuleCase mc) {
    mc.meniscus = float(lc.meniscus), mc.bottom = float(lc.bottom);
    mc.gridSize = lc.gridSize, mc.scans = lc.scans;
    mc.firstScanS = lc.firstScanS, mc.intervalS = lc.intervalS;
    mc.outputPoints = lc.outputPoints;
    return mc;
}
