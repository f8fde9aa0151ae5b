// TXLAWindow: the program's main frame window, its command dispatch and its shared services.
#pragma once

#include "app/buffer_sed_box.h"
#include "app/command_table.h"
#include "app/flo_tool_box.h"
#include "app/lamm_params_box.h"
#include "app/solvent_params_box.h"
#include "app/window_observer.h"
#include "fitting/params_transfer.h"
#include "plat/filedlg.hpp"
#include "plat/window.hpp"

#include <string>
#include <vector>

class TClientDC;
class TPrinter;

// Name buffers of the two open-dialog records.
constexpr int kSelectedFilesSize = 128000;
extern char gSelectedFiles[kSelectedFilesSize];
extern char gSelectedFiles2[kSelectedFilesSize];

class TXLAWindow : public TFrameWindow {
  public:
    TXLAWindow(TWindow* parent, const char* title);
    ~TXLAWindow() override;

    void SetupWindow() override;
    const plat::MapEntry* Find(UINT message, UINT id) const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Runs a command of the table as the menu does, help mode included.
    void RunCommand(const CommandRow& row);
    // Sets runBusy or fitBusy. EndBusy clears it; when neither is left, the keys and clicks the
    // user gave meanwhile are dropped before a box at the command's end could hand them to the
    // window, and a key among them or seen meanwhile stops a running series or realtime mode.
    void BeginBusy(bool& busy);
    void EndBusy(bool& busy);

    // Window services for every subsystem.
    void DebugLog(const char* text);
    // Shows the progress of the computations started in the window.
    TWindowObserver computeObserver{this};
    void RequestRepaint();
    void DrawPlotsNow();
    // Ends a released marker move: commit writes it into the model, else it is put back.
    void ApplyMarkerDrag(bool commit);

    // Preferences file.
    bool ReadPreferences();
    bool WritePreferences();
    bool SavePreference(int index, int value);

    // Commands of the shell's spine.
    void CmExit();
    void CmHowToGetHelp();
    void CmHelpMode();
    void CmDiagnosticsOutput();
    void CmNotBuilt();
    void CmFitTimeDependentSM();
    void CmExportToMirovan();
    // Settings commands.
    void CmSuppressBaselineCorrelation();
    void CmCheckTimestamps();
    void CmMultipleThreads();
    void CmAlwaysLoadG2();
    void CmSound();
    void CmScanColorFromTime();
    void CmToggleAutocorrelationType();
    void CmWizardMessages();
    void CmPlayRandomSound();
    // Printing the window as one page (234) and the printer set-up (233); the printer object
    // is made on first use.
    void CmPrint();
    void CmPrinterSetup();
    TPrinter* GetPrinter();
    // Help menu: the disclaimer again (221) and the list of keyboard shortcuts (869).
    void CmAbout();
    void CmKeyboardShortcuts();

    void EvSize(UINT sizeType, const TSize& size);

    // Draws the whole client area from the program's state.
    void Paint(TDC& dc, bool erase, TRect& rect) override;

