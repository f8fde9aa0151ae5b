// Small owners around CWINPlot: a plot of curves over caller buffers, a plot that keeps a list of
// recorded frames, and the copy of a picture to the clipboard.
#pragma once

#include "plat/messages.hpp"
#include "plat/metafile.hpp"
#include "plotting/win_plot.h"

#include <memory>
#include <vector>

class CVector;
class CCurve;

// One plot and up to 100 curves viewing the caller's 1-based buffers x[1..n], y[1..n], which
// must outlive it.
class CAdHocPlot {
  public:
    static constexpr int kMaxCurves = 100;
    CAdHocPlot();
    ~CAdHocPlot();
    CAdHocPlot(const CAdHocPlot&) = delete;
    CAdHocPlot& operator=(const CAdHocPlot&) = delete;

    // False when the plot holds 100 curves already or the buffers are missing.
    bool AddCurve(float* x, float* y, int n);
    CWINPlot* plot;

  private:
    std::vector<std::unique_ptr<CVector>> views_;
    std::vector<std::unique_ptr<CCurve>> curves_;
};

// A plot that keeps the pictures of successive drawings as a 1-based list of frames. CWINPlot has
// no virtual destructor: delete it as a CWINPlotFrames.
class CWINPlotFrames : public CWINPlot {
  public:
    ~CWINPlotFrames();
    // Deletes the frames held and makes room for n.
    void AllocateFrames(int n);
    // Draws the plot and keeps the picture as frame i (1 .. n); false when nothing was recorded.
    bool RecordFrame(int i);
    // Frame i, still owned by the plot; null outside 1 .. n or when not recorded.
    HMETAFILE GetFrame(int i) const;
    void DeleteAllFrames();
    int FrameCount() const { return int(frames_.size()) - 1; }

  private:
    std::vector<HMETAFILE> frames_;
};

// Puts a copy of the picture on the clipboard as a picture of 13000 x 9000 hundredths of a
// millimetre; false when there is no picture or the clipboard cannot be opened.
bool CopyMetafileToClipboard(HWND owner, HMETAFILE picture);
