// The frictional ratio each discrete species implies, and the box at the end of a fit that names
// the species no particle can be.
#pragma once

#include <string>
#include <vector>

class TXLAWindow;

// f/f0 of an included species (slot 1..maxSpecies) sedimenting in the centrifugal field, from its
// s, its M (or the M its s and D give) and the solvent's vbar and density, its f0 in the buffer's
// viscosity (water's at 20 C times ScanStore::viscosity), as the Lamm solver and c(s) take it.
// Negative when s has the sign the buoyancy (1 - vbar density) forbids. A species with no s, or of
// a model whose s is no sedimentation coefficient, has none: false.
bool SpeciesFrictionalRatio(int slot, double& ff0);

// An included species whose values no particle has: an f/f0 below 1 (smaller than a sphere's of
// its mass) both in the buffer's viscosity and with water's at the scans' temperature in its
// place (a viscosity left at water's for a run at another temperature names no ordinary protein),
// ff0 the first; an s whose sign vbar and density forbid (it floats where they make it sediment,
// or the reverse); or a loading below zero in the species models.
struct SpeciesNoParticle {
    int slot;
    double ff0; // f/f0, 0 when it has none
    bool belowSphere;
    bool wrongSign;
    bool negativeLoading;
};
std::vector<SpeciesNoParticle> SpeciesNoParticleCanBe();

// The box that names each such species for what it is; the values stay as they are. Its last
// line says what can make a real species look so (a wrong vbar, or a viscosity other than the
// buffer's at the run's temperature), and where a loading is below zero that the fit may have
// ended in a valley of its start values. Nothing when there is none, nor in a series of fits.
void ReportSpeciesNoParticleCanBe(TXLAWindow* window);
