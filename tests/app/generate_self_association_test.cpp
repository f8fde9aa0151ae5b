// Generate > Single with the self-associating models through the menu: the molar quantities
// asked, the data they make, and monomer-dimer data fitted back to their constant.
#include "app/params_box.h"
#include "foundations/statistical_tests.h"
#include "scandata/initial_data.h"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;
using Typed = std::vector<std::pair<std::string, std::string>>;
constexpr double kE = 1.2e5; // signal of one molar of monomer: 100,000 /M/cm over 1.2 cm
constexpr double kOmega2 = (50000 * M_PI / 30) * (50000 * M_PI / 30);

// The model chosen, then Generate > Single in M-and-s form at 0.005 cm and 50,000 rpm without
// acceleration; run: interval, scans, noise; extinction coefficient 100,000 and 5 uM, then the
// constants; each species' s and M (kDa) typed in the parameters dialog. With refusal set, the box
// that has it ends the command instead of the file dialog.
void Generate(MainWindowFixture& f, int model, const Typed& run, const Typed& constants,
              const Typed& species, const char* refusal = nullptr) {
    SendCommand(f, model);
    ModelChoice::equilibriumMs = true;
    M::meniscus = 6.2f;
    auto ask = [&](const Typed& typed) {
        for (const auto& [prompt, answer] : typed)
            f.script.expectInput().title("GENERATE DATA").prompt(prompt).answer(answer);
    };
    f.script.expectBox().text("Fit with M and s instead D and s?").answer(IDYES);
    ask({{"density of points dr (cm)", "0.005"}, {"rotor speed (rpm)", "50000"}});
    f.script.expectBox().text("simulate with rotor acceleration phase?").answer(IDNO);
    ask(run);
    ask({{"extinction coefficient [M^-1cm^-1]", "100000"},
         {"total molar concentration [uM]", "5"}});
    ask(constants);
    auto& dialog = f.script.expectDialog(kDiscreteParamsDialogId);
    for (int k = 1; k <= int(species.size()); ++k)
        dialog.set(SpeciesControlId(k, kSItem), species[k - 1].first)
            .set(SpeciesControlId(k, kDOrMItem), species[k - 1].second);
    dialog.ok();
    if (refusal)
        f.script.expectBox().caption("GENERATE DATA").textHas(refusal).answer(IDOK);
    else
        f.script.expectFileSave().answer(std::vector<std::string>{f.data.file("0000x.RA0")});
    SendCommand(f, 214);
}

// Mass action on the signal scale: c = m + K2 m^n2 + K3 m^n3; the weight-average s (S) at c.
struct Scheme {
    double s1, s2, s3, K2, K3;
    int n2, n3;
    double WeightAverageS(double c) const {
        double lo = 0.0, hi = c;
        for (int i = 0; i < 100; ++i) {
            const double m = 0.5 * (lo + hi);
            (m + K2 * std::pow(m, n2) + K3 * std::pow(m, n3) < c ? lo : hi) = m;
        }
        return (s1 * lo + s2 * K2 * std::pow(lo, n2) + s3 * K3 * std::pow(lo, n3)) / c;
    }
};

} // namespace

