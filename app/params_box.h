// TParamsBox: the model parameters dialog, one page (template) per model family.
#pragma once

#include "fitting/params_transfer.h"
#include "plat/dialog.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Template ids of the three pages.
constexpr int kDiscreteParamsDialogId = 2121;
constexpr int kDistributionParamsDialogId = 2122;
constexpr int kEquilibriumParamsDialogId = 2123;

// Control ids. Species k (1..4) of the discrete and the equilibrium page: included 100k + 1,
// loading 100k + 2 and its float box 100k + 3, s 100k + 4 and 100k + 5, D or M (buoyant M on
// the equilibrium page) 100k + 6 and 100k + 7.
constexpr int SpeciesControlId(int k, int item) {
    return 100 * k + item;
}
constexpr int kIncludedItem = 1, kLoadingItem = 2, kSItem = 4, kDOrMItem = 6; // float box: + 1
constexpr int kLinearAmplitudesId = 501;
constexpr int kMeniscusId = 511, kMeniscusFloatId = 512;
constexpr int kBottomId = 513, kBottomFloatId = 514;
constexpr int kBaselineId = 515, kBaselineFloatId = 516;
constexpr int kTiNoiseId = 517, kRiNoiseId = 518;
constexpr int kTimeOffsetId = 519, kTimeOffsetFloatId = 520;
constexpr int kExperimentalInitialId = 429, kConstantInitialId = 430;
// The concentration dependence, each box with its float box at + 1.
constexpr int kLogKId = 521, kLogKsId = 523, kLogKdId = 525, kSecondLogKId = 527;
constexpr int kRangeMinId = 601, kRangeMaxId = 602, kResolutionId = 603;
constexpr int kFf0Id = 604, kFf0FloatId = 605, kConfidenceLevelId = 606;
constexpr int kPowerLawCalibrationId = 607;
constexpr int kLogGridId = 610;
constexpr int kVbarId = 608, kVbarFloatId = 609;
// The discrete component of the models that have one, each with its float box at + 1.
constexpr int kComponentSId = 611, kComponentMOrDId = 613;
// The shape values of the c(s) members that tie M to s (the second f/f0's float box at + 1).
constexpr int kBimodalSMinId = 621, kBimodalSMaxId = 622, kBimodalFf0Id = 623;
constexpr int kConformerSMinId = 625, kConformerSMaxId = 626, kConformerMId = 627;
constexpr int kScalingKsId = 628, kScalingExponentId = 629;
constexpr int kWormCrossSectionId = 630, kWormPersistenceId = 631, kWormMonomerMassId = 632,
              kWormHydrationId = 633;
// The one D of the invariant-D models.
constexpr int kInvariantDId = 635;

int ParamsDialogId(ParamsPage page);
// The page's template with the labels of the model now chosen (units, D or M).
plat::DialogTemplate ParamsDialogTemplate(ParamsPage page);
// Makes the three pages known to the dialog layer with the current labels.
void RegisterParamsDialogs();

// The dialog on one page of the window's transfer record. OK is refused, with a box naming the
// field, while the page does not pass CheckParamsTransfer.
// The controls of a page take the parts of the record it shows, in their order; the dialog works
// on a copy of those parts and writes them back to the record when OK is pressed.
class TParamsBox : public TDialog {
  public:
    TParamsBox(TWindow* parent, ParamsPage page, ParamsTransfer& transfer);
    int Execute() override;
    bool CanClose() override;

    struct Part {
        std::size_t offset, size;
    };

  private:
    void Gather();
    void Scatter();

    ParamsPage page_;
    ParamsTransfer& transfer_;
    std::vector<Part> parts_;
    std::vector<std::uint8_t> shown_;
};

// The text of the refusal box for a CheckParamsTransfer message.
std::string ParamsRefusalText(const std::string& reason);
