// Protein Solutions exports holding several measurements: version 4 (one channel list per
// "Measurement number k"), 5.20.05 (a summary table after "SOS" and the channel lists) and
// 5.26.38 (the summary and one coefficient table of every measurement and their average).
#include "scandata/dls_export_readers.h"
#include "scandata/dls_export_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kMaxChannels = 100000;

struct Named {
    std::string path;
    DlsExportCurve curve;
};

std::string InFolderOf(const char* target, const std::string& name) {
    return (std::filesystem::path(target).parent_path() / (name + ".dlsdat")).string();
}

std::string Numbered(const char* target, int k) {
    char name[32];
    std::snprintf(name, sizeof name, "%05d", k);
    return InFolderOf(target, name);
}

// Writes every curve once the replacement of existing files is agreed; -1 when it is not, 0
// when a write fails or there is nothing to write, else the count written.
int WriteAll(const std::vector<Named>& files, const DlsReplaceQuestion& mayReplace) {
    if (files.empty())
        return 0;
    for (const Named& f : files)
        if (!DlsExportCurveWritable(f.curve))
            return 0;
    std::vector<std::string> existing;
    for (const Named& f : files)
        if (std::filesystem::exists(f.path))
            existing.push_back(f.path);
    if (!existing.empty() && mayReplace && !mayReplace(existing))
        return -1;
    int written = 0;
    for (const Named& f : files)
        written += WriteDlsExportCurve(f.path.c_str(), f.curve) ? 1 : 0;
    return written == static_cast<int>(files.size()) ? written : 0;
}

// Number of labels "Measurement number " in the text.
int CountMeasurements(const std::string& text) {
    int m = 0;
    for (std::size_t at = text.find("Measurement number "); at != std::string::npos;
         at = text.find("Measurement number ", at + 1))
        ++m;
    return m;
}

// The N channels of measurement k: the stream starts 26 characters after its label; lag in s and
// g(2) minus 1. False when the label is missing or the channels run out.
bool ReadMeasurement(DlsExportText& file, int k, int channels, DlsExportCurve* curve) {
    const std::string label = "Measurement number " + std::to_string(k);
    std::size_t at = file.Find(label);
    // "Measurement number 1" must not stand for number 10.
    while (at != std::string::npos && at + label.size() < file.text().size() &&
           std::isdigit(static_cast<unsigned char>(file.text()[at + label.size()])))
        at = file.Find(label, at + 1);
    if (at == std::string::npos)
        return false;
    file.pos = at + label.size() + 26;
    for (int i = 0; i < channels; ++i) {
        double lag = 0.0, g2 = 0.0;
        if (!file.Token(&lag) || !file.Token(&g2))
            return false;
        curve->lags.push_back(lag);
        curve->values.push_back(g2 - 1.0);
    }
    return true;
}

bool ChannelsPlausible(int channels) {
    return channels >= 1 && channels <= kMaxChannels;
}

// The summary rows begin on the line after the one holding "SOS" (in the exports' CR LF text,
// five characters after its start).
std::size_t RowsAfter(const std::string& text, std::size_t sos) {
    const std::size_t lf = text.find('\n', sos);
    return lf == std::string::npos ? text.size() : lf + 1;
}

// Line feeds from first up to the next stop character, minus 1; 0 without one.
int CountSummaryRows(const std::string& text, std::size_t first, char stop) {
    if (first >= text.size())
        return 0;
    std::size_t end = text.find(stop, first);
    if (end == std::string::npos)
        return 0;
    int feeds = 0;
    for (std::size_t i = first; i < end; ++i)
        feeds += text[i] == '\n' ? 1 : 0;
    return feeds - 1;
}

struct SummaryRow {
    double time = 0.0, temperature = 0.0, countRate = 0.0;
};

// What every curve of one export carries: its source, a summary row and the optics entered or read.
void DescribeCurve(const char* source, const SummaryRow& row, double refractiveIndex,
                   double viscosity, double angle, double wavelength, DlsExportCurve* curve) {
    curve->title = source;
    curve->temperature = row.temperature;
    curve->time = row.time;
    curve->countRate = row.countRate;
    curve->refractiveIndex = refractiveIndex;
    curve->viscosity = viscosity;
    curve->angle = angle;
    curve->wavelength = wavelength;
}

// rows of width tokens from start: the time, temperature and count rate at the given token
// numbers (1-based). False when the text ends first.
bool ReadSummary(DlsExportText& file, std::size_t start, int rows, int width, int timeToken,
                 int temperatureToken, int countToken, std::vector<SummaryRow>* out) {
    file.pos = start;
    for (int r = 0; r < rows; ++r) {
        SummaryRow row;
        for (int t = 1; t <= width; ++t) {
            double v = 0.0;
            if (!file.Token(&v))
                return false;
            if (t == timeToken)
                row.time = v;
            else if (t == temperatureToken)
                row.temperature = v;
            else if (t == countToken)
                row.countRate = v;
        }
        out->push_back(row);
    }
    return true;
}

// The first token at offset characters after the start of key.
bool KeyValue(const DlsExportText& file, const char* key, std::size_t offset, double* value) {
    std::size_t at = file.Find(key);
    if (at == std::string::npos || at + offset > file.text().size())
        return false;
    DlsExportText rest(file.text().substr(at + offset, 200));
    return rest.Token(value);
}

} // namespace

