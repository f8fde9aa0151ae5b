// Detection corrections of the solved profiles: what a fluorescence detector or a scanning
// optical system records of a concentration profile.
#include "foundations/show_error.h"
#include "foundations/whole_number.h"
#include "lamm/lamm_ideal.h"
#include "scandata/scan_header.h"
#include "state/fluorophore.h"

#include <cmath>

void FluorophoreDeleter::operator()(CFluorophore* f) const {
    delete f;
}

bool CLammIdeal::AnyDetectionCorrectionOn() const {
    return magnificationOn || driftOn || coneOn || convolutionOn;
}

// The scanner starts at radius r and reaches the meniscus later by the travel at velocity v.
void CLammIdeal::SetStartOffset(float radiusCm) {
    timeShift = 0.0;
    if (absorbanceData && simulateTimeResolution && scanVelocity > 0.0f)
        timeShift = std::max(0.0, 60.0 * (meniscus - radiusCm) / scanVelocity);
}

void CLammIdeal::SetRadialMagnification(bool on, float factor) {
    magnificationOn = on;
    magnificationGradient = on ? factor - 1.0 : 0.0;
}

void CLammIdeal::SetSignalDrift(bool on, bool linearOn, float linearRatePerHour, bool exponentialOn,
                                float exponentialRatePerHour, float plateauLevel) {
    if (!on) {
        driftOn = false;
        return;
    }
    driftOn = true;
    linearDriftOn = linearOn;
    linearDriftRate = linearRatePerHour / 3600.0;
    exponentialDriftOn = exponentialOn;
    exponentialDriftRate = exponentialRatePerHour / 3600.0;
    driftPlateau = exponentialOn ? plateauLevel : 1.0;
}

void CLammIdeal::SetFluorophore(const CFluorophore* tmpl, int wavelength, bool linearOn,
                                float linearRatePerHour) {
    if (tmpl == nullptr) {
        ShowError("Error pFlotmpl ==0 in CLammIdeal", 0);
        return;
    }
    if (wavelength < 1) {
        ShowError("Error loading wl < 1 in CLammIdeal", 0);
        return;
    }
    if (wavelength > tmpl->wavelengthCount) {
        ShowError("Error loading wl > max in CLammIdeal", 0);
        return;
    }
    fluorophore.reset(new CFluorophore);
    tmpl->CopyTo(*fluorophore);
    fluorophoreWavelength = wavelength;
    linearDriftOn = linearOn;
    linearDriftRate = linearRatePerHour / 3600.0;
    driftOn = true;
}

void CLammIdeal::SetRadialConvolution(bool on, float sigmaCm, float cutoffWidths) {
    convolutionOn = on;
    if (!on) {
        convolutionWidth = 0.0;
        return;
    }
    convolutionWidth = sigmaCm;
    convolutionCutoff = cutoffWidths;
    convolutionTableState = 0;
    if (outputRadii != nullptr || perScanRadiusVectors != nullptr) {
        ClassifyConvolutionRadii();
        BuildConvolutionTable();
    }
}

void CLammIdeal::SetExcitationCone(bool on, float radiusCm) {
    coneOn = on;
    coneRadius = on ? radiusCm : 0.0;
}

// All corrections of one wavelength from a fluorophore set; each only when it changes anything.
void CLammIdeal::LoadFluorophore(const CFluorophoreSet& set, int wavelength) {
    if (wavelength < 1 || wavelength >= static_cast<int>(set.records.size())) {
        ShowError("Error loading wl > max in CLammIdeal", 0);
        return;
    }
    SetFluorophore(&set.records[wavelength], 1, std::fabs(set.driftRate) > 1e-8, set.driftRate);
    if (std::fabs(set.magnification - 1.0f) > 1e-5f)
        SetRadialMagnification(true, set.magnification);
    const float a = std::fabs(set.coneRadius);
    if (a > 0.001f && bottom - (a + set.convolutionWidth) < upperFitLimit)
        SetExcitationCone(true, a);
    if (std::fabs(set.convolutionWidth) > 0.001f)
        SetRadialConvolution(true, std::fabs(set.convolutionWidth), set.convolutionCutoff);
}

// Product of the linear drift and the bleaching, never negative.
double CLammIdeal::DriftFactor(double timeS) const {
    if (!driftOn)
        return 1.0;
    const double linear = linearDriftOn ? 1.0 + timeS * linearDriftRate : 1.0;
    double bleaching = 1.0;
    if (fluorophore)
        bleaching = fluorophore->SignalFraction(timeS, fluorophoreWavelength);
    else if (exponentialDriftOn)
        bleaching = std::max(0.0, (1.0 - driftPlateau) *
                                          std::exp(-timeS * std::fabs(exponentialDriftRate)) +
                                      driftPlateau);
    return std::max(0.0, linear * bleaching);
}

