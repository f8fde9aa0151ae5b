// Readers of the text exports of light-scattering instrument programs: each finds the
// autocorrelation data and the measurement conditions in one export, completes them with the
// values given and writes the program's own ".dlsdat" files. Every reader returns 0 and writes
// nothing when the source cannot be read or is damaged (a key, a mark or a data row missing, a
// channel count or a baseline that cannot be, a lag that is not a positive number).
#pragma once

#include <functional>
#include <string>
#include <vector>

// Asked with the paths of existing files a reader is about to replace; true to replace them.
using DlsReplaceQuestion = std::function<bool(const std::vector<std::string>&)>;

// One point per line after the line holding "Coef": lag in microseconds and g(2). Dynamics 7
// exports are comma separated; version 6.2.05 exports blank separated. 1 when written.
int ReadDlsDynamics7(const char* source, const char* target, float refractiveIndex, float viscosity,
                     float wavelength, float angle, float temperature);
int ReadDlsProteinSolutions62(const char* source, const char* target, float refractiveIndex,
                              float viscosity, float wavelength, float angle, float temperature);
// A runtime report: keyed header values and the channels "ARG[i] =" / "ACF[i] =".
int ReadDlsPhotoCor(const char* source, const char* target);
// An ASCII export with its keyed, tab-separated header and the lag table in milliseconds.
int ReadDlsAlv(const char* source, const char* target);
// Fixed token sequences: the header, the channel count, the baseline, the raw pairs.
int ReadDlsBic(const char* source, const char* target);
int ReadDlsBicDos(const char* source, const char* target);
// Two columns, lag (in units of lagUnit seconds) and g(2) in counts (divided by the baseline
// count rate), sorted by lag.
int ReadDlsTwoColumn(const char* source, const char* target, float lagUnit, float baseline,
                     float temperature, float time, float countRate, float refractiveIndex,
                     float viscosity, float angle, float wavelength);
// Two columns, lag in microseconds and g(2)-1, kept in the file's order.
int ReadDlsTwoColumnG2(const char* source, const char* target, float temperature, float time,
                       float countRate, float refractiveIndex, float viscosity, float angle,
                       float wavelength);

// Protein Solutions exports of several measurements, each "Measurement number k" followed by its
// channels (lag in s, g(2)). They write "00001.dlsdat", "00002.dlsdat", ... and, for version 4
// and 5.26.38, "average.dlsdat" into the folder of target, whatever its name. Before any file of
// those names is replaced, mayReplace is asked once with the names that exist; false ends the
// reader with -1 and nothing written. Version 4: the given conditions, time k s, count rate 1;
// 1 when at least one measurement was written.
int ReadDlsProteinSolutions4(const char* source, const char* target, float refractiveIndex,
                             float viscosity, float wavelength, float angle, float temperature,
                             int channels, const DlsReplaceQuestion& mayReplace);
// Version 5.20.05: each measurement's time, temperature and count rate from the summary table
// after "SOS"; the number of measurements written.
int ReadDlsProteinSolutions520(const char* source, const char* target, float refractiveIndex,
                               float viscosity, int channels, float angle, float wavelength,
                               const DlsReplaceQuestion& mayReplace);
// Version 5.26.38: wavelength and angle from the export, the summary after "SOS" and one table of
// every measurement's coefficients and their average after "Coefficients (Ave)". The average is
// always written, each measurement when timeCourse is set; the number of measurements.
int ReadDlsProteinSolutions526(const char* source, const char* target, float refractiveIndex,
                               float viscosity, int channels, bool timeCourse,
                               const DlsReplaceQuestion& mayReplace);
