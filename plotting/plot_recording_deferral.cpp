// Deferred recording of plots: a batch lays out and redraws its plots for every set, but only the
// last set's pictures are ever seen, so each noted plot is recorded once, when deferral ends or
// its picture is asked for.
#include "plotting/plot_recording_deferral.h"

#include "plotting/win_plot.h"

#include <algorithm>
#include <vector>

namespace {

bool gDeferred = false;

struct NotedPlot {
    CWINPlot* plot;
    int draws;
};

std::vector<NotedPlot>& Noted() {
    static std::vector<NotedPlot> plots;
    return plots;
}

std::vector<NotedPlot>::iterator Find(CWINPlot* plot) {
    std::vector<NotedPlot>& noted = Noted();
    return std::find_if(noted.begin(), noted.end(),
                        [plot](const NotedPlot& n) { return n.plot == plot; });
}

} // namespace

bool NoteDeferredDraw(CWINPlot* plot) {
    if (!gDeferred)
        return false;
    const auto it = Find(plot);
    if (it == Noted().end())
        Noted().push_back({plot, 1});
    else
        ++it->draws;
    return true;
}

int ForgetDeferredDraw(CWINPlot* plot) {
    const auto it = Find(plot);
    if (it == Noted().end())
        return 0;
    const int draws = it->draws;
    Noted().erase(it);
    return draws;
}

void CWINPlot::DeferRecording(bool on) {
    gDeferred = on;
    if (on)
        return;
    // In the order first drawn; a plot recorded here is no longer noted.
    std::vector<NotedPlot> noted;
    noted.swap(Noted());
    for (const NotedPlot& n : noted)
        RecordDeferredDraws(n.plot, n.draws);
}

void RecordDeferredDraws(CWINPlot* plot, int draws) {
    for (int k = 0; k < std::min(draws, 2); ++k)
        plot->RecordNow();
}

HMETAFILE CWINPlot::Picture() {
    RecordDeferredDraws(this, ForgetDeferredDraw(this));
    return metaFile;
}