    // Display commands and plot copies.
    void CmSetRange();
    void CmFullRange();
    void CmUpdate();
    void CmShowResiduals();
    void CmShowData();
    void CmDataMarkSize();
    void CmToggleScanNameTips();
    void CmOldFilenameConvention();
    void CmCopyDataPlot();
    // The continuous distribution commands.
    void CmSaveContiDistribution();
    void CmCopyDistributionPlot();
    void CmCopyDistribution();
    void ChooseRegularization(bool maxEnt, bool secondDerivative, bool both);
    void CmSecondDerivativeRegularization();
    void CmMaxEntRegularization();
    void CmShowBothRegularizations();
    void CmIntegrationRangesFromFile();
    void ReportAutomaticIntegration();
    void CmIntegrateDistribution();
    void CmRescaleDistributionPlot();
    void CmFullscaleDistributionPlot();
    // Labels the peaks of the c(s) distribution with their molar mass (608).
    void CmShowPeakMw();
    // The results summary of a c(s) fit (199) and the matrix export switch (877).
    void CmResultsSummary();
    void CmExportMatrices();
    // The integration button's action: cancels a pending range selection, else integrates the
    // file's ranges or arms the selection of a range with the right button.
    void IntegrateOrSelectRange();
    // Asks for the range to be drawn with the right button and arms its selection.
    void BeginRangeSelection();
    void CmCopyResidualsPlot();
    void CmCopyScreenshot();
    // Fit display options, the residuals bitmap and the temperature plot.
    void CmFitUpdatingPreferences();
    void CmShowResidualsBitmap();
    void CmBitmapBlackWhite();
    void CmBitmapShading();
    void CmCopyResidualsBitmap();
    void CmShowTemperaturePlot();
    void CmEstimateEqRotorSpeeds();
    void CmExtractBestSValue();
    void CmStartHydroPro();
    // True when every scan's temperature lies within threshold of the first scan's; otherwise
    // shows the temperature plot and a warning.
    bool CheckTemperatureFluctuation(float threshold);
    // Load commands of the "&Data" menu and files dropped on the window.
    void CmLoadNewFiles();
    void CmAddMoreFiles();
    void CmSetInitialData();
    void CmEditDataFiles();
    void CmLoadEquilibriumData();
    // Light-scattering data: load a selection or list file; save the mean of the loaded ones.
    void CmLoadDLSData();
    void CmSaveMeanDlsData();
    // Conversions of instrument exports into ".dlsdat" files, one per export layout.
    void CmDlsDynamics7();
    void CmDlsProteinSolutions62();
    void CmDlsProteinSolutions526();
    void CmDlsProteinSolutions520();
    void CmDlsProteinSolutions4();
    void CmDlsAlv();
    void CmDlsBic();
    void CmDlsOldDosBic();
    void CmDlsPhotoCor();
    void CmDlsAsciiG2();
    void CmDlsAsciiG2Minus1();
    // Placeholder of a circular-dichroism import; loading electrophoresis data.
    void CmFormatCdData();
    void CmLoadElectrophoresisData();
    // Toggles the Fit M and s mode.
    // Toggles the Fit M and s mode and converts each species' D to M or back.
    void CmFitMAndS();
    // Files dropped on the window; during a Run or Fit they wait for its end, as commands do.
    void EvDropFiles(TDropInfo drop);
    // Left button and pointer on the plots: on-plot buttons, marker grab, drag and release.
    void EvLButtonDown(UINT modifiers, const TPoint& point);
    void EvLButtonUp(UINT modifiers, const TPoint& point);
    void EvMouseMove(UINT modifiers, const TPoint& point);
    void EvChar(UINT key, UINT repeatCount, UINT flags);
    // Left double click: a tentative marker that the keys nudge, commit or throw away.
    void EvLButtonDblClk(UINT modifiers, const TPoint& point);
    void EvKeyDown(UINT key, UINT repeatCount, UINT flags);
    // Right button: the band that zooms the data plot or selects on the distribution plot, and
    // the double click that steps back through the zoom history.
    void EvRButtonDown(UINT modifiers, const TPoint& point);
    void EvRButtonUp(UINT modifiers, const TPoint& point);
    void EvRButtonDblClk(UINT modifiers, const TPoint& point);
    // Alt+M: released markers slide, slide without bouncing, or stop where they are let go.
    void CmMouseSliding();
    // F1 on a highlighted menu item: help mode, and the item is chosen.
    void EvEnterIdle(UINT source, HWND window);
    // The realtime update timer (id 13).
    void EvRealtimeTimer(UINT id);
    // Rebuilds time and omega2t of every scan from the file time stamps and a reference scan.
    void CmRestoreTimeAndW2t();
    // The test of attained equilibrium (645): the command, the recomputation that Run and Fit
    // call while the mode is on, and leaving the mode (nothing happens when its plots are not up).
    void CmTestApproachToEquilibrium();
    void TestApproachToEquilibrium();
    void LeaveEqTestMode();
    // The M* analysis of several data sets (896) and its copy commands (918-920).
    void CmCalculateMStar();
    void CmCopyLnCData();
    void CmCopyMStarData();
    void CmCopyMwavgData();
    // Realtime update of files (540, 541): the data folder is probed once a minute and the
    // analysis run again when new scans appear; a key press stops it.
    void CmRealtimeUpdate();
    void CmStopRealtimeUpdate();
    // Moving fitted systematic noise into the data and back; the fitted data range.
    void CmSubtractTiNoise();
    void CmSubtractRiNoise();
    void CmSubtractAllNoise();
    void CmRestoreTiNoise();
    void CmDataRange();
    // Fit results and noise written beside the scans.
    void CmSaveFitData();
    // Fit (215) and the engines of the equilibrium model; false when the model is not built.
    void CmFit();
    // Parameters (212): the dialog of the current model; true when it was closed with OK and its
    // values were applied.
    void CmParameters();
    bool RunParameters();
    bool RunEquilibriumFit();
    bool FitEquilibrium();
    void CmUpdateSavedFitParameters();
    // The best-fit text shown again (517), copied to the clipboard (204); the bounds of the
    // meniscus and bottom for the fits (240).
    void CmShowLastFitInfo();
    void CmCopyFitParameters();
    void CmSetMeniscusBottomLimits();
    // Error analysis: confidence intervals and error surfaces.
    void CmErrorInS();
    void CmErrorInM();
    void CmContourSM();
    void CmContourS1S2();
    void CmContourK();
    // Monte Carlo of the distributions (296) and of integrated weight-average s (546).
    void CmMonteCarloDistributions();
    // Batch fits: the sets by cell or folder number (593), by list files (904), and the series
    // chosen in the plotting program (923).
    void CmSerializeFitByCell();
    void CmSerializeFitByList();
    void CmSerializeFitWithVizra();
    // The plotting program: c(s) (899), data, fit and residuals (900), both asked (901).
    void CmVizraCsPlot();
    void CmVizraDataFitResPlot();
    void CmVizraPlot();
    // The auxiliary plot programs: 3-D data (878), the sedimentation movie (879), data, fit and
    // residuals (880), with the distribution (881), and a structure file (883).
    void CmPlot3d();
    void CmMakeSedMovie();
    void CmPlotDataFitRes();
    void CmPlotDataFitResDist();
    void CmPlotSizeShapeDist();
    void CmPlotBestStructure();
    void CmMonteCarloSw();
    // Prior probabilities of the distributions (529) and discrete species known before (633).
    void CmUsePriorProbabilities();
    void CmPriorKnowledgeOfDiscreteSpecies();
    // Transforms of the held distribution: 836, 525, 589, 460; kind a DistributionTransform.
    void CmTransformToS20wDistribution();
    void CmTransformToRDistribution();
    void CmTransformCsToCM();
    void CmTransformToIntegralDistribution();
    void TransformDistribution(int kind);
    // The calculators of the Options menu, and the protein-sequence calculator (895).
    void CmShapeFromFrictionalRatio();
    void CmFrictionForce();
    void CmFrictionalAxialRatios();
    void CmBoundaryBroadening();
    void CmSwDifferentialSecondMoment();
    void CmSwSecondMoment();
    void SecondMomentCalculator(bool differential);
    void CmRadialDilution();
    void CmPressure();
    void CmSphereSofM();
    void CmSphereSofRh();
    void CmSphereRhOfS();
    void CmMofS();
    void CmS20wFromSxp();
    void CmFStatistics();
    void CmSequenceCalculator();
    void CmSaveNoise();
    void CmSubtractNoiseFromEqData();
    void CmSaveEquilibriumData();

