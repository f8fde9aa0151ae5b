// Every model command of the menu, chosen through the menu, is one model, and each check the
// program makes of the model chosen gives that model's answer: the distribution it computes, the
// parameter page, the shape boxes and the range unit, and the families it counts in (the saved
// fit, the residuals wizard, the molar-mass readout, the export, the fitted f/f0 and vbar, the
// discrete component, the menu's c(s) members, the batch c(s) fits, the external data-fit-
// distribution plot, the discrete light-scattering species), the kernel parameters its Fit names
// when none is floated, the f/f0, vbar and invariant-D lines of its report, and the engine of Run.
#include "app/batch_fit_common.h"
#include "app/model_families.h"
#include "app/model_menu_items.h"
#include "app/molar_mass_readout.h"
#include "app/mstar_actions.h"
#include "app/run_engines.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_grid.h"
#include "fitting/discrete_component_choice.h"
#include "fitting/model_identity.h"
#include "fitting/model_units.h"
#include "fitting/parameter_report.h"
#include "fitting/params_transfer.h"
#include "scandata/scan_data_kind.h"
#include "simulation/dls_discrete_model.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/scan_store.h"
#include "support/main_window_fixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// The data a model's command accepts: light scattering, electrophoresis scans, or any other.
enum class Data { Sedimentation, Light, Electrophoresis };

struct ModelRow {
    int id;
    Data data;
    ContiVariant variant;
    ParamsPage page;
    ParamsShape shape;
    const char* rangeUnit;
    const char* flags; // the checks of FlagsOf that hold, in its order
};

