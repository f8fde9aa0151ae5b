// Concentration-dependent coefficients of the cosolvent, their triple-integral tables, the
// coefficient files and the second component's output per scan.
#include "foundations/numeric_text_files.h"
#include "lamm/cesium_chloride_law.h"
#include "lamm/hat_integrals.h"
#include "lamm/lamm_ideal.h"
#include "scandata/scan_file.h"
#include "scandata/scan_header.h"
#include "state/compute_observer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;

// (j, k) of the seven triple integrals of row i, as offsets from i: j the trial node, k the node
// whose hat carries the coefficient.
constexpr int kTriplePairs[7][2] = {{-1, -1}, {0, -1}, {-1, 0}, {0, 0}, {1, 0}, {0, 1}, {1, 1}};

} // namespace

double CLammIdeal::BuiltinCosolventS(double conc) {
    return CesiumChlorideS(conc);
}

double CLammIdeal::BuiltinCosolventD(double conc) {
    return CesiumChlorideD(conc);
}

double CLammIdeal::CosolventPolynomial(const std::vector<double>& coefficients, double conc) {
    double sum = 0.0, power = 1.0;
    for (size_t k = 1; k < coefficients.size(); ++k) {
        sum += coefficients[k] * power;
        power *= conc;
    }
    return sum;
}

void CLammIdeal::LoadCosolventCoefficients() {
    if (builtInCoefficients)
        return;
    if (dCoefficients.empty())
        dCoefficients = ReadCoefficientFile(dCoefficientFile);
    if (sCoefficients.empty())
        sCoefficients = ReadCoefficientFile(sCoefficientFile);
}

// s and D at the nodes from the given profile; without built-in functions or both coefficient
// files the nodes keep what they have (the constant s2 and D2 at the start).
void CLammIdeal::CosolventCoefficients(const double* profile) {
    CCosolventGrid& g = cosolvent;
    const bool files = !sCoefficients.empty() && !dCoefficients.empty();
    if (!builtInCoefficients && !files)
        return;
    for (int i = 1; i <= g.n; ++i) {
        if (builtInCoefficients) {
            g.sNode[i] = BuiltinCosolventS(profile[i]);
            g.dNode[i] = BuiltinCosolventD(profile[i]);
        } else {
            g.sNode[i] = CosolventPolynomial(sCoefficients, profile[i]);
            g.dNode[i] = CosolventPolynomial(dCoefficients, profile[i]);
        }
    }
}

void CLammIdeal::AverageCosolventCoefficients() {
    CCosolventGrid& g = cosolvent;
    const std::vector<double> sOld(g.sNode, g.sNode + g.n + 1), dOld(g.dNode, g.dNode + g.n + 1);
    CosolventCoefficients(g.predicted);
    for (int i = 1; i <= g.n; ++i) {
        g.sNode[i] = 0.5 * (sOld[i] + g.sNode[i]);
        g.dNode[i] = 0.5 * (dOld[i] + g.dNode[i]);
    }
}

// The coefficients vary linearly between nodes, so each transport entry is a sum of exact
// triple integrals weighted by the node coefficients; the sedimentation tables carry w^2 1e-13
// and are rebuilt when the rotor speed changes.
void CLammIdeal::CosolventTripleTables() {
    CCosolventGrid& g = cosolvent;
    if (g.tables.empty())
        return;
    const double omega = g.rpm * kTwoPiOver60;
    const double w2 = omega * omega * 1e-13;
    const int n = g.n;
    for (int i = 1; i <= n; ++i) {
        g.Ma[i] = HatMass(g.r, n, i, i - 1);
        g.Mb[i] = HatMass(g.r, n, i, i);
        g.Mc[i] = HatMass(g.r, n, i, i + 1);
        for (int p = 0; p < 7; ++p) {
            const int j = i + kTriplePairs[p][0], k = i + kTriplePairs[p][1];
            g.td[p][i] = HatDiffusionTriple(g.r, n, i, j, k);
            g.ts[p][i] = w2 * HatSedimentationTriple(g.r, n, i, j, k);
        }
    }
}

void CLammIdeal::CosolventTransport() {
    CCosolventGrid& g = cosolvent;
    if (g.tables.empty())
        return;
    const int n = g.n;
    for (int i = 1; i <= n; ++i) {
        double entry[3] = {0.0, 0.0, 0.0}; // (i, i-1), (i, i), (i, i+1)
        for (int p = 0; p < 7; ++p) {
            const int j = kTriplePairs[p][0], k = i + kTriplePairs[p][1];
            if (k < 1 || k > n)
                continue;
            entry[j + 1] += -g.dNode[k] * g.td[p][i] + g.sNode[k] * g.ts[p][i];
        }
        g.Aa[i] = i > 1 ? entry[0] : 0.0;
        g.Ab[i] = entry[1];
        g.Ac[i] = i < n ? entry[2] : 0.0;
    }
}

// The cosolvent's profile at each written scan: drawn in blue over the live plot and, when
// asked, saved beside the data as "comp2_<scan>.r00" with the header of that scan; a file that
// cannot be written is noted in unwrittenFiles.
void CLammIdeal::OutputSecondComponent() {
    const CCosolventGrid& g = cosolvent;
    if (!secondComponentOn || !g.ready || quietWhileFitting || quietWhileComputing ||
        equationNumber != 1)
        return;
    std::vector<float> radii(g.n + 1), values(g.n + 1);
    for (int i = 1; i <= g.n; ++i) {
        radii[i] = static_cast<float>(g.r[i]);
        values[i] = static_cast<float>(g.c[i]);
    }
    if (cosolventPlotSwitch && liveProfiles && observer != nullptr)
        observer->TrialCurve(radii.data(), values.data(), g.n, CurveColour(0, 0, 255));
    if (!cosolventFileSwitch || outputFolder.empty() || headers == nullptr)
        return;
    char name[32];
    std::snprintf(name, sizeof name, "comp2_%d.r00", nextOutputScan);
    std::string path = outputFolder;
    if (path.back() != '/')
        path += '/';
    path += name;
    if (!ScanTimeStampTag(path.c_str(), g.n, radii.data(), values.data(), nullptr, "component 2",
                          true, headers[ScanIndexAt(nextOutputScan)]))
        unwrittenFiles.push_back(path);
}
