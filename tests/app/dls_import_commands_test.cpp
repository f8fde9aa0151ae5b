// "Convert DLS Data To TARNIX format" through the menu: the questions each command asks, an export
// that cannot be read said in a box, a cancel that writes nothing; and a user's road from an
// instrument export to the decay's Stokes radius and diffusion coefficient.
#include "app/txla_window.h"
#include "foundations/error_box_log.h"
#include "foundations/hydrodynamics.h"
#include "plat/messages.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "support/distribution_maximum.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kCaption = "MAKE DLS DATA";

void Command(MainWindowFixture& f, int id) {
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(id), 0);
    f.script.pumpUntilIdle();
}

// An ALV export of g(2)-1 = exp(-2 D q^2 t) at 90 degrees, n = 1.333, 632.8 nm, 20 C, 1.002 cP.
std::string AlvDecay(double D) {
    std::string text = "ALV-5000/E-WIN Data\nDate :\t\"07.12.2026\"\nTime :\t\"00:01:40\"\n"
                       "Temperature [K] :\t293.15\nViscosity [cp] :\t1.002\n"
                       "Refractive Index:\t1.333\nWavelength [nm] :\t632.8\nAngle [deg] :\t90\n"
                       "MeanCR0 [kHz] :\t150\n\"Correlation\"\n\"Lag [ms]\"\n";
    char row[80];
    for (int i = 0; i <= 120; ++i) {
        const double lag = std::pow(10.0, -7.0 + i / 20.0);
        std::snprintf(row, sizeof row, "  %.6e\t%.6e\n", lag * 1000.0,
                      std::exp(-2e-4 * D * 3.50363e14 * lag));
        text += row;
    }
    return text + "\n\"Count Rate\"\n";
}

} // namespace

TEST(DlsImportCommands, Dynamics7AsksTheWavelengthTwiceAndOnlyTheSecondCounts) {
    MainWindowFixture f;
    const std::string source = f.data.write("run.csv", "x,Coef\n1.5,1.8\n3.0,1.6\n");
    const std::string target = f.data.file("00001.dlsdat");
    f.script.expectBox()
        .title(kCaption)
        .text("needs data of Wyatt DLS (Dynamics 7.0.2.7.)")
        .answer(IDYES);
    f.script.expectFileOpen().title("select data file").answer(std::vector<std::string>{source});
    f.script.expectFileSave()
        .title("select filename for saving formatted data files")
        .answer(std::vector<std::string>{target});
    f.script.expectInput()
        .title(kCaption)
        .prompt("absolute viscosity of solvent (Poise)")
        .answer("0.009");
    f.script.expectInput().prompt("refractive index of solvent").answer("1.34");
    f.script.expectInput().prompt("laser wavelength (nm)").answer("825");
    f.script.expectBox().title(kCaption).textHas("are you sure about the wavelengt?").answer(IDOK);
    f.script.expectInput().prompt("laser wavelength (nm)").answer("660");
    f.script.expectInput().prompt("scattering angle (degrees)").answer("90");
    f.script.expectInput().prompt("temperature (C)").answer("25");
    Command(f, 897);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    const std::string made = ReadTextFile(target);
    EXPECT_NE(made.find("A 25.000000 0 1.00 1.340000 0.009000 90.000000 6.600000e-07"),
              std::string::npos)
        << made;
    EXPECT_NE(made.find("   1.50000e-06  8.00000e-01 "), std::string::npos) << made;
}