// Whether the parameter report has a line that starts so.
bool ReportLine(const std::string& start) {
    const std::vector<std::string> lines = ParameterReportLines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

// The names of the checks that hold for the model chosen.
std::string FlagsOf() {
    const std::string kernel = NoFloatedKernelMessage();
    const RunEngine engine = ChooseRunEngine();
    const std::pair<const char*, bool> checks[] = {
        {"rangeIsMass", DistributionRangeIsMass()},
        {"savedFit", SavedFitParametersKept()},
        {"endsChecked", DistributionEndsChecked()},
        {"readout", MolarMassReadoutEnabled()},
        {"exported", CsFamilyExported()},
        {"floatsVbar", ModelFloatsVbar()},
        {"ff0", CurrentModelTraits().ff0Floats},
        {"sizeShape", SizeShapeModel()},
        {"bimodal", BimodalModel()},
        {"discrete", DiscreteComponentOn()},
        {"showVbar", ParamsShowVbar()},
        {"showInvariantD", ParamsShowInvariantD()},
        {"csMember", AnyCsMemberOn()},
        {"plainCM", PlainCMSelected()},
        {"plainCs", CurrentModelTraits().plainCsSwitch},
        {"batchCs", BatchContinuousCsModel()},
        {"plotDist", DataFitDistributionPlotModel()},
        {"lsSpecies", DiscreteLightScatteringModelChosen()},
        // the kernel parameters the Fit names when none is floated, f/f0 unnamed
        {"fitMB", kernel.find("(meniscus, bottom)") != std::string::npos},
        {"fitVbar", kernel.find("vbar)") != std::string::npos},
        {"fitFf02", kernel.find("second f/f0") != std::string::npos},
        {"fitDiscrete", kernel.find("discrete component") != std::string::npos},
        {"repFf0", ReportLine("f/f0 = ")},
        {"repVbar", ReportLine("vbar = ")},
        {"repInvD", ReportLine("invariant D = ")},
        {"repScaling", ReportLine("scaling law ")},
        {"repPower", ReportLine("power law ")},
        {"repPriorVbar", ReportLine("vbar(M) = ")},
        {"repRod", ReportLine("linear rod ")},
        // the engine of Run, the discrete one unnamed
        {"runConti", engine == RunEngine::ContiSed},
        {"runTimeCourse", engine == RunEngine::ContinuousModel},
        {"runEq", engine == RunEngine::EquilibriumFit},
        {"runVhw", engine == RunEngine::VanHoldeWeischet},
        {"runLsgX", engine == RunEngine::LsgExtrapolation},
    };
    std::string out;
    for (const auto& [name, on] : checks)
        if (on)
            out += (out.empty() ? "" : " ") + std::string(name);
    return out;
}

// clang-format off
const ModelRow kRows[] = {
    {198, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {280, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {281, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {282, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {291, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {501, Data::Sedimentation, ContiVariant::LsGStarV, ParamsPage::Distribution, ParamsShape::None, "1e-4 cm/s", "readout exported ff0 csMember plainCs batchCs plotDist runConti"},
    {536, Data::Light, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", "lsSpecies"},
    {197, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {229, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {520, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {228, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {227, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {893, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {235, Data::Sedimentation, ContiVariant::CM, ParamsPage::Distribution, ParamsShape::None, "Da", "rangeIsMass ff0 plainCM repFf0 runConti"},
    {526, Data::Sedimentation, ContiVariant::CsInvariantD, ParamsPage::Distribution, ParamsShape::None, "S", "endsChecked readout exported ff0 showInvariantD csMember repFf0 runConti"},
    {275, Data::Sedimentation, ContiVariant::Cs, ParamsPage::Distribution, ParamsShape::None, "S", "savedFit endsChecked readout exported ff0 csMember plainCs batchCs plotDist repFf0 runConti"},
    {267, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {277, Data::Sedimentation, ContiVariant::CMInvariantD, ParamsPage::Distribution, ParamsShape::None, "Da buoyant molar mass", "rangeIsMass showInvariantD fitMB repFf0 repInvD runConti"},
    {278, Data::Sedimentation, ContiVariant::CMPowerLaw, ParamsPage::Distribution, ParamsShape::None, "Da", "rangeIsMass fitMB repFf0 repPower runConti"},
    {279, Data::Sedimentation, ContiVariant::CMPriorVbar, ParamsPage::Distribution, ParamsShape::None, "Da", "rangeIsMass ff0 repFf0 repPriorVbar runConti"},
    {288, Data::Sedimentation, ContiVariant::LsGStar, ParamsPage::Distribution, ParamsShape::None, "S", "readout exported ff0 csMember plainCs batchCs plotDist repFf0 runConti"},
    {539, Data::Sedimentation, ContiVariant::LsGStar, ParamsPage::Distribution, ParamsShape::None, "S", "readout exported ff0 discrete csMember plainCs batchCs plotDist fitDiscrete repFf0 runConti"},
    {503, Data::Light, ContiVariant::DlsRh, ParamsPage::Distribution, ParamsShape::None, "nm", "ff0 runConti"},
    {522, Data::Light, ContiVariant::DlsRh, ParamsPage::Distribution, ParamsShape::None, "nm", "ff0 runTimeCourse"},
    {502, Data::Light, ContiVariant::DlsD, ParamsPage::Distribution, ParamsShape::None, "log10 D (cm^2/s)", "ff0 runConti"},
    {292, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", "runVhw"},
    {293, Data::Sedimentation, ContiVariant::None, ParamsPage::Distribution, ParamsShape::None, "Da", "rangeIsMass ff0 repFf0 runLsgX"},
    {284, Data::Sedimentation, ContiVariant::None, ParamsPage::Equilibrium, ParamsShape::None, "S", "runEq"},
    {523, Data::Sedimentation, ContiVariant::None, ParamsPage::Equilibrium, ParamsShape::None, "S", "runEq"},
    {246, Data::Sedimentation, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", ""},
    {511, Data::Sedimentation, ContiVariant::ZoneCs, ParamsPage::Distribution, ParamsShape::None, "S", "savedFit endsChecked readout exported ff0 csMember plainCs batchCs plotDist repFf0 runConti"},
    {510, Data::Sedimentation, ContiVariant::ZoneLsGStar, ParamsPage::Distribution, ParamsShape::None, "S", "readout exported ff0 csMember plainCs batchCs plotDist repFf0 runConti"},
    {513, Data::Electrophoresis, ContiVariant::CvElectrophoresis, ParamsPage::Distribution, ParamsShape::None, "1e-4 cm/s", "endsChecked showInvariantD runConti"},
    {514, Data::Sedimentation, ContiVariant::CsConformer, ParamsPage::Distribution, ParamsShape::Conformer, "S", "endsChecked readout exported ff0 csMember repFf0 runConti"},
    {531, Data::Sedimentation, ContiVariant::Cs, ParamsPage::Distribution, ParamsShape::None, "S", "savedFit readout exported ff0 discrete csMember batchCs fitDiscrete repFf0 runConti"},
    {521, Data::Sedimentation, ContiVariant::CsLinearRod, ParamsPage::Distribution, ParamsShape::None, "S", "endsChecked readout exported csMember fitMB repFf0 repRod runConti"},
    {585, Data::Sedimentation, ContiVariant::CsNonideal, ParamsPage::Distribution, ParamsShape::None, "S", "exported ff0 csMember repFf0 runConti"},
    {587, Data::Sedimentation, ContiVariant::CsMofSTable, ParamsPage::Distribution, ParamsShape::None, "S", "endsChecked readout exported csMember repFf0 runConti"},
    {595, Data::Sedimentation, ContiVariant::None, ParamsPage::Distribution, ParamsShape::None, "S", "savedFit exported sizeShape csMember repFf0 runConti"},
    {598, Data::Sedimentation, ContiVariant::None, ParamsPage::Distribution, ParamsShape::None, "S", "savedFit exported sizeShape discrete csMember fitDiscrete repFf0 runConti"},
    {602, Data::Sedimentation, ContiVariant::CsFloatingVbar, ParamsPage::Distribution, ParamsShape::None, "S", "endsChecked readout exported floatsVbar showVbar csMember fitVbar repFf0 repVbar runConti"},
    {603, Data::Sedimentation, ContiVariant::CsWormlikeChain, ParamsPage::Distribution, ParamsShape::WormlikeChain, "S", "endsChecked readout exported floatsVbar csMember repFf0 runConti"},
    {872, Data::Sedimentation, ContiVariant::CsScalingLaw, ParamsPage::Distribution, ParamsShape::ScalingLaw, "S", "endsChecked readout exported csMember repFf0 runConti"},
    {887, Data::Sedimentation, ContiVariant::FMvsM, ParamsPage::Distribution, ParamsShape::ScalingLaw, "Da", "rangeIsMass fitMB repFf0 repScaling runConti"},
    {548, Data::Sedimentation, ContiVariant::CsBimodal, ParamsPage::Distribution, ParamsShape::Bimodal, "S", "endsChecked readout exported ff0 bimodal csMember plotDist fitFf02 repFf0 runConti"},
    {870, Data::Sedimentation, ContiVariant::CsBimodal, ParamsPage::Distribution, ParamsShape::Bimodal, "S", "endsChecked readout exported ff0 bimodal discrete csMember plotDist fitDiscrete repFf0 runConti"},
    {890, Data::Light, ContiVariant::None, ParamsPage::Discrete, ParamsShape::None, "S", "lsSpecies"},
};
// clang-format on

TEST(ModelKindTable, EveryModelCommandIsOneModelWithItsOwnAnswers) {
    for (int id : kModelMenuItems)
        EXPECT_TRUE(std::any_of(std::begin(kRows), std::end(kRows),
                                [id](const ModelRow& r) { return r.id == id; }))
            << "model command " << id << " has no row";
    std::set<ModelKind> kinds;
    for (const ModelRow& r : kRows) {
        SCOPED_TRACE("model command " + std::to_string(r.id));
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        gDlsData = r.data == Data::Light;
        ScanDataKind::electrophoresis = r.data == Data::Electrophoresis;
        ScanStore::radialResolution = 0.003f; // the size-and-shape models want pre-averaged data
        if (r.id == 278)
            for (const char* a : {"0.0159", "0.47"}) // power law s = a M^b
                f.script.expectInput().answer(a);
        if (r.id == 279)
            for (const char* a : {"0.7", "0.03", "5"}) // vbar(M)
                f.script.expectInput().answer(a);
        Send(f, r.id);
        // one kind per command, and a kind no other command reaches
        const ModelKind kind = CurrentModelKind();
        EXPECT_EQ(TraitsOf(kind).commandId, r.id);
        EXPECT_TRUE(kinds.insert(kind).second);
        EXPECT_EQ(CurrentModelCommandId(), r.id);
        EXPECT_EQ(CurrentContiVariant(), r.variant);
        EXPECT_EQ(CurrentParamsPage(), r.page);
        EXPECT_EQ(ParamsShapeBoxes(), r.shape);
        EXPECT_STREQ(DistributionRangeStoredUnit(), r.rangeUnit);
        EXPECT_EQ(FlagsOf(), r.flags);
    }
    EXPECT_EQ(int(kinds.size()), kModelKindCount);
}

} // namespace
