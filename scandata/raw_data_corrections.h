// Corrections of the loaded scans in memory: sign, radial axis and calibration, times, cut
// regions, scale and noise, blank, constant and simulated-model subtraction, and aligned copies.
// Each changes ScanStore directly; nothing reaches the disk until the data set is saved.
#pragma once

#include <string>

// Those that refuse light-scattering data say "not implemented for DLS data"; all do nothing
// without scans.

// signal x= factor; the grid is rebuilt.
void InvertRawData(float factor);
// radius = a x radius + b; the grid is rebuilt.
void RecalibrateRadius(float a, float b);
// Every scan's originalTime += dt and omega2t += dw; the analysis time is left as it is, so
// the shift shows once the data are saved and loaded again.
void AddTimeOffset(float dt, float dw);
// signal += factor x fit; the grid is rebuilt.
void AddSimulatedScans(float factor);
// Exchanges the radial positions r1 and r2 (radius = r1 + r2 - radius), optionally turns the
// signal upside down, and reverses each scan's points so radii ascend again; the grid is
// rebuilt and the fit limits re-applied.
void MirrorRawData(float r1, float r2, bool flip);
// Only for sigma >= 0: signal = factor x signal + a normal deviate of standard deviation sigma
// per point, drawn by deviate (GaussRandom when null); the grid is rebuilt.
void ScaleScanSignals(float sigma, float factor, double (*deviate)(float) = nullptr);
// signal -= the blank scan at path, interpolated onto each scan's radii; the grid is rebuilt.
// A blank that does not read changes nothing ("LOAD ERROR").
void SubtractBlankScan(const std::string& path);
// signal -= value; the grid and its statistics are rebuilt.
void SubtractConstantFromScans(float value);
// Removes every point with lo <= radius <= hi from every scan; nothing when hi < lo or the
// region reaches outside scan 1. The grid is rebuilt and the fit limits re-applied.
void ExcludeRadialRegion(float lo, float hi);
// Writes every scan as an aligned copy named by the result-file rule with the letter 'a';
// false, with a box, when a file could not be written.
bool SaveAlignedScans(const std::string& path);
