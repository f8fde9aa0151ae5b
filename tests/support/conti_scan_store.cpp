// The scan store of the kernel tests.
#include "support/conti_scan_store.h"

#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"

#include <cmath>

ContiScanStore::ContiScanStore(const ContiStoreCase& cs) : c(cs) {
    ResetAllState();
    headers.resize(c.scans + 1);
    order.resize(c.scans + 1);
    for (int k = 1; k <= c.scans; ++k) {
        headers[k].temperature = 20.0f;
        headers[k].time = headers[k].originalTime = c.firstTimeS + c.intervalS * (k - 1);
        headers[k].accelerationRate = 1.0e6;
        order[k] = k;
    }
    SetRpm(c.rpm);
    radii.resize(c.points + 1);
    for (int i = 1; i <= c.points; ++i)
        radii[i] = static_cast<float>(c.meniscus +
                                      (i - 1) * double(c.bottom - c.meniscus) / (c.points - 1));
    ScanStore::scanCount = c.scans;
    ScanStore::header = headers.data();
    ScanStore::scanOrder = order.data();
    ScanStore::gridRadius = radii.data();
    ScanStore::gridCount = c.points;
    ScanStore::leftFitLimit = c.meniscus + 0.05f;
    ScanStore::rightFitLimit = c.bottom - 0.05f;
    ScanStore::vbar = 0.73f, ScanStore::density = 0.99823f, ScanStore::viscosity = 1.0f;
    ScanStore::vbarRho = 0.73f * 0.99823f;
    ScanStore::rampRotorSpeed = false;
    ModelParameters::meniscus = c.meniscus;
    ModelParameters::bottom = c.bottom;
}

ContiScanStore::~ContiScanStore() {
    gContiKernel.Free();
    ScanStore::header = nullptr;
    ScanStore::scanOrder = nullptr;
    ScanStore::gridRadius = nullptr;
    ScanStore::scanCount = 0;
    ResetAllState();
}

void ContiScanStore::ShiftTimes(double dt) {
    for (int k = 1; k <= c.scans; ++k) {
        headers[k].time += dt;
        headers[k].originalTime += dt;
    }
    SetRpm(c.rpm);
}

void ContiScanStore::SetRpm(float rpm) {
    c.rpm = rpm;
    const double w = rpm * M_PI / 30.0;
    for (int k = 1; k <= c.scans; ++k) {
        headers[k].rotorSpeed = rpm;
        headers[k].omega2t = w * w * headers[k].time;
    }
}

std::vector<std::vector<float>> KernelColumn(int p) {
    std::vector<std::vector<float>> rows(gContiKernel.Scans() + 1);
    for (int k = 1; k <= gContiKernel.Scans(); ++k) {
        const float* row = gContiKernel.Row(p, k);
        rows[k].assign(row, row + gContiKernel.Points() + 1);
    }
    return rows;
}

double RadialAmount(const float* row, const float* radii, int points) {
    double sum = 0.0;
    for (int i = 1; i < points; ++i)
        sum += 0.5 * (double(row[i]) * radii[i] + double(row[i + 1]) * radii[i + 1]) *
               (radii[i + 1] - radii[i]);
    return sum;
}

GeneratedScan ContiScanStore::ScanFile(int k, const std::string& description, const float* values,
                                       double third) const {
    GeneratedScan s;
    s.description = description;
    s.timeS = static_cast<long>(headers[k].time);
    s.omega2t = headers[k].omega2t;
    for (int i = 1; i <= c.points; ++i) {
        s.radius.push_back(radii[i]);
        s.value.push_back(values[i]);
        s.third.push_back(third);
    }
    return s;
}