// 5 uM at E = 120,000 /M load 0.6 OD (initial data and the monomer's slot); an n-mer's constant
// on the signal scale is n Ka / E^(n-1). The plateau thins by radial dilution, dc/dt =
// -2 w^2 s_w(c) c, at the weight-average s of the mixture, far from the monomer's 4 S.
TEST(GenerateSelfAssociation, EachModelMakesDataOfItsMolarQuantities) {
    const double k12 = 2 * 5e5 / kE, k13 = 3 * 1e11 / (kE * kE);
    const double k14 = 4 * 1e16 / std::pow(kE, 3), k18 = 8 * 1e35 / std::pow(kE, 7);
    const struct {
        int model;
        Typed constants, species;
        Scheme scheme;
    } cases[] = {
        {197, {{"Ka12 [1/M]", "500000"}}, {{"4", "50"}, {"6.3", "100"}}, {4, 6.3, 0, k12, 0, 2, 1}},
        {229, {{"Ka13 [1/M]", "1e11"}}, {{"4", "50"}, {"8.2", "150"}}, {4, 8.2, 0, k13, 0, 3, 1}},
        {228,
         {{"Ka12 [1/M]", "500000"}, {"Ka14 [1/M]", "1e16"}},
         {{"4", "50"}, {"6.3", "100"}, {"10", "200"}},
         {4, 6.3, 10, k12, k14, 2, 4}},
        {520,
         {{"Ka14 [1/M]", "1e16"}, {"Ka18 [1/M]", "1e35"}},
         {{"4", "50"}, {"10", "200"}, {"16", "400"}},
         {4, 10, 16, k14, k18, 4, 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        MainWindowFixture f;
        Generate(f, c.model,
                 {{"time interval of scans (sec)", "600"},
                  {"number of simulated scans", "8"},
                  {"std of noise (OD)", "0"}},
                 c.constants, c.species);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FLOAT_EQ(M::concentration[1], 0.6f);
        EXPECT_NEAR(M::assocLogK, std::log10(c.scheme.K2), 1e-5);
        EXPECT_NEAR(M::oligoLogK3, c.scheme.K3 > 0 ? std::log10(c.scheme.K3) : 0.0, 1e-5);
        ASSERT_GT(InitialData::pointCount, 0);
        EXPECT_FLOAT_EQ(InitialData::signal[1], 0.6f);
        ASSERT_EQ(S::scanCount, 8);
        EXPECT_FALSE(ReadTextFile(f.data.file("00008.ra0")).empty());
        // scan 4 (2,400 s) at 7.0 cm: the boundary has passed, the bottom is far
        const int scan = S::scanOrder[4], p = 161;
        ASSERT_NEAR(S::radius[scan][p], 7.0, 1e-3);
        const double t = S::header[scan].time;
        double plateau = 0.6;
        for (int i = 0; i < 1000; ++i)
            plateau -= t / 1000 * 2 * kOmega2 * 1e-13 * c.scheme.WeightAverageS(plateau) * plateau;
        EXPECT_NEAR(S::signal[scan][p], plateau, 0.0015)
            << "the monomer alone gives " << 0.6 * std::exp(-2 * kOmega2 * 4e-13 * t);
        EXPECT_LT(S::signal[scan][3], 0.05f) << "the boundary has left the meniscus";
    }
}

// The dimer's slot is the model's even while its species is off: a dimer that no solute can be
// (0.1 Da at 6.3 S: D far beyond any) is refused, naming it, and nothing is written.
TEST(GenerateSelfAssociation, AnOligomerNoSoluteCanBeIsRefused) {
    MainWindowFixture f;
    M::speciesOn[2] = false;
    Generate(f, 197,
             {{"time interval of scans (sec)", "600"},
              {"number of simulated scans", "3"},
              {"std of noise (OD)", "0"}},
             {{"Ka12 [1/M]", "500000"}}, {{"4", "50"}, {"6.3", "0.0001"}}, "species 2: s = 6.3 S");
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(S::scanCount, 0);
    EXPECT_TRUE(std::filesystem::is_empty(f.data.path()));
}

// Monomer-dimer data (5 uM, Ka12 = 500,000 /M, noise 0.005 OD) fitted by Levenberg-Marquardt from
// monomer s and log10(Ka) 25% off. The K contour of the error analysis bounds lg(K) where its
// rmsd stays below the critical rmsd at 68.3% (F statistics, as the confidence commands take
// it): the truth lies inside.
TEST(GenerateSelfAssociation, MonomerDimerDataFitBackToTheirConstant) {
    MainWindowFixture f;
    Generate(f, 197,
             {{"time interval of scans (sec)", "400"},
              {"number of simulated scans", "20"},
              {"std of noise (OD)", "0.005"}},
             {{"Ka12 [1/M]", "500000"}}, {{"4", "50"}, {"6.3", "100"}});
    ASSERT_EQ(S::scanCount, 20) << f.script.logText();
    const double truth = std::log10(2 * 5e5 / kE);
    f.script.expectDialog(kDiscreteParamsDialogId)
        .check(SpeciesControlId(1, kLoadingItem + 1), false)
        .set(SpeciesControlId(1, kSItem), "5")
        .check(SpeciesControlId(1, kSItem + 1))
        .set(kLogKId, std::to_string(0.75 * truth))
        .check(kLogKId + 1)
        .ok();
    SendCommand(f, 212);
    FitWithLevenbergMarquardt(f);
    EXPECT_NEAR(M::speciesS[1], 4.0, 0.1);

    long n = 0;
    for (int k = 1; k <= S::scanCount; ++k)
        n += S::lastFitIndex[k] - S::firstFitIndex[k] + 1;
    const double critical =
        FitControl::bestRmsd * std::sqrt(n / (n - 1.0) * FCriticalRatio(0.683, n - 1.0, n));
    const double fitted = M::assocLogK;
    for (const auto& [prompt, answer] : Typed{{"minimum lg(K)", std::to_string(fitted - 0.5)},
                                              {"maximum lg(K)", std::to_string(fitted + 0.5)},
                                              {"lg(K) increment", "0.05"}})
        f.script.expectInput().title("K Contour").prompt(prompt).answer(answer);
    const std::string contour = f.data.file("Kcontour.dat");
    f.script.expectFileSave().answer(std::vector<std::string>{contour});
    SendCommand(f, 245);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    std::vector<std::pair<double, double>> rows; // lg(K), rmsd
    std::ifstream in(contour);
    for (double x, rmsd; in >> x >> rmsd;)
        rows.emplace_back(x, rmsd);
    ASSERT_EQ(rows.size(), 21u);
    EXPECT_GT(rows.front().second, critical) << "the interval reaches below the contour";
    EXPECT_GT(rows.back().second, critical) << "the interval reaches above the contour";
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (rows[i - 1].first <= truth && truth <= rows[i].first) {
            const double w = (truth - rows[i - 1].first) / (rows[i].first - rows[i - 1].first);
            EXPECT_LT(rows[i - 1].second + w * (rows[i].second - rows[i - 1].second), critical)
                << "fitted " << fitted << ", truth " << truth;
        }
}
