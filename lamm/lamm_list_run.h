// Solving lists of Lamm equations that share one loaded template: in worker threads or in turn.
#pragma once

#include "lamm/lamm_result.h"

#include <functional>

class CLammIdeal;

// A list whose equations were not all solved because the user stopped it returns
// LammResult::ListStopped (the list is not to be used; the rows of the unsolved equations are
// cleared).
// The files the equations could not write are added to tmpl->unwrittenFiles, for the caller to
// name.

// Calls with an equation's number on the thread that solves it, each of which may read and write
// the equation's rows and what belongs to that equation alone: starting right before the equation
// begins (not for the kept ones, nor for those a stop or failure left unbegun), solved right after
// it was solved to its end (not after a failure or a stop), while its rows are still in that
// core's cache. Either may be empty.
struct LammListCalls {
    std::function<void(int equation)> starting, solved;
};

// Largest number of Lamm worker threads; the preference may ask for any number.
constexpr int kMaxLammThreads = 64;

// The worker thread count from the preference, held to [1, kMaxLammThreads].
int LammThreadCount();

// Equation j (1..n) is s[j], D[j] (and vbar[j], or the template's vbar when vbar is null), written
// into targets[j][scan header index][1..points]. The radii are the shared output grid, or, when
// it is null, the radii and point counts per scan. solved (optional, [1..n]) gets 1 for every
// equation solved to its end and 0 for the others. kept (optional, [1..n]): the equations with
// kept[j] != 0 are not solved again, their rows left as they are, and count as solved; the
// others keep their place (j) in the list. Returns LammResult::Solved when every equation was
// solved, the code of the last failing thread in thread order, or LammResult::ListStopped.
// calls (optional) go to the equations as LammListCalls says.
LammResult CLRunMTList(CLammIdeal* tmpl, int n, const double* s, const double* D,
                       const double* vbar, float*** targets, const float* radii, int radiusCount,
                       float** scanRadii, const int* scanCounts, int* solved = nullptr,
                       const int* kept = nullptr, const LammListCalls* calls = nullptr);
// The same threads, for an explicit thread count (the driver's own tests and benchmarks).
LammResult CLRunMTListWithThreads(int threadCount, CLammIdeal* tmpl, int n, const double* s,
                                  const double* D, const double* vbar, float*** targets,
                                  const float* radii, int radiusCount, float** scanRadii,
                                  const int* scanCounts, int* solved = nullptr,
                                  const int* kept = nullptr, const LammListCalls* calls = nullptr);
// The list in turn on the calling thread; the result code of the last equation run, or
// LammResult::ListStopped when a key press left equations unsolved.
LammResult CLRunList(CLammIdeal* tmpl, int n, const double* s, const double* D, const double* vbar,
                     float*** targets, const float* radii, int radiusCount, float** scanRadii,
                     const int* scanCounts, int* solved = nullptr);
// Sequential list with one vbar for all equations.
LammResult CLRunListSingleVbar(CLammIdeal* tmpl, int n, const double* s, const double* D,
                               float vbar, float*** targets, const float* radii, int radiusCount,
                               float** scanRadii, const int* scanCounts);
