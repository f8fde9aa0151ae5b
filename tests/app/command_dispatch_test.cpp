// Every command id of the table reaches its handler through the window's message map, and the
// help mode: commands that test it clear it and show help instead, the others leave it set.
#include "app/command_table.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/diagnostics.h"
#include "state/model_choice.h"
#include "support/program_folder.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

using plat::test::Script;
using plat::test::Unexpected;

// The first prompt a command's handler shows, or none (caption and text "") for handlers that
// show none.
struct FirstPrompt {
    std::string caption;
    std::string textHas;
};

FirstPrompt Expected(const CommandRow& row) {
    static const std::map<int, FirstPrompt> kBuilt = {
        {230, {"", ""}},
        {593, {"", ""}},
        {904, {"", ""}},
        {923, {"", ""}}, // the batches need loaded scans
        {878, {"", ""}},
        {879, {"", ""}},
        {880, {"", ""}},
        {881, {"", ""}}, // need scans
        {882, {"", ""}},
        {883, {"", ""}},
        {899, {"", ""}},
        {900, {"", ""}},
        {901, {"VIZRA", "VIZRA for data, fit, and residuals?"}},
        {200, {"select files to fit", ""}},
        {226, {"select files to add to set 1", ""}},
        {201, {"Select File to Edit", ""}},
        {202, {"Select Initial Data", ""}},
        {515, {"select files in set 1 to fit", ""}},
        {298, {"select files in set 1 to fit", ""}},
        {897, {"MAKE DLS DATA", "needs data of Wyatt DLS (Dynamics 7.0.2.7.)"}},
        {584,
         {"MAKE DLS DATA",
          "needs data of Protein Solutions (Dynamics Version 6.2.05), exported by right-clicking "
          "in the correlation graph, select autocorrelation coefficients only"}},
        {543,
         {"MAKE DLS DATA",
          "needs data of Protein Solutions 99 (Version 5.26.38), exported as 'this experiment "
          "only', with autocorrelation coefficients, parameter settings, and cumulants data log"}},
        {299,
         {"MAKE DLS DATA",
          "needs data of Protein Solutions 99 (Version 5.20.05), exported with options:\nanalysis "
          "results, autocorrelation coefficients, all measurements, ASCII text, include headers"}},
        {601,
         {"MAKE DLS DATA", "needs data of Protein Solutions Dynamics Version 4, exported with "
                           "options:\nanalysis results, autocorrelation coefficients, all "
                           "measurements, ASCII text, include headers, results summary"}},
        {534,
         {"MAKE DLS DATA", "needs data of ALV-5000/E V.2.0.6.2 (6/99), exported with File->Save "
                           "As...->Datatype:  ALV-5000 Data (ASCII)"}},
        {527, {"select data file", ""}},
        {544, {"select data file", ""}},
        {583,
         {"MAKE DLS DATA",
          "needs data of PhotoCor (Version 0.3), exported as 'PhotoCor Runtime Report' txt file"}},
        {532, {"MAKE DLS DATA", "needs two-column ASCII data of intensity autocorrelation g(2)"}},
        {600,
         {"MAKE DLS DATA",
          "needs two-column ASCII data of intensity autocorrelation g(2)-1 versus "
          "time[microseconds]\nFrom Malvern Zetasizer NanoS output delete first two lines."}},
        {528, {"Format CD DATA", "not implemented yet"}},
        {290, {"select files to fit", ""}},
        {500, {"", ""}}, // nothing loaded to average
        {922, {"", ""}},
        {268, {"HELP", "Connect?"}},
        {249, {"HELP", "Connect?"}},
        {867, {"", ""}},
        {221, {"", ""}}, // dialog 302, which the log does not list
        // Change Cell without scans loads first; the fringe jumps and notes need scans.
        {828, {"select files to fit", ""}},
        {287, {"", ""}},
        {216, {"", ""}},
        // The clipboard tables need scans.
        {258, {"", ""}},
        {259, {"", ""}},
        {260, {"", ""}},
        {261, {"", ""}},
        {262, {"", ""}},
        {632, {"", ""}},
        // Print asks where to print; the set-up does nothing before a print made the printer.
        {234, {"Tarnix Printout", ""}},
        {233, {"", ""}},
        {869, {"KEYBOARD SHORTCUTS", "current keyboard shortcuts"}},
        {829, {"SET PREFERENCE", "Suppress Baseline Correlation in Max Ent?"}},
        {894, {"SET PREFERENCE", "g(2)-1 intensity autocorrelation function?"}},
        {594, {"SET PREFERENCE", "Play Sounds?"}},
        {902, {"SET PREFERENCE", "Always Check Timestamps Automatically?"}},
        {648, {"SET PREFERENCE", "Use Multiple Threads?"}},
        {597, {"", ""}},
        {609, {"SET PREFERENCE", "save as default setting?"}},
        {610, {"HELP MESSAGES", "Save Setting?"}},
        // Display commands: without scans most of them have nothing to act on.
        {205, {"", ""}},
        {206, {"", ""}},
        {507, {"", ""}},
        {646, {"", ""}},
        {207, {"SET DISPLAY RANGE", "smallest r"}},
        {208, {"", ""}},
        {257, {"", ""}},
        {211, {"", ""}},
        {232, {"", ""}},
        {209, {"", ""}},
        {210, {"", ""}},
        {243, {"", ""}},
        {504, {"", ""}},
        {537, {"", ""}},
        {505, {"", ""}},
        {506, {"", ""}},
        {592, {"UPDATE DURING FIT", "data and fit plot?"}},
        {898, {"", ""}},
        // Saving raw data sets: nothing to save without scans.
        {263, {"", ""}},
        // Corrections and conversions: nothing to act on without scans.
        {535, {"", ""}},
        {549, {"", ""}},
        {550, {"", ""}},
        {581, {"", ""}},
        {264, {"", ""}},
        {283, {"", ""}},
        {634, {"", ""}},
        {459, {"", ""}},
        {886, {"", ""}},
        {551, {"", ""}},
        {220, {"", ""}},
        {231, {"", ""}},
        {289, {"", ""}},
        {524, {"", ""}},
        {927, {"", ""}},
        {917, {"AVERAGE SCANS", "please load scans first"}},
        {579, {"Sort SE data", "please load data first"}},
        {645, {"EQ TEST", "please load data first"}},
        {540, {"", ""}}, // nothing loaded to follow
        {541, {"", ""}},
        {896, {"ERROR", "equilibrium data set must be loaded for MSTAR"}},
        {918, {"", ""}}, // no M* screen to copy from
        {919, {"", ""}},
        {920, {"", ""}},
        {265, {"SET N COLUMNS", "enter number of columns in data file"}},
        // Noise commands: without scans there is no noise to move.
        {518, {"", ""}},
        {508, {"", ""}},
        {509, {"", ""}},
        {519, {"", ""}},
        {607, {"", ""}},
        // Save commands: the fit dialog comes first; the noise writers need fitted noise.
        {203, {"SAVE FITS", "no fit to save"}},
        {252, {"", ""}},
        {253, {"", ""}},
        {225, {"", ""}},
        // Run without scans asks for data; Fit M and s without scans assumes 20 C.
        {213, {"RUN", "please load data first"}},
        {530, {"RUN", "please load data first"}},
        // Generate: the parameter form first; the series opens the parameters dialog first.
        // Dialogs are not logged: Parameters and the series end at the dialog's Cancel.
        {214, {"GENERATE DATA", "Fit with M and s instead D and s?"}},
        {212, {"", ""}},
        {647, {"", ""}},
        // The solver options' dialogs end at their Cancel.
        {611, {"", ""}},
        {542, {"", ""}},
        {552, {"", ""}},
        // Subtracting the buffer's signal needs scans and the correction.
        {576, {"", ""}},
        {577, {"export data as MIROVAN xp file", ""}},
        {217, {"", "assuming t = 20 'C"}},
        {590, {"SET RADIAL RESOLUTION", "defaut 0.001 (=all data):"}},
        {591, {"", ""}},
        // Model commands, each from the start-up model.
        {198, {"", ""}},
        {227, {"", "assuming t = 20 'C"}},
        {893, {"", "assuming t = 20 'C"}},
        {235, {"", ""}},
        {277, {"", "distribution will be c(Mbuoyant)"}},
        {279, {"", "using vbar(M)= v0 + a*[(M/10^s)]^1/3"}},
        {887, {"C(M) POWERLAW", "enter new s(M) power-law calibration?"}},
        {875, {"ESTIMATE EQ ROTOR SPEED", "lowest Mw of interest (Da)"}},
        {876, {"ERROR", "Could not find HydroPro file \"hydropro7cmsd.exe\""}},
        {885, {"read BEST/BEMINE", "molar mass (Da)"}},
        {275, {"", ""}},
        {514, {"", ""}},
        {526, {"", ""}},
        {531, {"", ""}},
        {548, {"", ""}},
        {870, {"", ""}},
        {602, {"", ""}},
        {603, {"", ""}},
        {872, {"", ""}},
        {587, {"select M(s) table (s [S], M [Da])", ""}}, // its table is asked
        {595, {"ATTENTION", "radial pre-averaging of data points is recommended"}},
        {598, {"ATTENTION", "radial pre-averaging of data points is recommended"}},
        {288, {"ls-g(s)", "Please Note: Switching now to Tikhonov-Phillips Regularization"}},
        {539, {"ls-g(s)", "Please Note: Switching now o Tikhonov-Phillips Regularization"}},
        {246, {"", ""}},
        {511, {"ls-g(s)", "Please Note: Switching now to Tikhonov-Phillips Regularization"}},
        {510, {"ls-g(s)", "Please Note: Switching now to Tikhonov-Phillips Regularization"}},
        {536, {"ERROR", "need DLS data for this analysis"}},
        {890, {"ERROR", "need DLS data for this analysis"}},
        {503, {"ERROR", "need DLS data for this analysis"}},
        {502, {"ERROR", "need DLS data for this analysis"}},
        {522, {"ERROR", "need DLS data for this analysis"}},
        {280, {"", ""}},
        {281, {"EXTERNAL LOADING GEOMETRY", "enter volume of oil used in run [ml]"}},
        {291, {"", "assuming t = 20 'C"}},
        {501, {"ls-g(s)", "Please Note: Switching now to Tikhonov-Phillips Regularization"}},
        {513, {"", "need electrophoresis data for this model"}},
        {256, {"SET SIMULATION START TIME", "offset by (sec)"}},
        {255, {"", ""}},
        {266, {"Error", "needs at least two scans"}},
        {218, {"PARTIAL SPECIFIC VOLUME", "partial spec. volume = "}},
        {826, {"SET PREFERENCE", "save as default setting?"}},
        {825, {"Fit With Simulated Annealing", "starting 'temperature'"}},
        {824, {"SET PREFERENCE", "save as default setting?"}},
        {292, {"Van Holde Weischet Analysis", "van Holde-Weischet for sedimentation?"}},
        {293, {"ATTENTION", "Please Note: This model has not been fully examined"}},
        // Without scans the g*(s) boundary model does nothing and says nothing.
        {533, {"", ""}},
        {247, {"", ""}},
        {868, {"", ""}},
        {219, {"INITIAL DATA", "polynom order = "}},
        {197, {"", ""}},
        {229, {"", ""}},
        {520, {"", ""}},
        {228, {"", ""}},
        {585, {"", ""}},
        {521, {"", ""}},
        {267, {"", ""}},
        {278, {"continuous distribution", "Using power-law s(M) = a*M^b. Enter a:"}},
        {282, {"", ""}},
        {284, {"Equilibrium Analysis", "please load equilibrium data"}},
        {523, {"Equilibrium Analysis", "please load equilibrium data"}},
        {223, {"", ""}},
        {224, {"SIMPLEX OPTIONS", "maximum relativ change < "}},
        // The fit report: shown again or copied without a box; the bounds' first question.
        {204, {"", ""}},
        {517, {"", ""}},
        {240, {"FIT LIMITS FOR MENISCUS AND BOTTOM", "minimum meniscus (cm):"}},
        // Distribution commands: without a distribution there is nothing to save, copy,
        // integrate or rescale; the regularization choice offers to keep it; the range file of
        // the program folder does not exist.
        {271, {"SAVE DISTRIBUTION", "There is no distribution to save"}},
        {273, {"", ""}},
        {274, {"", ""}},
        {456, {"", ""}},
        {457, {"", ""}},
        {458, {"", ""}},
        {294, {"SET PREFERENCE", "save as default setting?"}},
        {295, {"SET PREFERENCE", "save as default setting?"}},
        {642, {"SET PREFERENCE", "save as default setting?"}},
        {644, {"INTEGRATION RANGES", "no integration ranges could be read from"}},
        // Peak labels need a distribution; the summary is written and opened without a box;
        // the matrix export switch says where it stands.
        {608, {"", ""}},
        {199, {"", ""}},
        {877, {"ERROR", "Export Matrices is ON"}},
        // Fit and the error analysis: without scans Fit says so, the intervals do nothing.
        {215, {"Error", "please load data first"}},
        {827, {"", ""}},
        {285, {"", ""}},
        {286, {"", ""}},
        {241, {"s and M Contour", "minimum s"}},
        {244, {"s1,s2 Contour", "minimum s1"}},
        {245, {"K Contour", "minimum lg(K)"}},
        // Monte Carlo: without scans and a distribution model nothing is asked.
        {296, {"", ""}},
        {546, {"", ""}},
        // Priors: the file of a prior is asked; discrete species need scans and a distribution
        // model. The transforms say that there is no distribution.
        {529, {"select prior probability file (abscissa, probability)", ""}},
        {633, {"", ""}},
        {836, {"TRANSFORM DISTRIBUTION", "There is no distribution to transform"}},
        {525, {"TRANSFORM DISTRIBUTION", "There is no distribution to transform"}},
        {589, {"TRANSFORM DISTRIBUTION", "There is no distribution to transform"}},
        {460, {"TRANSFORM DISTRIBUTION", "There is no distribution to transform"}},
        // The calculators ask their first number; those of the loaded run need scans.
        {272, {"CALCULATE SOSQ RATIO", "enter desired confidence level"}},
        {582, {"CALCULATE s(xp) TO s(20,w)", "enter experimental s-value"}},
        {270, {"CALCULATE FRICTIONAL AND AXIAL RATIOS", "enter molar mass [Da]"}},
        {547, {"CALCULATE SHAPE FROM AXIAL RATIOS", "enter frictional ratio"}},
        {276, {"CALCULATE SEDCOEFFICIENT OF SPHERE", "enter molar mass [Da]"}},
        {606, {"CALCULATE M FROM S", "enter s-value [S]"}},
        {831, {"CALCULATE RADIUS OF SPHERE", "enter s-value [S]"}},
        {830, {"CALCULATE SEDCOEFFICIENT OF SPHERE", "enter particle radius [nm]"}},
        {578, {"CALCULATE HYDRODYNAMIC FRICTIONAL FORCE", "enter s-value [S]"}},
        {889, {"BOUNDARY BROADENING ANALYSIS", ""}},
        {462, {"", ""}},
        {545, {"", ""}},
        {461, {"", ""}},
        {463, {"", ""}},
        // Alt+M names the sliding setting it steps to.
        {837, {"MOUSE SLIDING", "mouse"}},
        // Without fluorescence data the detection corrections ask whether to go on.
        {905, {"Signal Amplitude Change With Radius", "intended for fluorescence data"}},
        {907, {"Signal Amplitude Change With Radius", "intended for fluorescence data"}},
        {906, {"Nonlinear Detection", "intended for fluorescence data"}},
        {908, {"Nonlinear Detection", "intended for fluorescence data"}},
        {909, {"Signal Amplitude Change With Time", "intended for fluorescence data"}},
        {910, {"Signal Amplitude Change With Time", "intended for fluorescence data"}},
        {911, {"Signal Radial Convolution", "intended for fluorescence data"}},
        {912, {"Signal Radial Convolution", "intended for fluorescence data"}},
        {913, {"Signal Excitation Shadow", "intended for fluorescence data"}},
        {914, {"Signal Excitation Shadow", "intended for fluorescence data"}},
        {925, {"Johnston Ogston Signal Depletion", "intended for fluorescence data"}},
        {915, {"FloTools", "intended for fluorescence data"}},
        {903, {"Sort Fluorescence AUC data", "please load data"}},
    };
    auto built = kBuilt.find(row.id);
    if (built != kBuilt.end())
        return built->second;
    return {"NOT AVAILABLE", "(command " + std::to_string(row.id) + ")"};
}

