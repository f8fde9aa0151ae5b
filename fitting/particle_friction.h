// The frictional ratio each discrete species implies, and the box at the end of a fit that names
// the species no particle can be.
#pragma once

#include <string>
#include <vector>

class TXLAWindow;

// f/f0 of an included species (slot 1..maxSpecies) sedimenting in the centrifugal field, from its
// s, its M (or the M its s and D give) and the solvent's vbar and density, its f0 in water's
// viscosity at the scans' temperature times the buffer's relative viscosity. Negative when s has
// the sign the buoyancy (1 - vbar density) forbids. A species with no s, or of a model whose s is
// no sedimentation coefficient, has none: false.
bool SpeciesFrictionalRatio(int slot, double& ff0);

// An included species whose values no particle has: an f/f0 below 1 (smaller than a sphere's of
// its mass), an s whose sign vbar and density forbid (it floats where they make it sediment, or
// the reverse), or a loading below zero in the species models.
struct SpeciesNoParticle {
    int slot;
    double ff0; // f/f0, 0 when it has none
    bool belowSphere;
    bool wrongSign;
    bool negativeLoading;
};
std::vector<SpeciesNoParticle> SpeciesNoParticleCanBe();

// The box that names each such species for what it is; the values stay as they are (a wrong vbar
// can make a real species look so). Nothing when there is none, nor in a series of fits.
void ReportSpeciesNoParticleCanBe(TXLAWindow* window);