    // Writing the loaded scans back as a data set ("Save Raw Data Set").
    void CmSaveRawDataSet();
    // Asks question (empty caption, Yes/No) and on Yes runs "Save Raw Data Set".
    void OfferToSaveRawData(const char* question);
    // "Sort Eq Data to Disk": its questions, then the sorting of the equilibrium scans.
    void CmSortEqDataToDisk();
    // Raw-data corrections of the loaded scans in memory.
    void CmInvertRawData();
    void CmCorrectRadialCalibration();
    void CmAddTimeOffset();
    void CmExcludeRegion();
    void CmEliminateJitter();
    void CmSubtractBlankScan();
    void CmSubtractConstant();
    void CmAddSubtractSimulatedData();
    void CmMirrorRawData();
    void CmAddNoise();
    void CmEliminateInterferenceOffset();
    void CmSetNColumns();
    // Redraws the data plot, repaints and offers to save with question.
    void RedrawAfterCorrection(const char* question);
    // Conversions of the loaded scans into new scan files.
    void CmAverageScans();
    void CmSaveIntensityAsAbsorbance();
    void CmSaveIntensityAsPseudoAbsorbance();
    void CmSave6ChannelSubsets();
    void CmUndoRotorStretch();
    // Run (213): evaluates the chosen model once on the loaded scans.
    void CmRun();
    // Runs the current model as Run does, for the loaders; an engine this version lacks is
    // passed over without a box.
    void RunModel();
    // Run with the Faxen-type approximate boundaries (530).
    void CmSimulateFaxen();
    // The "&Generate" menu: synthetic data of the current model, one set or a series of sets.
    void CmGenerateDataSingle();
    void CmGenerateDataSeries();
    // Advice boxes on the residuals and the fitted boundary conditions after Run and Fit.
    void CheckResidualsWizard();
    // Model choice: the reset before every new model and one command per model.
    void ResetModelChoice();
    // Sets the check marks of the model, the regularization and the optimiser from the switches.
    void ShowModelChoice();
    void CmNonInteractingSpecies();
    void CmLinearLamm();
    void CmExternalLoadingCell();
    void CmGeometryVariant282();
    void CmSelfAssocMonomerDimer();
    void CmSelfAssocMonomerTrimer();
    void CmSelfAssocTetramerOctamer();
    void CmSelfAssocDimerTetramer();
    void CmZoneIndepSpecies();
    void CmReactingSystem();
    void CmSingleSpecies();
    void CmMultipleSpecies();
    void CmElectrophoresisLamm();
    void CmEquilibriumModel284();
    void CmEquilibriumModel523();
    void CmDiscreteStokesRadii();
    void CmCumulantAnalysis();
    // The continuous distributions; c(M) is the common base that the others call first.
    void CmContinuousCM();
    void CmContinuousCs();
    void CmCsConformationalChange();
    void CmCsInvariantD();
    void CmCsWithDiscrete();
    void CmCsBimodal();
    void CmCsBimodalDiscrete();
    void CmCsFloatingVbar();
    void CmCsWormlikeChain();
    void CmCsScalingLaw();
    void CmCsWithMsTable();
    void CmCsWithBaselineEstimates();
    void CmCsVariant521();
    void CmCsFf0();
    void CmCsFf0Discrete();
    void CmFMvsM();
    void CmCMInvariantD();
    void CmCMPowerLaw();
    void CmCMPriorVbar();
    void CmDlsIRh();
    void CmDlsID();
    void CmDlsIRhTimeCourse();
    void CmLsGStarS();
    void CmLsGStarSDiscrete();
    void CmZoneCs();
    void CmZoneLsGs();
    void CmElectrophoresisLsGStar();
    void CmElectrophoresisCv();
    void CmExtrapolateAreaFractions();
    void CmVanHoldeWeischet();
    // The boundary analyses' Run (and Fit): true when a result was stored. The report draws
    // (or, with the view switched off, removes) their extrapolation view.
    bool RunVanHoldeWeischet();
    bool RunLsgExtrapolation();
    void LsgExtrapolationReport();
    // "transform g(s*) (as ASCII) to direct boundary model" (533).
    void CmGsToDirectBoundary();
    // The optimiser of the fits.
    void CmSimplex();
    void CmSimulatedAnnealing();
    void CmMarquardtLevenberg();
    // Fitting and loading options.
    void CmSetVRho();
    void CmFlagTooStrongGradients();
    void CmDontLoadSpikes();
    void CmSetPolynomOrder();
    void CmFitT0();
    void CmSedimentationTimeOffset();
    void CmSimplexOptions();
    void CmToggle223();
    // Loading options applied by reloading the set in place.
    void CmSetRadialResolution();
    void CmExcludeWorstScan();
    // The numerical options of the Lamm solution (611).
    void CmLammEquationParameters();
    // The inhomogeneous-solvent model and its settings (542).
    void CmInhomogeneousSolvent();
    // The same selection from another cell (828), whole fringes removed within interference
    // scans (287), the data set's notes file in the text editor (216).
    void CmChangeCell();
    // The Copy menu's tables (258-262, 632).
    void CmCopyDataTable();
    void CmCopyFitDataTable();
    void CmCopyResidualsTable();
    void CmCopyRiNoiseTable();
    void CmCopyTiNoiseTable();
    void CmCopyPriorKnowledgeTable();
    void CmRemoveFringeJumps();
    void CmEditNotes();
    // The buffer-mismatch correction (552) and the subtraction of its signal from the scans (576).
    void CmBufferSedimentation();
    void CmSubtractBufferMismatch();
    // Runs the buffer-mismatch dialog and applies it; false on Cancel.
    bool EditBufferSedParameters();
    // False, with the correction switched off, where the model or the data cannot carry it;
    // otherwise reserves species slot 4 in the discrete models.
    bool CheckBufferSedCompatibility();
    // Before an evaluation that carries the buffer, for a model chosen since the correction was
    // switched on: where it cannot carry it, says so and switches it off (false); otherwise
    // takes slot 4 in the discrete models if not yet taken, and floats the signal in the
    // distributions unless both noises are fitted.
    bool KeepBufferSedimentationForModel();
    // The float flags of the buffer's amplitude (slot 4) and, with linear amplitudes, the species'.
    void SetBufferSedComponentFlags();
    // Removes the check mark and releases species slot 4.
    void SwitchOffBufferSedimentation();
    // The fluorescence detection corrections, one question at a time (905-914, 925), and all
    // at once in the tools dialog (915).
    void CmSignalRadialConvolution();
    void CmJohnstonOgstonDepletion();
    void CmExcitationShadow();
    void CmMagnificationDriftWithTime();
    void CmMagnificationRadialGradient();
    void CmNonlinearDetection();
    void CmFloTools();
    // Copies fluorescence scans into "sorted" under names that carry their settings (903).
    void CmSortFluorescenceData();
    // True with fluorescence data loaded, or when the user goes on without.
    bool ProceedWithoutFluorescence(const char* caption);
    // InputFloat showing value; Cancel keeps it.
    void AskFloat(float& value, const char* prompt, const char* caption);
    // A Yes/No question into a fit flag; returns the flag.
    bool AskFitFlag(bool& flag, const char* prompt, const char* caption);
    // The check marks of a correction's two ids.
    void SetCorrectionChecks(int first, int second, bool on);
    // Puts the recorded data back into the store when transformed data are shown, then switches
    // nonlinear detection off and clears its check marks.
    void SwitchOffNonlinearDetection();

