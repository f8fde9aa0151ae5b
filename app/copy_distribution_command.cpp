// "Copy Distribution": the distribution held, as a table for a spreadsheet. The ls-g*(s) area
// extrapolation offers its scans' curves instead, a result computed with both regularizations
// asks which one, and the c(s,ff0) models offer their two-dimensional table.
#include "app/copy_fit_limits.h"
#include "app/txla_window.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_grid.h"
#include "distributions/size_shape_slices.h"
#include "fitting/params_transfer.h"
#include "foundations/clipboard_table.h"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/scan_store.h"

#include <vector>

namespace {

using C = ContiState;
using M = ModelChoice;

bool HaveDistribution() {
    return C::sValues && C::distribution && C::gridPoints >= 1;
}

// The abscissa the value column is copied against: molar masses for the c(M) models, the held
// abscissa (s, or the light-scattering models' own) for the others.
const float* AbscissaColumn() {
    const bool dls = IsDlsVariant(CurrentContiVariant());
    if (!dls && !M::gStarFamily && DistributionRangeIsMass() && C::mValues)
        return C::mValues;
    return C::sValues;
}

// The ls-g*(s) of each scan of the area-fraction extrapolation over its s grid; false when the
// analysis kept none.
bool CopyLsgCurves(TXLAWindow* window) {
    using B = BoundaryAnalysis;
    const int rows = static_cast<int>(B::lsgGrid.size());
    const int count = static_cast<int>(B::lsgCurves.size());
    if (rows < 1 || count < 1)
        return false;
    std::vector<float> x(std::size_t(rows) + 1, 0.0f);
    for (int i = 0; i < rows; ++i)
        x[std::size_t(i) + 1] = static_cast<float>(B::lsgGrid[std::size_t(i)]);
    std::vector<std::vector<float>> values(std::size_t(count),
                                           std::vector<float>(std::size_t(rows) + 1, 0.0f));
    std::vector<const float*> columns(std::size_t(count) + 1, nullptr);
    for (int k = 0; k < count; ++k) {
        const std::vector<double>& curve = B::lsgCurves[std::size_t(k)];
        for (int i = 0; i < rows && i < static_cast<int>(curve.size()); ++i)
            values[std::size_t(k)][std::size_t(i) + 1] = static_cast<float>(curve[std::size_t(i)]);
        columns[std::size_t(k) + 1] = values[std::size_t(k)].data();
    }
    CopyColumnsToClipboard(window, x.data(), columns.data(), 1, rows, count);
    return true;
}

void CopyOneColumn(TXLAWindow* window, const float* x, const float* values) {
    const float* columns[2] = {nullptr, values};
    CopyColumnsToClipboard(window, x, columns, 1, C::gridPoints, 1);
}

} // namespace

void TXLAWindow::CmCopyDistribution() {
    if (ScanStore::scanCount < 1 || !ModelShowsDistribution())
        return;
    SetCursor(IDC_WAIT);
    GuardCopyFitLimits(true);
    if (M::lsgExtrapolation) {
        if (MessageBox("ls-g*(s) distributions?", "", MB_YESNO) == IDYES)
            CopyLsgCurves(this);
        else if (HaveDistribution())
            CopyOneColumn(this, C::sValues, C::distribution);
    } else if (SizeShapeModel()) {
        if (HaveDistribution()) {
            if (MessageBox("2d distributions?", "", MB_YESNO) != IDYES) {
                CopyOneColumn(this, C::sValues, C::distribution);
            } else {
                // One row per f/f0 grid value: M, c, D, Rh and s of that shape.
                const SizeShapeSlices t = SizeShapeSlicesOfHeld();
                if (t.count >= 1) {
                    const float* columns[6] = {nullptr,    t.M.data(),  t.c.data(),
                                               t.D.data(), t.Rh.data(), t.s.data()};
                    CopyColumnsToClipboard(this, t.ff0.data(), columns, 1, t.count, 5);
                }
            }
        }
    } else if (HaveDistribution()) {
        const float* values = C::distribution;
        // Both regularizations computed: the maximum-entropy result is the main one.
        if (C::showBothRegularizations && C::secondDistribution &&
            MessageBox("Max Ent distribution?", "", MB_YESNO) != IDYES)
            values = MessageBox("Tikhonov distribution?", "", MB_YESNO) == IDYES
                         ? C::secondDistribution
                         : nullptr;
        if (values)
            CopyOneColumn(this, AbscissaColumn(), values);
    }
    SetCursor(IDC_ARROW);
}
