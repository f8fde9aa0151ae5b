// Loading a Lamm solver object with everything the program-wide records say about the cell, the
// solvent, the numerical options and the detection, for the list runs of the engines.
#pragma once

class CLammIdeal;
class CComputeObserver;

// Where a template's solution goes: rows[scan header index] on the shared radii (radiusCount
// points), or, when radii is null, on each scan's own radii and point count.
struct LammTemplateOutput {
    float** rows = nullptr;
    const float* radii = nullptr;
    int radiusCount = 0;
    float** scanRadii = nullptr;
    const int* scanCounts = nullptr;
    int equation = 1;          // slot or grid point, for the live curves' colour
    bool liveProfiles = false; // the new profiles shown over the data plot
    bool simulatingOnly = false;
};

// The part of its start value below which the node just beyond the fitted data (towards the end
// the species leaves) ends a run as depleted, whatever the truncation level of the active region.
inline constexpr float kDepletedEndLevel = 1e-4f;

// The ideal model with the given s (S), D (cm^2/s) and loading inside the fit limits, reporting
// its progress to observer (none when null); the
// acceleration check unless switched off; the fluorescence corrections that are on; the output;
// the numerical options of the Lamm solution; zone loading; the species properties at the
// scans' temperature; the sedimentation time offset; the rotor speed profile; the inhomogeneous
// solvent with its cosolute gradient; and the start offset of scanning absorbance optics.
void LoadLammTemplate(CLammIdeal& o, CComputeObserver* observer, double sS, double dCm2s,
                      double loading, const LammTemplateOutput& output);
