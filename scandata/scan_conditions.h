// The recorded run conditions of the loaded scans, checked before a sedimentation model is
// computed from them.
#pragma once

#include <string>

// No rotor turns faster than this; a larger recorded speed is a damaged header.
inline constexpr double kMaxRotorSpeedRpm = 1e6;
// No cell bottom lies further from the axis than this (cm).
inline constexpr double kMaxBottomCm = 30.0;

// A meniscus that does not lie inside the cell (above 0, below the bottom) or a bottom beyond any
// rotor: a text naming the value. Empty when a model can be computed in this cell.
std::string CheckCellGeometry(double meniscusCm, double bottomCm);

// The first scan whose rotor speed is not positive or beyond any rotor, whose temperature is not
// above absolute zero, or whose time is not a finite, non-negative number of seconds: a text
// naming the scan and the value. Empty when every scan can be simulated. Without rotorTurns
// (electrophoresis: the field drives the particles) the rotor speed is not looked at.
std::string CheckScanConditions(bool rotorTurns = true);