    // Interface state shared by the command, mouse and keyboard handlers.
    bool helpMode = false;    // F1 on a menu item: the next command that tests it shows help
    float clientWidth = 0.0f; // client area in pixels, stored by Paint
    float clientHeight = 0.0f;
    TClientDC* rubberBandDC = nullptr; // held while the right-button band is drawn
    bool rubberBandActive = false;
    char* logSessionText = nullptr; // header line of the trace file; owned
    char* logFileName = nullptr;    // path of the trace file; owned
    bool logStarted = false;        // the trace file was truncated during this run
    bool printerCreated = false;
    bool runBusy = false;        // Run computes
    bool fitBusy = false;        // Fit computes
    bool paintSuspended = false; // a command's dialog or box is up
    bool& modalBoxOpen = paintSuspended;
    bool& paintBlocked = paintSuspended;
    TPrinter* printer = nullptr;           // made on first use; owned
    OpenFileRecord openFilesDialog;        // load, save and list commands
    OpenFileRecord openFilesDialog2;       // dropped files and the Load command
    ParamsTransfer paramsTransfer;         // the parameters dialog's record, kept between uses
    LammPBoxRecord lammTransfer{};         // the Lamm options dialog's record
    SolventParamsRecord solventTransfer{}; // the inhomogeneous-solvent dialog's record
    BufferSedRecord bufferSedTransfer{};   // the buffer-mismatch dialog's record
    FloToolRecord floToolTransfer{};       // the fluorescence tools dialog's record

