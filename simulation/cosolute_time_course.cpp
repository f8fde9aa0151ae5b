// The cosolute's profile beside a species on the simulation grid, stepped by the Lamm solver
// object's cosolvent, and the solvent factors it gives the species' nodes.
#include "simulation/cosolute_time_course.h"

#include "simulation/inhomogeneous_solvent.h"
#include "simulation/lamm_template.h"
#include "simulation/scan_output.h"
#include "simulation/solvent_profile.h"
#include "state/compute_observer.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/run_switches.h"
#include "state/scan_store.h"

#include <algorithm>
#include <utility>

namespace {

// Steps that bring the profile from the loading to a later start: 1 s, doubling up to this.
constexpr double kLongestStartStep = 60.0;

std::vector<std::string> gUnwritten;

} // namespace

bool CCosoluteTimeCourse::Start(const double* r, int n, double time) {
    on_ = false;
    if (!ModelChoice::inhomogeneousSolvent || !InhomogeneousSolvent::dynamicGradient || n < 2)
        return false;
    // Its output goes where the list road's first equation puts it.
    LammTemplateOutput out;
    CComputeObserver* observer = LammGrid::progressObserver;
    out.liveProfiles = observer != nullptr && ScanStore::dataPlot != nullptr;
    out.simulatingOnly = gSimulateOnly;
    LoadLammTemplate(o_, observer, LammGrid::s, LammGrid::d, 1.0, out);
    o_.N = n;
    o_.finalRotorSpeed = o_.currentRotorSpeed = LammGrid::rotorSpeed;
    // the rotor speed is the species' own at every step
    o_.accelerationPhaseActive = false;
    o_.SetupSolventFactors(r);
    if (!o_.SetupCosolvent())
        return false;
    const double start = time;
    o_.t = 0.0;
    for (double step = 1.0; o_.t < start; step = std::min(2.0 * step, kLongestStartStep)) {
        o_.cosolventStartTime = o_.t;
        o_.t = std::min(start, o_.t + step);
        o_.StepCosolvent();
    }
    o_.t = start;
    on_ = true;
    o_.UpdateSolventFactors(r);
    CopyFactors({1, n});
    return true;
}

void CCosoluteTimeCourse::BeforeStep(double time) {
    if (on_)
        o_.cosolventStartTime = time;
}

bool CCosoluteTimeCourse::AfterStep(const double* r, int n, double time) {
    if (!on_ || n != o_.N)
        return false;
    o_.t = time;
    o_.currentRotorSpeed = LammGrid::rotorSpeed;
    o_.StepCosolvent();
    return CopyFactors(o_.UpdateSolventFactors(r));
}

void CCosoluteTimeCourse::AfterScanOutput(int position) {
    if (!on_ || position < 1)
        return;
    o_.nextOutputScan = position;
    o_.OutputSecondComponent();
    for (std::string& path : o_.unwrittenFiles)
        gUnwritten.push_back(std::move(path));
    o_.unwrittenFiles.clear();
}

std::vector<std::string> TakeUnwrittenCosoluteFiles() {
    return std::exchange(gUnwritten, {});
}

bool CCosoluteTimeCourse::CopyFactors(const std::pair<int, int>& changed) {
    if (changed.first > changed.second)
        return false;
    const std::size_t size = o_.viscosityFactor.size();
    if (SolventProfile::viscosityFactor.size() != size)
        return false;
    const int first = changed.first, last = changed.second;
    std::copy(o_.viscosityFactor.begin() + first, o_.viscosityFactor.begin() + last + 1,
              SolventProfile::viscosityFactor.begin() + first);
    std::copy(o_.buoyancyFactor.begin() + first, o_.buoyancyFactor.begin() + last + 1,
              SolventProfile::buoyancyFactor.begin() + first);
    if (SolventProfile::cosolute.size() == o_.cosolventAtNodes.size())
        std::copy(o_.cosolventAtNodes.begin() + first, o_.cosolventAtNodes.begin() + last + 1,
                  SolventProfile::cosolute.begin() + first);
    return true;
}