class CommandDispatch : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.WriteAcceptedPreferences();
        WriteTextFile(folder.file("mirovan"), "");
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
    }
    // Sends the command as the menu does and returns the prompts it showed.
    std::vector<plat::test::PromptRecord> Send(int id) {
        // Each model command starts from the start-up model, whatever the row before chose.
        ModelChoice::ResetToDefaults();
        ScanStore::timesFromW2t = false;
        ContiState::maxEntRegularization = true;
        ContiState::secondDerivativeRegularization = ContiState::showBothRegularizations = false;
        Script s;
        s.onUnexpected(Unexpected::Cancel);
        // "don't agree" in About ends the program too.
        bool exits = (id == 230 && !window->helpMode) || id == 221;
        SendMessage(window.get(), WM_COMMAND, WPARAM(id), 0);
        if (exits) {
            MSG quit;
            EXPECT_EQ(GetMessage(&quit, nullptr, 0, 0), 0) << "Exit posts the quit message";
        }
        return s.log();
    }
    void CheckFirstPrompt(const CommandRow& row, const std::vector<plat::test::PromptRecord>& log) {
        // The sequence calculator opens the text window first, which has no owner.
        if (row.id == 895) {
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(log[0].kind, plat::test::PromptKind::Edit);
            return;
        }
        FirstPrompt expected = Expected(row);
        if (expected.caption.empty() && expected.textHas.empty()) {
            EXPECT_TRUE(log.empty()) << row.id << ": " << (log.empty() ? "" : log[0].text);
            return;
        }
        ASSERT_FALSE(log.empty()) << row.id;
        EXPECT_EQ(log[0].caption, expected.caption) << row.id;
        EXPECT_NE(log[0].text.find(expected.textHas), std::string::npos)
            << row.id << ": " << log[0].text;
        EXPECT_EQ(log[0].owner, window.get()) << row.id;
    }

    ProgramFolder folder;
    std::unique_ptr<TXLAWindow> window;
};

} // namespace