int ReadDlsProteinSolutions4(const char* source, const char* target, float refractiveIndex,
                             float viscosity, float wavelength, float angle, float temperature,
                             int channels, const DlsReplaceQuestion& mayReplace) {
    DlsExportText file("");
    if (!target || !ChannelsPlausible(channels) || !file.Load(source))
        return 0;
    const int m = CountMeasurements(file.text());
    std::vector<Named> files;
    std::vector<double> sum;
    for (int k = 1; k <= m; ++k) {
        DlsExportCurve curve;
        if (!ReadMeasurement(file, k, channels, &curve))
            break; // the measurements reached are kept
        DescribeCurve(source, {double(k), temperature, 1.0}, refractiveIndex, viscosity, angle,
                      wavelength, &curve);
        sum.resize(curve.values.size(), 0.0);
        for (std::size_t i = 0; i < sum.size(); ++i)
            sum[i] += curve.values[i];
        files.push_back({Numbered(target, k), curve});
    }
    if (files.empty())
        return 0;
    DlsExportCurve average = files.front().curve;
    for (std::size_t i = 0; i < sum.size(); ++i)
        average.values[i] = sum[i] / static_cast<double>(files.size());
    average.time = 0.0;
    files.push_back({InFolderOf(target, "average"), average});
    const int written = WriteAll(files, mayReplace);
    return written > 0 ? 1 : written;
}

int ReadDlsProteinSolutions520(const char* source, const char* target, float refractiveIndex,
                               float viscosity, int channels, float angle, float wavelength,
                               const DlsReplaceQuestion& mayReplace) {
    DlsExportText file("");
    if (!target || !ChannelsPlausible(channels) || !file.Load(source))
        return 0;
    const std::size_t sos = file.Find("SOS");
    if (sos == std::string::npos)
        return 0;
    const std::size_t rows = RowsAfter(file.text(), sos);
    const int m = CountSummaryRows(file.text(), rows, 'M');
    std::vector<SummaryRow> summary;
    if (m < 1 || !ReadSummary(file, rows, m, 17, 2, 14, 15, &summary))
        return 0;
    std::vector<Named> files;
    for (int k = 1; k <= m; ++k) {
        DlsExportCurve curve;
        if (!ReadMeasurement(file, k, channels, &curve))
            break;
        const SummaryRow& row = summary[static_cast<std::size_t>(k - 1)];
        DescribeCurve(source, row, refractiveIndex, viscosity, angle, wavelength, &curve);
        files.push_back({Numbered(target, k), curve});
    }
    return WriteAll(files, mayReplace);
}

int ReadDlsProteinSolutions526(const char* source, const char* target, float refractiveIndex,
                               float viscosity, int channels, bool timeCourse,
                               const DlsReplaceQuestion& mayReplace) {
    DlsExportText file("");
    if (!target || !ChannelsPlausible(channels) || !file.Load(source))
        return 0;
    double angstrom = 0.0, angle = 0.0;
    if (!KeyValue(file, "Laser Wavelength (A)   =", 24, &angstrom) ||
        !KeyValue(file, "Scattering Angle (deg) =", 24, &angle))
        return 0;
    const std::size_t sos = file.Find("SOS");
    const std::size_t table = file.Find("Coefficients (Ave)");
    if (sos == std::string::npos || table == std::string::npos)
        return 0;
    const std::size_t rows = RowsAfter(file.text(), sos);
    const int m = CountSummaryRows(file.text(), rows, '-');
    std::vector<SummaryRow> summary;
    if (m < 1 || !ReadSummary(file, rows, m, 11, 2, 8, 9, &summary))
        return 0;
    // N rows: the lag, one column per measurement and the average column.
    const std::size_t columns = static_cast<std::size_t>(m) + 1;
    std::vector<double> lags;
    std::vector<std::vector<double>> values(columns);
    file.pos = table + 18;
    for (int i = 0; i < channels; ++i) {
        double lag = 0.0;
        if (!file.Token(&lag))
            return 0;
        lags.push_back(lag);
        for (std::vector<double>& column : values) {
            double v = 0.0;
            if (!file.Token(&v))
                return 0;
            column.push_back(v - 1.0);
        }
    }
    auto curveOf = [&](std::size_t column, const SummaryRow& row) {
        DlsExportCurve curve;
        curve.lags = lags;
        curve.values = values[column];
        DescribeCurve(source, row, refractiveIndex, viscosity, angle, angstrom * 1e-10, &curve);
        return curve;
    };
    std::vector<Named> files;
    SummaryRow mean;
    for (int k = 1; k <= m; ++k) {
        const SummaryRow& row = summary[static_cast<std::size_t>(k - 1)];
        mean.temperature += row.temperature / m;
        mean.time += row.time / m;
        mean.countRate += row.countRate / m;
        if (timeCourse)
            files.push_back({Numbered(target, k), curveOf(static_cast<std::size_t>(k - 1), row)});
    }
    mean.time = std::trunc(mean.time);
    files.push_back({InFolderOf(target, "average"), curveOf(columns - 1, mean)});
    const int written = WriteAll(files, mayReplace);
    return written > 0 ? m : written;
}
