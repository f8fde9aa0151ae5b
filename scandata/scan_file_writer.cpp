// The scan file writer: line 1 with its time-stamp tag, the header line and the rows.
#include "foundations/c_locale.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "plat/files.hpp"
#include "scandata/scan_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A whole-number header field from a float: the fraction dropped, clamped to what %ld prints.
long WholeNumber(double v) {
    if (!(v == v))
        return 0;
    double t = std::trunc(v);
    if (t > 9.2e18)
        return 9200000000000000000L;
    if (t < -9.2e18)
        return -9200000000000000000L;
    return static_cast<long>(t);
}

bool HasTag(const char* text) {
    return std::strstr(text, "[TIMESTAMP CORRECTED") || std::strstr(text, "[T OK]");
}

// Everything after the header line: one row per point.
void AppendRows(std::string& out, std::int32_t n, const float* radius, const float* value,
                const float* third, char type) {
    for (std::int32_t i = 1; i <= n; ++i) {
        if (third)
            AppendFormat(out, "   %1.4f  %1.5e   %1.5e \n", radius[i], value[i], third[i]);
        else if (type != 'P')
            AppendFormat(out, "   %1.4f  %1.5e   %1.5e \n", radius[i], value[i], 0.0);
        else
            AppendFormat(out, "   %1.4f  %1.5e \n", radius[i], value[i]);
    }
}

int WriteText(const char* path, const std::string& text, FileTime creation, FileTime access,
              FileTime write, std::int32_t timesValid) {
    if (!path || !plat::WriteFileAtomically(path, text)) {
        std::printf("\n\aAttention: could not open %s", path ? path : "");
        std::fflush(stdout);
        return 0;
    }
    if (timesValid)
        plat::SetFileTimes(path, plat::FileTimes{creation, access, write});
    return 1;
}

// The whole file: line 1 with its tag, the header line with its seventh field already
// formatted, and the rows.
int WriteScanText(const char* path, std::int32_t pointCount, const float* radius,
                  const float* value, const float* third, const char* description, char type,
                  std::int32_t cell, float temperature, float rotorSpeed, double time,
                  double omega2t, const std::string& seventh, std::int32_t lastHeaderNumber,
                  FileTime creation, FileTime access, FileTime write, std::int32_t timesValid) {
    std::string out;
    const char* line1 = description ? description : "";
    if (!HasTag(line1))
        out += "[T OK]";
    out += line1;
    out += '\n';
    AppendFormat(out, "%c %d %2.1f %ld %ld %1.4e %s %d\n", type, cell, temperature,
                 WholeNumber(rotorSpeed), WholeNumber(time),
                 static_cast<double>(static_cast<float>(omega2t)), seventh.c_str(),
                 lastHeaderNumber);
    AppendRows(out, pointCount, radius, value, third, type);
    return WriteText(path, out, creation, access, write, timesValid);
}

} // namespace

int WriteScanFile(const char* path, std::int32_t pointCount, const float* radius,
                  const float* value, const float* third, const char* description, char type,
                  std::int32_t cell, float temperature, float rotorSpeed, double time,
                  double omega2t, int wavelength, std::int32_t lastHeaderNumber, FileTime creation,
                  FileTime access, FileTime write, std::int32_t timesValid) {
    CLocaleScope cLocale;
    std::string seventh;
    AppendFormat(seventh, "%d", wavelength);
    return WriteScanText(path, pointCount, radius, value, third, description, type, cell,
                         temperature, rotorSpeed, time, omega2t, seventh, lastHeaderNumber,
                         creation, access, write, timesValid);
}

int WriteScanFile(const char* path, std::int32_t pointCount, const float* radius,
                  const float* value, const float* third, const char* description, char type,
                  std::int32_t cell, float temperature, float rotorSpeed, double time,
                  double omega2t, float wavelength, std::int32_t lastHeaderNumber,
                  FileTime creation, FileTime access, FileTime write, std::int32_t timesValid) {
    CLocaleScope cLocale;
    std::string seventh;
    AppendFormat(seventh, "%1.3f", wavelength);
    return WriteScanText(path, pointCount, radius, value, third, description, type, cell,
                         temperature, rotorSpeed, time, omega2t, seventh, lastHeaderNumber,
                         creation, access, write, timesValid);
}

int SaveScan(const char* path, std::int32_t pointCount, const float* radius, const float* value,
             const float* third, const char* description, const ScanHeader& h, int wavelength) {
    return WriteScanFile(path, pointCount, radius, value, third, description, h.dataType, h.cell,
                         h.temperature, h.rotorSpeed, h.originalTime, h.omega2t, wavelength,
                         h.lastHeaderNumber, h.creationTime, h.lastAccessTime, h.lastWriteTime,
                         h.fileTimesValid);
}

int SaveScan(const char* path, std::int32_t pointCount, const float* radius, const float* value,
             const float* third, const char* description, const ScanHeader& h, float wavelength) {
    return WriteScanFile(path, pointCount, radius, value, third, description, h.dataType, h.cell,
                         h.temperature, h.rotorSpeed, h.originalTime, h.omega2t, wavelength,
                         h.lastHeaderNumber, h.creationTime, h.lastAccessTime, h.lastWriteTime,
                         h.fileTimesValid);
}

int ScanTimeStampTag(const char* path, std::int32_t pointCount, const float* radius,
                     const float* value, const float* third, const char* description, bool checked,
                     const ScanHeader& header) {
    (void)checked; // every written file carries a tag
    const char* line1 = description ? description : header.description;
    if (header.dataType == 'W' || header.dataType == 'V')
        return SaveScan(path, pointCount, radius, value, third, line1, header, header.wavelength);
    double w = std::trunc(static_cast<double>(header.wavelength));
    int whole = (w >= -2147483648.0 && w <= 2147483647.0) ? static_cast<int>(w) : 0;
    return SaveScan(path, pointCount, radius, value, third, line1, header, whole);
}
