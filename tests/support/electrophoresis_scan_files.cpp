#include "support/electrophoresis_scan_files.h"

#include "state/scan_store.h"

#include <cmath>
#include <cstdio>
#include <fstream>

std::vector<std::string> WriteElectrophoresisScans(MainWindowFixture& f, const std::string& caption,
                                                   int scans, int points) {
    using S = ScanStore;
    std::vector<std::string> paths;
    for (int k = 1; k <= scans; ++k) {
        const bool loaded = k <= S::scanCount && S::pointCount[k] == points;
        std::string text = "[T OK]" + caption + " " + std::to_string(k) + "\nR 0 " +
                           std::to_string(300 * k) + " 280 2 0\n";
        for (int i = 0; i < points; ++i) {
            const double a = loaded ? S::signal[k][i + 1] : 0.3;
            const double r = loaded ? S::radius[k][i + 1] : 1.0 + 0.4 * i / (points - 1);
            char row[80];
            std::snprintf(row, sizeof row, "   %.5f  %.6e   1.00000e+00\n", r,
                          1000.0 * std::pow(10.0, -a));
            text += row;
        }
        char name[20];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        std::ofstream(f.data.file(name)) << text;
        paths.push_back(f.data.file(name));
    }
    return paths;
}
