// The transforms of the held distribution: s to s20,w (836), s to hydrodynamic radius (525),
// c(s) to c(M) (589) and differential to integral (460).
#include "app/txla_window.h"
#include "distributions/distribution_transforms.h"
#include "state/window_services.h"

namespace {

constexpr const char* kCaption = "TRANSFORM DISTRIBUTION";

} // namespace

void TXLAWindow::TransformDistribution(int kind) {
    SetCursor(IDC_WAIT);
    const auto transform = static_cast<DistributionTransform>(kind);
    const TransformRefusal refusal = TransformHeldDistribution(this, transform);
    SetCursor(IDC_ARROW);
    if (refusal != TransformRefusal::None) {
        MessageBox(TransformRefusalText(refusal), kCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    // Over radii and molar masses the integration in S does not apply.
    if (transform == DistributionTransform::StokesRadius ||
        transform == DistributionTransform::MolarMass)
        WindowServices::DeleteIntegrateButton();
    Invalidate();
}

void TXLAWindow::CmTransformToS20wDistribution() {
    TransformDistribution(static_cast<int>(DistributionTransform::S20w));
}

void TXLAWindow::CmTransformToRDistribution() {
    TransformDistribution(static_cast<int>(DistributionTransform::StokesRadius));
}

void TXLAWindow::CmTransformCsToCM() {
    TransformDistribution(static_cast<int>(DistributionTransform::MolarMass));
}

void TXLAWindow::CmTransformToIntegralDistribution() {
    TransformDistribution(static_cast<int>(DistributionTransform::Integral));
}
