// Which continuous distribution a model computes: the grid's abscissa and the map from each of
// its points to the species' s, D and M.
#pragma once

// The continuous models this engine computes; others are not part of this version.
enum class ContiVariant {
    None,
    Cs,             // c(s): D from s and the frictional ratio
    CsInvariantD,   // c(s) with one diffusion coefficient for every s
    CM,             // c(M): s and D from M and the frictional ratio
    CsNonideal,     // c(s) whose species feel the total concentration: s / (1 + ks C), D (1 + kd C)
    LsGStar,        // ls-g*(s): non-diffusing boundaries
    DlsD,           // light scattering over log10 D (D in cm^2/s)
    DlsRh,          // light scattering over the Stokes radius Rh (nm)
    CMInvariantD,   // c(Mb) over the buoyant molar mass, one diffusion coefficient for every Mb
    FMvsM,          // c(M) whose s follows the scaling law s = ks M^a
    CMPowerLaw,     // c(M) whose s follows the power law s = K M^b of SFromM
    CMPriorVbar,    // c(M) whose vbar follows vbar(M) of VbarFromMass
    CsFloatingVbar, // c(s) at a fixed frictional ratio, vbar a parameter of the Fit
    ZoneCs,         // c(s) of a zone loaded as a layer at the meniscus
    ZoneLsGStar,    // ls-g*(s) of a zone: non-diffusing bands
    LsGStarV,       // ls-g*(v) of electrophoresis: non-diffusing steps drifting at v (1e-4 cm/s)
    CvElectrophoresis, // c(v) of electrophoresis: Lamm solutions drifting at v, one D for every v
    // c(s) whose molar mass at each s follows a shape assumption of the model (D from s and M):
    CsBimodal,       // a second f/f0 over an s-range, the main one elsewhere
    CsConformer,     // a fixed molar mass over an s-range, the main f/f0 elsewhere
    CsWormlikeChain, // M of a wormlike chain of that s
    CsScalingLaw,    // M from s = ks M^a
    CsMofSTable,     // M interpolated in the loaded M(s) table
    CsLinearRod,     // M of a long rod of the rod parameter's mass per length
};
