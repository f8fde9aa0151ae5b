// Scan files for tests, written with the format strings of the scan file rows and header.
#include "scan_set_generator.h"

#include "temp_folder.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Format(const char* format, double a, double b, double c) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

GeneratedScan FiveRows(GeneratedScan s, std::vector<double> values, std::vector<double> third) {
    s.radius = {5.95, 5.96, 5.97, 5.98, 5.99};
    s.value = std::move(values);
    s.third = std::move(third);
    return s;
}

} // namespace

std::string GeneratedScan::Text() const {
    std::string out = description + "\n";
    char head[256];
    if (type == 'W' || type == 'V')
        std::snprintf(head, sizeof head, "%c %d %2.1f %ld %ld %1.4e %1.3f %d\n", type, cell,
                      temperature, rpm, timeS, omega2t, wavelength, lastHeaderNumber);
    else
        std::snprintf(head, sizeof head, "%c %d %2.1f %ld %ld %1.4e %d %d\n", type, cell,
                      temperature, rpm, timeS, omega2t, static_cast<int>(wavelength),
                      lastHeaderNumber);
    out += head;
    for (std::size_t i = 0; i < radius.size(); ++i) {
        if (!third.empty())
            out += Format("   %1.4f  %1.5e   %1.5e \n", radius[i], value[i], third[i]);
        else
            out += Format("   %1.4f  %1.5e \n", radius[i], value[i], 0.0);
    }
    return out;
}

GeneratedScan ExampleAbsorbance() {
    GeneratedScan s;
    s.description = "[T OK]Cell 1 demo scan 5.9000 - meniscus";
    return FiveRows(s, {0.0102, 0.0121, 0.25, 0.5, 0.51}, {0.005, 0.005, 0.005, 0.005, 0.005});
}

GeneratedScan ExampleAbsorbanceW() {
    GeneratedScan s = ExampleAbsorbance();
    s.description = "[T OK]W demo";
    s.type = 'W';
    s.wavelength = 0.280;
    return s;
}

GeneratedScan ExampleInterference() {
    GeneratedScan s;
    s.description = "[T OK]interference demo";
    s.type = 'P';
    s.cell = 2;
    s.wavelength = 660;
    s.lastHeaderNumber = 0;
    s.radius = {5.95, 5.9507, 5.9514, 5.9521, 5.9528};
    s.value = {-0.123, -0.101, 0.5, 1.25, 2.75};
    return s;
}

GeneratedScan ExampleIntensity() {
    GeneratedScan s;
    s.description = "[T OK]intensity demo";
    s.type = 'I';
    s.lastHeaderNumber = 0;
    return FiveRows(s, {21000, 21010, 20990, 21005, 21020}, {20500, 19800, 11000, 6700, 6600});
}

GeneratedScan ExampleFluorescence() {
    GeneratedScan s;
    s.description = "fluorescence demo Voltage: 600 Gain: 4 Range: 1";
    s.type = 'F';
    s.wavelength = 488;
    return FiveRows(s, {12, 60, 140, 220, 260}, {1, 1, 2, 2, 2});
}

GeneratedScan SetScan(const ScanSetOptions& o, int i) {
    const double pi = 3.14159265358979323846;
    double ta = static_cast<double>(o.rpm) / 200.0; // ramp at 200 rpm/s
    double w2 = std::pow(static_cast<double>(o.rpm) * pi / 30.0, 2);
    GeneratedScan s;
    s.type = o.type;
    s.description =
        std::string(o.tagged ? "[T OK]" : "") + "synthetic velocity scan " + std::to_string(i);
    s.rpm = o.rpm;
    double t = 600.0 * i + ta;
    s.timeS = static_cast<long>(t);
    s.omega2t = w2 * (t - 2.0 * ta / 3.0);
    s.lastHeaderNumber = o.type == 'P' ? 0 : 2;
    s.wavelength = o.type == 'P' ? 660 : 280;
    double rb = o.meniscus * std::exp(5e-13 * s.omega2t);
    for (int k = 0;; ++k) {
        double r = o.meniscus + 0.05 + k * o.dr;
        if (o.points > 0 ? k >= o.points : r > o.bottom - 0.05)
            break;
        s.radius.push_back(r);
        s.value.push_back(0.5 * (1 + std::erf((r - rb) / 0.02)) * 0.8 + 0.02);
        if (o.type != 'P')
            s.third.push_back(0.005);
    }
    return s;
}

std::vector<std::string> WriteScanSet(const std::string& folder, const ScanSetOptions& o) {
    std::vector<std::string> names;
    for (int i = 1; i <= o.count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%05d.%s", i, o.extension.c_str());
        GeneratedScan s = SetScan(o, i);
        std::string path = folder + "/" + name;
        WriteTextFile(path, s.Text());
        SetFileSeconds(path, o.fileTimeBase + std::llround(o.fileTimeScale * s.timeS));
        names.push_back(name);
    }
    return names;
}

std::string SelectionBuffer(const std::string& folder, const std::vector<std::string>& names) {
    std::string out = folder;
    out.push_back('\0');
    for (const std::string& n : names) {
        out += n;
        out.push_back('\0');
    }
    out.push_back('\0');
    return out;
}
