// The window after a list batch: the last set's plots, recorded once when the batch ends, are
// the pictures a fresh drawing of the plots makes, the residuals zoomed to the fit limits. With
// TARNIX_KEEP_PNG set, the window, the plot ranges and the result files are copied there, to
// compare one build's batch with another's.
#include "app/batch_fit_common.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "plotting/win_plot.h"
#include "scandata/list_file.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/batch_data_sets.h"
#include "support/main_window_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ListOf(const std::string& folder, const std::string& ext) {
    std::vector<std::string> strings{folder};
    for (int k = 1; k <= 6; ++k) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.%s", k, ext.c_str());
        strings.push_back(name);
    }
    return ListText(1, strings);
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Ranges(const char* name, const CWINPlot* plot) {
    char line[160];
    std::snprintf(line, sizeof line, "%s %.9g %.9g %.9g %.9g\n", name, double(plot->xMin),
                  double(plot->xMax), double(plot->yMin), double(plot->yMax));
    return line;
}

struct BatchCase {
    const char* name;
    bool fitEach;
    bool noise; // time- and radially invariant noise fitted (moved into the data after a Run)
};

} // namespace

TEST(BatchPlotRecording, TheWindowAfterABatchShowsTheLastSetAsDrawnAnew) {
    for (const BatchCase& c :
         {BatchCase{"run", false, false}, BatchCase{"fit_noise", true, true}}) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        const std::string root = f.data.path() + "/";
        for (int k = 1; k <= 3; ++k) {
            const std::string ext = "RA" + std::to_string(k);
            WriteBatchSet(f.data.path(), ext,
                          BatchSetScans({6, 150, 2.0 + 2.0 * k, 1.25, 0.3 + 0.1 * k, 0.005,
                                         30u + static_cast<unsigned>(k)}));
            f.data.write("list.00" + std::to_string(k), ListOf(f.data.path(), ext));
        }
        f.script.expectFileOpen().answer(std::vector<std::string>{root + "list.001"});
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0);
        SetBatchCsParameters();
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = c.noise;
        ModelParameters::meniscusFloat = c.fitEach ? 1 : 0;
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
        ASSERT_TRUE(DistributionAvailable()) << f.script.logText();

        auto& s = f.script;
        s.expectBox().textHas("fit each set?").answer(c.fitEach ? IDYES : IDNO);
        s.expectBox().text("restore previous params if available?").answer(IDNO);
        s.expectBox().text("overwrite FitRightLim?").answer(IDNO);
        s.expectBox().text("VIZRA dfr and c(s)?").answer(IDNO);
        s.expectBox().text("with automatic integration?").answer(IDNO);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(904), 0);
        ASSERT_TRUE(s.done()) << s.logText();
        ASSERT_TRUE(fs::exists(root + "distribution.RA3"));

        f.window->Invalidate(true);
        f.Paint();
        CWINPlot* data = ScanStore::dataPlot;
        CWINPlot* residual = ScanStore::residualPlot;
        CWINPlot* distribution = ContiState::distributionPlot;
        ASSERT_TRUE(data && residual && distribution);
        EXPECT_FLOAT_EQ(residual->xMin, ScanStore::leftFitLimit);
        EXPECT_FLOAT_EQ(residual->xMax, ScanStore::rightFitLimit);
        const std::string ranges = Ranges("data", data) + Ranges("residuals", residual) +
                                   Ranges("distribution", distribution);
        const std::string afterBatch = f.data.file(std::string(c.name) + "_batch.png");
        ASSERT_TRUE(plat::test::windowPng(*f.window, afterBatch));

        // Every plot drawn again from what it holds: the window does not change (painted once
        // more first, since the first paint after a Run also shows the fit's parameters).
        f.window->Invalidate(true);
        f.Paint();
        const std::string repainted = f.data.file(std::string(c.name) + "_repainted.png");
        ASSERT_TRUE(plat::test::windowPng(*f.window, repainted));
        for (CWINPlot* plot : {data, residual, distribution})
            plot->Draw();
        f.window->Invalidate(true);
        f.Paint();
        const std::string redrawn = f.data.file(std::string(c.name) + "_redrawn.png");
        ASSERT_TRUE(plat::test::windowPng(*f.window, redrawn));
        EXPECT_TRUE(Bytes(repainted) == Bytes(redrawn))
            << "a picture of the batch is not the last set's";
        EXPECT_EQ(Ranges("data", data) + Ranges("residuals", residual) +
                      Ranges("distribution", distribution),
                  ranges);

        if (const char* keep = std::getenv("TARNIX_KEEP_PNG")) {
            const fs::path to = fs::path(keep) / c.name;
            fs::create_directories(to);
            fs::copy_file(afterBatch, to / "window.png", fs::copy_options::overwrite_existing);
            std::ofstream(to / "ranges.txt") << ranges;
            for (const auto& entry : fs::directory_iterator(f.data.path())) {
                const std::string name = entry.path().filename().string();
                if (entry.is_regular_file() && name.find(".png") == std::string::npos)
                    fs::copy_file(entry.path(), to / name, fs::copy_options::overwrite_existing);
            }
        }
    }
}
