// The frictional ratio each discrete species implies, and the box at the end of a fit that names
// the species no particle can be.
#pragma once

#include <string>
#include <vector>

class TXLAWindow;

// f/f0 of an included species (slot 1..maxSpecies) sedimenting in the centrifugal field, from its
// s, its M (or the M its s and D give) and the solvent's vbar, density and viscosity. A species
// with no s, or of a model whose s is no sedimentation coefficient, has none: false.
bool SpeciesFrictionalRatio(int slot, double& ff0);

// An included species whose f/f0 is below 1 (smaller than a sphere's of its mass): no particle
// has it.
struct SpeciesBelowSphere {
    int slot;
    double ff0;
};
std::vector<SpeciesBelowSphere> SpeciesNoParticleCanBe();

// The box that names each such species with its f/f0; the values stay as they are (a wrong vbar
// can make a real species look so). Nothing when there is none, nor in a series of fits.
void ReportSpeciesNoParticleCanBe(TXLAWindow* window);
