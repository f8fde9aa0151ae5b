// Small owners around CWINPlot.
#include "plotting/plot_owners.h"

#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "plat/clipboard.hpp"

CAdHocPlot::CAdHocPlot() : plot(new CWINPlot) {}

CAdHocPlot::~CAdHocPlot() {
    delete plot;
}

bool CAdHocPlot::AddCurve(float* x, float* y, int n) {
    if (x == nullptr || y == nullptr || n <= 0 || int(curves_.size()) >= kMaxCurves)
        return false;
    auto vx = std::make_unique<CVector>();
    auto vy = std::make_unique<CVector>();
    vx->Attach(x, std::uint32_t(n), 1);
    vy->Attach(y, std::uint32_t(n), 1);
    curves_.push_back(std::make_unique<CCurve>(vx.get(), vy.get()));
    views_.push_back(std::move(vx));
    views_.push_back(std::move(vy));
    plot->AddCurve(curves_.back().get());
    return true;
}

CWINPlotFrames::~CWINPlotFrames() {
    DeleteAllFrames();
}

void CWINPlotFrames::AllocateFrames(int n) {
    DeleteAllFrames();
    frames_.assign(std::size_t(n > 0 ? n : 0) + 1, nullptr);
}

bool CWINPlotFrames::RecordFrame(int i) {
    if (i < 1 || i > FrameCount() || !RecordNow())
        return false;
    // The picture leaves the plot's keeping, so the next drawing does not delete it.
    DeleteMetaFile(frames_[std::size_t(i)]);
    frames_[std::size_t(i)] = metaFile;
    metaFile = nullptr;
    ownsMetaFile = 0;
    return true;
}

HMETAFILE CWINPlotFrames::GetFrame(int i) const {
    return (i >= 1 && i <= FrameCount()) ? frames_[std::size_t(i)] : nullptr;
}

void CWINPlotFrames::DeleteAllFrames() {
    for (HMETAFILE mf : frames_)
        DeleteMetaFile(mf);
    frames_.clear();
}

bool CopyMetafileToClipboard(HWND owner, HMETAFILE picture) {
    if (picture == nullptr)
        return false;
    TClipboard clipboard(owner);
    if (!clipboard.IsOpen())
        return false;
    clipboard.EmptyClipboard();
    clipboard.SetPicture(std::make_shared<const MetaFile>(*picture), TSize{13000, 9000});
    clipboard.CloseClipboard();
    return true;
}
