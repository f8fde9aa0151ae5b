// The planner's progress plot and its two result plots in the auxiliary plot slots.
#include "app/min_time_to_eq_plots.h"

#include "app/txla_window.h"
#include "display/plot_replays.h"
#include "equilibrium/min_time_to_eq.h"
#include "equilibrium/time_to_eq_parameters.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "plat/window_dc.hpp"
#include "plotting/aux_plots.h"
#include "plotting/plot_owners.h"
#include "plotting/win_plot.h"
#include "state/scan_store.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {
using P = TimeToEqParameters;

// Speeds are drawn into the range of the rms difference: 35000 rpm at 0.1.
constexpr float kSpeedScale = 0.1f / 35000.0f;
constexpr COLORREF kReference = 0x646464, kFinalSpeed = 0xc8ffc8, kOptimised = 0xff00ff,
                   kProgram = 0xf00000;

// Buffers, views and curves the plots draw from. The plots do not own their curves, and the paint
// deletes the plots, so these live until the next planner picture replaces them.
class CurveStore {
  public:
    // x and y are 1-based (element 0 unused), of equal length.
    CCurve* Add(std::vector<float> x, std::vector<float> y) {
        const auto n = static_cast<std::uint32_t>(x.size() > 0 ? x.size() - 1 : 0);
        buffers_.push_back(std::move(x));
        float* xs = buffers_.back().data();
        buffers_.push_back(std::move(y));
        float* ys = buffers_.back().data();
        auto vx = std::make_unique<CVector>();
        auto vy = std::make_unique<CVector>();
        vx->Attach(xs, n, 1);
        vy->Attach(ys, n, 1);
        curves_.push_back(std::make_unique<CCurve>(vx.get(), vy.get()));
        views_.push_back(std::move(vx));
        views_.push_back(std::move(vy));
        return curves_.back().get();
    }
    void Clear() {
        curves_.clear();
        views_.clear();
        buffers_.clear();
    }

  private:
    std::deque<std::vector<float>> buffers_;
    std::vector<std::unique_ptr<CVector>> views_;
    std::vector<std::unique_ptr<CCurve>> curves_;
};

CurveStore& ResultCurves() {
    static CurveStore store;
    return store;
}

// The progress plot's buffers: the ad-hoc plot views them.
struct ProgressBuffers {
    std::vector<float> hours, rms, stairHours, stairSpeed;
};
ProgressBuffers& Progress() {
    static ProgressBuffers buffers;
    return buffers;
}

void PlacePlot1(CWINPlot* plot) {
    plot->SetPlotRect(ScanStore::distPlotRect[0], 75, ScanStore::distPlotRect[3], 975);
}

std::vector<float> Scaled(std::vector<float> rpm) {
    for (std::size_t i = 1; i < rpm.size(); ++i)
        rpm[i] *= kSpeedScale;
    return rpm;
}

// Equilibrium minus the scan that met the rms criterion, over radius.
CCurve* DifferenceCurve(const CApproachToEqSim& sim) {
    std::vector<float> d(static_cast<std::size_t>(sim.pointCount) + 1, 0.0f);
    const auto& scan = sim.scans[static_cast<std::size_t>(sim.rmsCriterionIndex)];
    for (int j = 1; j <= sim.pointCount; ++j)
        d[std::size_t(j)] = sim.equilibrium[std::size_t(j)] - scan[std::size_t(j)];
    return ResultCurves().Add(sim.radius, std::move(d));
}

void DeleteProgressPlot() {
    delete AuxPlots::adHocPlot;
    AuxPlots::adHocPlot = nullptr;
}

} // namespace

