// What the window shows while the normal equations of a distribution are computed.
#pragma once

#include "state/compute_observer.h"

// From construction to destruction: the text "calculating normal equations" at (10, 50) and a
// blue progress line at (10, 65), shown by the observer given; nothing while a fit is in
// progress.
class ContiProgress {
  public:
    explicit ContiProgress(CComputeObserver& observer);
    ~ContiProgress();
    ContiProgress(const ContiProgress&) = delete;
    ContiProgress& operator=(const ContiProgress&) = delete;

    // The fraction of the normal equations done (0..1).
    void Draw(double fraction);

  private:
    CProgress line_;
};
