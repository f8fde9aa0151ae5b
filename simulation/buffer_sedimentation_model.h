// The buffer-mismatch signal of every scan: both sectors' buffer sedimentation from the records,
// signed as the signal appears in the data.
#pragma once

#include "simulation/buffer_sed_solver.h"

class TXLAWindow;

// The two sides of one evaluation: [0] the sample sector, [1] the reference sector (empty when
// it carries no buffer excess). Profiles are per scan position (scan order, from 0).
struct BufferSignal {
    BufferSideResult side[2];
    double sign[2] = {1.0, -1.0};
    bool singular = false;
    bool interrupted = false;
};

// The problems of both sides from BufferSedimentation, the cell and the scans, for a signal of
// `amplitude` (the loading of the sample side; the reference side's is amplitude / relative
// concentration). Also brings D, s and Mb into their working ranges as a run does: D within
// 0.01..1000, Mb at least 10, a relative concentration of 0 taken as 1e-6.
void BufferSideProblems(double amplitude, BufferSideProblem problems[2]);

// Simulates both sides for the given amplitude; a key press ends the side that is running.
BufferSignal ComputeBufferSignal(double amplitude);

// True when both sides were solved. A singular system is said in a box ("singular tridiagonal
// matrix in buffer sedimentation!") before false; a key press gives false without one.
bool BufferSignalSolved(TXLAWindow* window, const BufferSignal& signal);

// Adds the signal at scan position pos (1-based, scan order) onto the radii x[1..n] into y, times
// scale; radii outside a side's cell get nothing from that side.
void AddBufferSignal(const BufferSignal& signal, int pos, const float* x, int n, float* y,
                     double scale = 1.0);