void CLammIdeal::ClassifyConvolutionRadii() {
    convolutionTableState = -1;
    if (!perScanRadii) {
        const float* r = outputRadii;
        const int n = outputRadiusCount;
        if (r == nullptr || n < 2)
            return;
        const double h = r[2] - r[1];
        convolutionTableState = 1;
        for (int i = 3; i <= n; ++i)
            if (std::fabs((r[i] - r[i - 1]) - h) > 1e-5)
                convolutionTableState = 2;
        return;
    }
    if (perScanRadiusVectors == nullptr || perScanCounts == nullptr || scanCount < 1)
        return;
    const float* r1 = OutputRadiiFor(1);
    if (r1 == nullptr || OutputCountFor(1) < 2)
        return;
    const double h = r1[2] - r1[1];
    convolutionTableState = 1;
    for (int pos = 1; pos <= scanCount; ++pos) {
        const float* r = OutputRadiiFor(pos);
        const int n = OutputCountFor(pos);
        for (int i = 2; r != nullptr && i <= n; ++i)
            if (std::fabs((r[i] - r[i - 1]) - h) > 1e-8)
                convolutionTableState = 2;
    }
}

// The table covers k sigma plus one spacing; the grid indices inside the cell limit the table
// form to real signal.
void CLammIdeal::BuildConvolutionTable() {
    convolutionTable.clear();
    convolutionFirst = convolutionLast = 0;
    if (convolutionTableState != 1)
        return;
    const float* r = perScanRadii ? OutputRadiiFor(1) : outputRadii;
    const int n = perScanRadii ? OutputCountFor(1) : outputRadiusCount;
    if (r == nullptr || n < 2)
        return;
    const double h = r[2] - r[1];
    if (!(h > 0.0) || !(convolutionWidth > 0.0))
        return;
    // Offsets beyond the profile are never used: a width of many profiles needs no longer table.
    const int length = CeilToInt(convolutionWidth * convolutionCutoff / h, 0, n) + 1;
    convolutionTable.assign(length + 1, 0.0f);
    for (int i = 1; i <= length; ++i)
        convolutionTable[i] = static_cast<float>(
            std::exp(-(i * h) * (i * h) / (convolutionWidth * convolutionWidth)));
    if (perScanRadii)
        return;
    for (int i = 1; i <= n && convolutionFirst == 0; ++i)
        if (r[i] >= meniscus)
            convolutionFirst = i;
    if (r[n] < bottom)
        convolutionLast = n;
    else
        for (int i = n; i >= 1 && convolutionLast == 0; --i)
            if (r[i] <= bottom)
                convolutionLast = i;
}

// Applied after solving, per scan at the time the detector saw it: magnification and drift per
// point, then the excitation cone, then the radial convolution of the whole profile.
void CLammIdeal::CorrectScanProfile(int pos, float* y, const float* radii, int n) {
    if (y == nullptr || radii == nullptr || n <= 0)
        return;
    const double time = timeShift + headers[scanOrder[pos]].originalTime;
    if (magnificationOn || driftOn) {
        const double drift = DriftFactor(time);
        for (int i = 1; i <= n; ++i) {
            const double magnification =
                magnificationOn ? 1.0 + (radii[i] - meniscus) * magnificationGradient : 1.0;
            y[i] = static_cast<float>(y[i] * magnification * drift);
        }
    }
    if (coneOn)
        ApplyExcitationCone(y, radii, n, bottom, coneRadius);
    if (convolutionOn) {
        ConvolutionTable table;
        if (convolutionTableState == 1 && convolutionTable.size() > 1) {
            table.weights = convolutionTable.data();
            table.length = static_cast<int>(convolutionTable.size()) - 1;
            table.first = convolutionFirst;
            table.last = convolutionLast;
        }
        ApplyRadialConvolution(y, radii, n, convolutionWidth, convolutionCutoff, meniscus, bottom,
                               &table);
    }
}

// Each copy owns its fluorophore and its convolution table, so no two workers share them.
void CLammIdeal::CopyDetectionFrom(const CLammIdeal& o) {
    timeShift = o.timeShift;
    magnificationOn = o.magnificationOn, magnificationGradient = o.magnificationGradient;
    driftOn = o.driftOn, exponentialDriftOn = o.exponentialDriftOn;
    exponentialDriftRate = o.exponentialDriftRate, driftPlateau = o.driftPlateau;
    linearDriftOn = o.linearDriftOn, linearDriftRate = o.linearDriftRate;
    fluorophore.reset();
    if (o.fluorophore) {
        fluorophore.reset(new CFluorophore);
        o.fluorophore->CopyTo(*fluorophore);
    }
    fluorophoreWavelength = o.fluorophoreWavelength;
    coneOn = o.coneOn, coneRadius = o.coneRadius;
    convolutionOn = o.convolutionOn, convolutionWidth = o.convolutionWidth;
    convolutionCutoff = o.convolutionCutoff, convolutionTableState = o.convolutionTableState;
    convolutionFirst = o.convolutionFirst, convolutionLast = o.convolutionLast;
    convolutionTable = o.convolutionTable;
}
