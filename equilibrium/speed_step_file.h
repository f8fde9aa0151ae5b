// The speed program of the overspeed planner as a text file for the run's method: one step a
// line, start (s), speed (rpm) and rate (rpm/s) separated by tabs.
#pragma once

#include "equilibrium/speed_program.h"

#include <string>

// The steps' text: "%f\t%f\t%f" per step, a line end after every step but the last.
std::string SpeedStepText(const SpeedSteps& steps);
// Writes the text whole or not at all (a temporary file renamed over path). False, with the
// previous file untouched, when there are no steps or any write failed.
bool WriteSpeedStepFile(const SpeedSteps& steps, const std::string& path);