  private:
    // Flips the data or residual view and lays out the plots now shown.
    void ToggleView(bool& view, bool other, int checkId, void (*layoutAlone)(),
                    void (*layoutOtherAlone)());
    // Asks the help engine for a help context.
    void ShowHelpContext(int context);
    // Sets a menu check mark to mirror a switch.
    void CheckMark(int id, bool on);
    // The check marks of the regularization and the optimiser from their switches.
    void ShowRegularizationAndOptimiser();
    // Asks a Yes/No question owned by the window; true for Yes.
    bool AskYesNo(const char* text, const char* caption);
    // "save as default setting?" and, on Yes, stores the preference.
    void OfferToSave(int index, int value);

    // Sets exactly one optimiser and its check mark.
    void ChooseOptimiser(bool simplex, bool annealing, bool marquardt);
    // What data a model accepts: the refusal boxes of the model commands.
    enum class ModelData { Sedimentation, Dls, Any };
    bool ModelDataAccepted(ModelData data);
    // The common start of a discrete model command: data check, then (unless already selected)
    // the reset. False when the command ends here.
    bool BeginModel(bool alreadySelected, ModelData data);
    // Fixes every fit parameter and sets the model's check mark.
    void FinishModel(int id);
    // Puts "Fit M and s" on or off as the model needs.
    void SetFitMAndS(bool on);
    // Switches the continuous regularization, with its note when it changes.
    void UseSecondDerivative(const char* note, const char* caption);
    void UseMaxEnt();
    // c(M) base; fromMember: a distribution command called it with its own switch set.
    bool ContinuousBase(bool fromMember, bool wantsMaxEnt);
    // A member of the c(s) family: base, switches, check marks and range.
    enum class CsRange { Default, Keep, Leave, InvariantD };
    bool SelectCsMember(int id, bool& own, CsRange rule, float defaultMin, float defaultMax,
                        bool wantsMaxEnt = false);
    bool SelectDlsDistribution(int id, bool& own, bool wantsMaxEnt);
    bool SelectLsGStar(int id, bool& own, const char* note);
    // "show plot with extrapolation ...?": true for Yes.
    bool AskBoundaryPlot();
    // The distribution range into the fit vector.
    void RangeToFitVector();