void ShowSpeedProgramProgress(TXLAWindow* window, const OverspeedProgress& progress) {
    if (!window || !progress.simulation || !progress.parameters)
        return;
    const CApproachToEqSim& sim = *progress.simulation;
    ProgressBuffers& b = Progress();
    DeleteProgressPlot();
    b.hours = sim.scanHours;
    b.rms = sim.rmsDifference;
    b.stairHours.clear();
    b.stairSpeed.clear();
    auto* adHoc = new CAdHocPlot();
    AuxPlots::adHocPlot = adHoc;
    adHoc->AddCurve(b.hours.data(), b.rms.data(), sim.scanCount);
    if (sim.BuildSpeedStaircase(b.stairHours, b.stairSpeed)) {
        b.stairSpeed = Scaled(std::move(b.stairSpeed));
        adHoc->AddCurve(b.stairHours.data(), b.stairSpeed.data(),
                        static_cast<int>(b.stairHours.size()) - 1);
    }
    CWINPlot* plot = adHoc->plot;
    PlacePlot1(plot);
    plot->SetCurveColor(0, kOptimised);
    plot->SetCurveColor(1, kProgram);
    plot->SetRanges(0.0f, progress.horizonHours, 0.0f, 0.1f);
    plot->SetXLabel("time (h)");
    plot->SetYLabel("difference to eq");
    plot->Draw();

    const SpeedProgramSettings settings = PlannerProgramSettings();
    const bool rounding = P::speedRoundingStep > 1.0f;
    const float speedAtZero = SpeedAtTime(*progress.parameters, settings, 0.0f, rounding,
                                          rounding ? P::speedRoundingStep : 1.0f);
    const std::string line = SpeedProgramProgressLine(
        progress.pass, progress.evaluations, float(progress.value), speedAtZero,
        *progress.parameters, settings.exponential, settings.decayTimeScale);
    {
        TClientDC dc(window);
        SetReplayMapping(dc, window);
        PlayPicture(dc, plot->Picture());
    }
    // The line in the window's own pixels, over the top left of the plot.
    TClientDC dc(window);
    dc.TextOut(50, 10, line.c_str());
}

void EndSpeedProgramProgress() {
    DeleteProgressPlot();
}

void ShowMinimumTimeToEqPlots(TXLAWindow* window, const MinimumTimeToEqOutcome& outcome) {
    DeleteProgressPlot();
    FreeAuxPlotCurves();
    CurveStore& store = ResultCurves();
    store.Clear();
    const CApproachToEqSim& reference = outcome.reference;
    const CApproachToEqSim& best = outcome.plan.simulation;
    if (reference.scanCount < 1 || best.scanCount < 1)
        return;

    auto* plot = new CWINPlot();
    AuxPlots::auxPlot = plot;
    AuxPlots::noRescale = false;
    PlacePlot1(plot);
    plot->SetXLabel("elapsed time (h)");
    plot->SetYLabel("rms difference to eq from left to right fit limit");
    plot->AddCurve(store.Add(reference.scanHours, reference.rmsDifference));
    plot->SetCurveColor(0, kReference);
    std::vector<float> constant(reference.scanHours.size(), P::finalSpeed * kSpeedScale);
    plot->AddCurve(store.Add(reference.scanHours, std::move(constant)));
    plot->SetCurveColor(1, kFinalSpeed);
    plot->SetRanges(0.0f, outcome.timeAtConstantSpeed, 0.0f, 0.1f);
    plot->AddCurve(store.Add(best.scanHours, best.rmsDifference));
    plot->SetCurveColor(2, kOptimised);
    std::vector<float> stairHours, stairSpeed;
    if (best.BuildSpeedStaircase(stairHours, stairSpeed)) {
        plot->AddCurve(store.Add(std::move(stairHours), Scaled(std::move(stairSpeed))));
        plot->SetCurveColor(3, kProgram);
    }

    auto* inset = new CWINPlot();
    AuxPlots::secondCurvePlot = inset;
    const std::int32_t* r = ScanStore::distPlotRect;
    inset->SetPlotRect(r[0] + 100, 75 + 500, r[3] - 500, 975 - 50);
    inset->SetXLabel("radius (cm)");
    inset->SetYLabel("difference to eq");
    int i = 0;
    for (const CApproachToEqSim* sim : {&reference, &best}) {
        inset->AddCurve(DifferenceCurve(*sim));
        inset->SetCurveColor(i, sim == &reference ? kReference : kOptimised);
        inset->SetCurveRange(i, sim->leftIndex, sim->rightIndex);
        ++i;
    }
    window->RequestRepaint();
}
