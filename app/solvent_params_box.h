// TMCDDensgradParamsBox: the dialog "Inhomogeneous Solvent Parameters" (866) and its record.
#pragma once

#include "plat/dialog.hpp"

#include <cstdint>

constexpr int kSolventParamsDialogId = 866;
constexpr unsigned kSolventTextLimit = 15;
// Paths of any length the system allows.
constexpr unsigned kSolventPathLimit = 4096;

enum SolventParamsControl {
    kSpVbar = 838,
    kSpFitVbar = 839,
    kSpCompressible = 840,
    kSpCompressibility = 841,
    kSpBufferDensity = 842,
    kSpBufferViscosity = 843,
    kSpCosolute = 844,
    kSpSolvatedVbar = 845,
    kSpLoading = 846,
    kSpNonideal = 847,
    kSpDFile = 848,
    kSpSFile = 849,
    kSpCesiumChloride = 850,
    kSpGridSize = 851,
    kSpPlot = 852,
    kSpSave = 853,
    kSpDensityFile = 854,
    kSpViscosityFile = 855,
    kSpWaterCompressibility = 856,
    kSpModelOn = 857,
    kSpLoadDFile = 858,
    kSpLoadSFile = 859,
    kSpLoadDensityFile = 860,
    kSpLoadViscosityFile = 861,
    kSpTempFolder = 862,
    kSpIdeal = 863,
    kSpApparentS = 864,
    kSpApparentD = 865,
};

// One field per control in the dialog's order: texts of 15 characters, paths of
// kSolventPathLimit, u32 states; no padding.
#pragma pack(push, 1)
struct SolventParamsRecord {
    using Text = char[kSolventTextLimit];
    using Path = char[kSolventPathLimit];
    std::uint32_t modelOn;
    Text vbar;
    std::uint32_t fitVbar, compressible;
    Text compressibility, bufferDensity, bufferViscosity;
    std::uint32_t cosolute;
    Text solvatedVbar, loading;
    std::uint32_t ideal;
    Text apparentS, apparentD;
    std::uint32_t nonideal;
    Path dFile, sFile;
    std::uint32_t cesiumChloride;
    Text gridSize;
    std::uint32_t plot, save;
    Path densityFile, viscosityFile;
    std::uint32_t waterCompressibility, loadDFile, loadSFile, loadDensityFile, loadViscosityFile;
    Path tempFolder;
};
#pragma pack(pop)

// Cosolute grids the dialog accepts.
constexpr int kMinCosoluteGrid = 10;
constexpr int kMaxCosoluteGrid = 100000;

// The record from the settings now in force ("Load New ..." boxes cleared).
void FillSolventTransfer(SolventParamsRecord& record);
// True when the record can be applied: with the model checked, every numeric field holds a
// positive number and the cosolute grid lies within its bounds.
bool SolventTransferValid(const SolventParamsRecord& record);

plat::DialogTemplate SolventParamsDialogTemplate();
void RegisterSolventParamsDialog();

class TMCDDensgradParamsBox : public TDialog {
  public:
    TMCDDensgradParamsBox(TWindow* parent, SolventParamsRecord& record);
    // Invalid entries keep the dialog open without a message.
    bool CanClose() override;

  private:
    SolventParamsRecord& record_;
};