    // The files of a drop: the experiment file, the saved analysis or the scans they name.
    void DropFiles(const std::vector<std::string>& paths);
    // Posts again, in the order they came, the commands and drops held while a Run or Fit was
    // busy; nothing while one still is.
    void ReleaseHeldInput();

    int currentCommand_ = 0; // id of the command being run
    // A command (id) or a drop (its files) dispatched while a Run or Fit was busy, run after it.
    struct HeldInput {
        int command = 0;
        std::vector<std::string> files;
        TPoint point;
    };
    std::vector<HeldInput> heldWhileBusy_;
    bool quietRun_ = false;   // RunModel: no box for an engine this version lacks
    int stopsBeforeBusy_ = 0; // the stops counted when the Run or Fit began
};

// When scans are loaded: the "FloTools" item for fluorescence data, the intensity-only item
// enabled for intensity data, and the items that need scans enabled.
void UpdateFloToolsMenu(TXLAWindow* window);
// The three M* copy items (918-920) a second time above the M* command (896), while the
// single-set M* screen is shown; each call acts once until the other undoes it.
inline bool gMStarCopyItemsPresent = false;
void InsertMStarMenuItems(TXLAWindow* window);
void RemoveMStarMenuItems(TXLAWindow* window);
// "Average Scans": the mean of the loaded scans on the common grid written to a chosen file,
// which is then loaded in their place.
void AverageScans(TXLAWindow* window);

// Fills the table through which the layers below the window reach it (state/window_services.h).
void InstallWindowServices();

// Plays the slide of a marker just let go, between its neighbours on the data plot; Tab or Enter
// pressed meanwhile applies the move there, Esc puts it back.
void SlideReleasedMarker(TXLAWindow* window);

// Prepares an open-dialog record for loading scans: multiple selection in the last data folder.
void PrepareLoadDialog(OpenFileRecord& record, char* nameBuffer);