TEST_F(CommandDispatch, EveryCommandReachesItsHandler) {
    for (const CommandRow& row : CommandTable()) {
        ASSERT_NE(window->Find(WM_COMMAND, UINT(row.id)), nullptr) << row.id;
        window->helpMode = false;
        CheckFirstPrompt(row, Send(row.id));
        gDiagnosticsOn = false;
    }
}

TEST_F(CommandDispatch, HelpModeShowsHelpInsteadForTheCommandsThatTestIt) {
    for (const CommandRow& row : CommandTable()) {
        window->helpMode = true;
        plat::test::clearRecords();
        std::vector<plat::test::PromptRecord> log = Send(row.id);
        switch (row.help) {
        case HelpTest::Offer:
            EXPECT_FALSE(window->helpMode) << row.id;
            ASSERT_EQ(log.size(), 1u) << row.id;
            EXPECT_EQ(log[0].caption, "HELP") << row.id;
            break;
        case HelpTest::Context320:
        case HelpTest::Context321:
            EXPECT_FALSE(window->helpMode) << row.id;
            EXPECT_TRUE(log.empty()) << row.id;
            ASSERT_EQ(plat::test::helpCalls().size(), 1u) << row.id;
            EXPECT_EQ(plat::test::helpCalls()[0].data,
                      row.help == HelpTest::Context320 ? 320u : 321u);
            break;
        case HelpTest::None:
            EXPECT_TRUE(window->helpMode) << row.id;
            CheckFirstPrompt(row, log);
            break;
        }
        gDiagnosticsOn = false;
    }
}