TEST(DlsImportCommands, CancelWritesNothingAndAnUnreadableExportIsSaid) {
    MainWindowFixture f;
    const std::string target = f.data.file("00001.dlsdat");
    // No to the description.
    f.script.expectBox().title(kCaption).answer(IDNO);
    Command(f, 534);
    // BIC asks no description; a cancelled save dialog ends it.
    const std::string bad = f.data.write("bad.dat", "1 2 3\n");
    f.script.expectFileOpen().title("select data file").answer(std::vector<std::string>{bad});
    f.script.expectFileSave()
        .title("select filename for saving tarnix formatted data file")
        .cancel();
    Command(f, 527);
    EXPECT_FALSE(std::filesystem::exists(target));
    // A damaged export: nothing made, and the user is told.
    f.script.expectFileOpen().answer(std::vector<std::string>{bad});
    f.script.expectFileSave().answer(std::vector<std::string>{target});
    f.script.expectBox().title(kCaption).text("could not convert " + bad).answer(IDOK);
    Command(f, 544);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(DlsImportCommands, TwoColumnG2Minus1CarriesOneCountPerSecond) {
    MainWindowFixture f;
    const std::string source = f.data.write("z.txt", "10 0.9\n20 0.5\n");
    const std::string target = f.data.file("z.dlsdat");
    f.script.expectBox()
        .textHas("From Malvern Zetasizer NanoS output delete first two lines.")
        .answer(IDYES);
    f.script.expectFileOpen().answer(std::vector<std::string>{source});
    f.script.expectFileSave().answer(std::vector<std::string>{target});
    const std::vector<std::pair<const char*, const char*>> defaults = {
        {"temperature (C)", "25"},
        {"time (sec)", "1"},
        {"refractive index", "1.333"},
        {"absolute viscosity of solvent (Poise)", "0.01002"},
        {"scattering angle (degrees)", "173"},
        {"wavelength (nm)", "632.8"}};
    for (const auto& [prompt, value] : defaults)
        f.script.expectInput().prompt(prompt).answer(value);
    Command(f, 600);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NE(ReadTextFile(target).find("A 25.000000 1 1.00 1.333000 0.010020 173.000000 "
                                        "6.328000e-07"),
              std::string::npos)
        << ReadTextFile(target);
}

// Import an ALV export, load the file made, Run I(Rh) and I(D): the peaks sit at the decay's
// Stokes radius and diffusion coefficient.
TEST(DlsImportCommands, ExportConvertedLoadedAndRunShowsRhAndD) {
    MainWindowFixture f{900, 650};
    gAlwaysLoadG2 = false; // loaded as g(1), as the distributions want it
    const double D = 5e-7;
    const std::string source = f.data.write("decay.asc", AlvDecay(D));
    const std::string target = f.data.file("00001.dlsdat");
    f.script.expectBox().title(kCaption).answer(IDYES);
    f.script.expectFileOpen().answer(std::vector<std::string>{source});
    f.script.expectFileSave().answer(std::vector<std::string>{target});
    Command(f, 534);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(std::filesystem::exists(target));

    f.script.expectFileOpen().answer(std::vector<std::string>{target});
    Command(f, 298); // load DLS Data
    ASSERT_EQ(ScanStore::scanCount, 1) << f.script.logText();
    EXPECT_DOUBLE_EQ(ScanStore::dlsRecords[1].time, 100.0);
    EXPECT_TRUE(ScanStore::dlsRecords[1].isFieldAcf);

    Command(f, 503); // DLS: Continuous I(Rh)-Distribution
    ASSERT_TRUE(ModelChoice::contiMode && ModelChoice::dlsIRh) << f.script.logText();
    ContiState::resolution = 98.0f;
    Command(f, 213); // Run
    ASSERT_NE(ContiState::distribution, nullptr) << f.script.logText();
    const double rh = StokesEinsteinD(1e-9f, 20.0f) / D;
    EXPECT_NEAR(DistributionMaximumAbscissa(), rh, 0.51) << "Stokes radius " << rh << " nm";

    Command(f, 502); // DLS: Continuous I(D)-Distribution
    ASSERT_TRUE(ModelChoice::dlsID) << f.script.logText();
    ContiState::rangeMin = -8.0f, ContiState::rangeMax = -5.0f;
    ContiState::resolution = 61.0f;
    Command(f, 213);
    EXPECT_NEAR(DistributionMaximumAbscissa(), std::log10(D), 0.051) << "log10 D";
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    TakeErrorBoxes();
}

TEST(DlsImportCommands, ElectrophoresisLoadChoosesItsModelOnTwoHundredPoints) {
    MainWindowFixture f;
    LammGrid::gridSize = 1000;
    f.script.expectFileOpen().title("select files to fit").cancel();
    f.script.expectBox().textHas("assuming t = 20").answer(IDOK);
    Command(f, 290);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(gElectrophoresisLoadRequest);
    EXPECT_TRUE(ModelChoice::electrophoresis && ModelChoice::lammModel);
    EXPECT_EQ(LammGrid::gridSize, 200);
    TakeErrorBoxes();
}

// Version 4 writes numbered files into the chosen folder: an existing one is replaced only when
// the user agrees, and a refusal is no conversion failure.
TEST(DlsImportCommands, ProteinSolutions4AsksBeforeReplacingNumberedFiles) {
    MainWindowFixture f;
    const std::string measurement =
        "Measurement number 1\n" + std::string(24, '=') + "\n1e-6 1.8\n2e-6 1.4\n";
    const std::string source = f.data.write("v4.txt", measurement);
    f.data.write("00001.dlsdat", "kept\n");
    auto ask = [&f, &source](int answer) {
        f.script.expectBox().title(kCaption).textHas("Dynamics Version 4").answer(IDYES);
        f.script.expectFileOpen().answer(std::vector<std::string>{source});
        f.script.expectFileSave().answer(std::vector<std::string>{f.data.file("any.dlsdat")});
        for (const char* value : {"0.01002", "1.333", "824.7", "90", "20", "2"})
            f.script.expectInput().answer(value);
        f.script.expectBox().title(kCaption).textHas(f.data.file("00001.dlsdat")).answer(answer);
        Command(f, 601);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
    };
    ask(IDNO);
    EXPECT_EQ(ReadTextFile(f.data.file("00001.dlsdat")), "kept\n");
    EXPECT_FALSE(std::filesystem::exists(f.data.file("average.dlsdat")));
    ask(IDYES);
    EXPECT_NE(ReadTextFile(f.data.file("00001.dlsdat")), "kept\n");
    EXPECT_TRUE(std::filesystem::exists(f.data.file("average.dlsdat")));
    EXPECT_FALSE(std::filesystem::exists(f.data.file("any.dlsdat")));
}
