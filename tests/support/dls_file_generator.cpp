// Light-scattering test files in the program's own format.
#include "support/dls_file_generator.h"

#include <cmath>
#include <cstdio>

DlsFileContent DecayFile(int points, double tauS, double timeS) {
    DlsFileContent content;
    content.time = timeS;
    for (int i = 0; i < points; ++i) {
        double lag = std::pow(10.0, -6.0 + i / 8.0);
        content.lags.push_back(lag);
        content.values.push_back(std::exp(-2.0 * lag / tauS));
    }
    return content;
}

std::string DlsFileText(const DlsFileContent& content) {
    char line[200];
    std::snprintf(line, sizeof line, "%c %f %ld 1000.00 1.333000 %f 90.000000 6.328000e-07\n",
                  content.type, content.temperature, static_cast<long>(content.time),
                  content.viscosity);
    std::string text = content.title + "\n" + line;
    for (std::size_t i = 0; i < content.lags.size() && i < content.values.size(); ++i) {
        std::snprintf(line, sizeof line, "   %1.5e  %1.5e \n", content.lags[i], content.values[i]);
        text += line;
    }
    return text;
}