TEST_F(CommandDispatch, UnknownCommandIsLeftToTheFrameWindow) {
    EXPECT_EQ(window->Find(WM_COMMAND, 4242), nullptr);
    Script s;
    SendMessage(window.get(), WM_COMMAND, 4242, 0);
    EXPECT_TRUE(s.log().empty());
}

TEST_F(CommandDispatch, HelpOfferStartsTheBrowserAndFallsBackToTheSecond) {
    for (int firstResult : {33, 2}) {
        Script s;
        plat::test::clearRecords();
        plat::test::setProcessResult(firstResult);
        s.expectBox().caption("HELP").answer(IDYES);
        window->CmHowToGetHelp();
        const auto& started = plat::test::processes();
        ASSERT_EQ(started.size(), firstResult > 31 ? 1u : 2u);
        EXPECT_EQ(started[0].argv[0], "xdg-open");
        if (firstResult <= 31) {
            EXPECT_EQ(started[1].argv[0], "firefox");
        }
        EXPECT_EQ(started[0].argv[1], started.back().argv[1]);
    }
    Script no;
    plat::test::setProcessResult(33);
    plat::test::clearRecords();
    no.expectBox().caption("HELP").answer(IDNO);
    window->CmHowToGetHelp();
    EXPECT_TRUE(plat::test::processes().empty());
}
