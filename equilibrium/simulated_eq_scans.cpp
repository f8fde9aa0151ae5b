// The scan files of a simulated approach to equilibrium.
#include "equilibrium/simulated_eq_scans.h"

#include "scandata/scan_file.h"

#include <cstdio>

namespace {
constexpr const char* kDescription = " simulated approach to equilibrium";
} // namespace

bool WriteSimulatedEqScans(const CApproachToEqSim& sim, const std::string& folder) {
    if (sim.scanCount < 1 || sim.pointCount < 1 ||
        sim.scans.size() != static_cast<std::size_t>(sim.scanCount) + 1)
        return false;
    bool ok = true;
    for (int i = 1; i <= sim.scanCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "00%03d.R00", i);
        const auto k = static_cast<std::size_t>(i);
        ok = ScanTimeStampTag((folder + name).c_str(), sim.pointCount, sim.radius.data(),
                              sim.scans[k].data(), nullptr, kDescription, true,
                              sim.headers[k]) == 1 &&
             ok;
    }
    ok = ScanTimeStampTag((folder + "eq.R00").c_str(), sim.pointCount, sim.radius.data(),
                          sim.equilibrium.data(), nullptr, kDescription, true,
                          sim.headers[1]) == 1 &&
         ok;
    return ok;
}
