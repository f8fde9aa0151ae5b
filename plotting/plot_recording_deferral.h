// The plots whose Draw waits for recording while recording is deferred (CWINPlot::DeferRecording).
#pragma once

class CWINPlot;

// True when recording is deferred: plot is then noted, with the number of its Draws meanwhile.
bool NoteDeferredDraw(CWINPlot* plot);
// Takes plot off the notes; the number of its Draws noted (0 when it was not noted).
int ForgetDeferredDraw(CWINPlot* plot);
// Records a plot whose Draw was called draws times while deferred, as those Draws would have:
// a recording after the first reaches out to the widest y tick label (the frame an earlier
// recording measured), so a plot drawn more than once is recorded twice.
void RecordDeferredDraws(CWINPlot* plot, int draws);
