// The loop of the module roads that solve a distribution kernel one grid point after another.
#pragma once

#include "lamm/lamm_result.h"

#include <functional>

class TXLAWindow;

// Solves columns 1..columns in order with solve(p), which runs one Lamm solution into column p
// and returns its result (LammResult::Solved when it holds). The loop stops at the first
// failure, said with its error box, or at a key press; then it frees the kernel and returns false.
bool SolveKernelColumns(TXLAWindow* window, int columns,
                        const std::function<LammResult(int)>& solve);
