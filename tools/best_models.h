// The output of the outside boundary-element hydrodynamics programs: the translational diffusion
// coefficient of each triangulated model, extrapolated to infinitely many triangles and turned
// into a sedimentation coefficient under standard conditions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr int kMaxBestModels = 100;

struct BestModel {
    double triangles = 0.0; // N
    double d = 0.0;         // translational diffusion coefficient, cm^2/s
};

// The models of the text in file order, at most kMaxBestModels: per model the number after
// "Number of Surface Patches" and, later in its block, the one after "DTT(EXACT) =". A model
// without a positive number of triangles or a positive D cannot be extrapolated and is passed
// over; a patch entry without a later D ends the reading.
std::vector<BestModel> ReadBestModels(std::string_view text);

struct BestExtrapolation {
    bool ok = false;
    std::vector<BestModel> models; // largest model first
    int used = 0;                  // the largest models the line was fitted to
    double d0 = 0.0;               // D at 1/N = 0, cm^2/s
    double slope = 0.0;            // of D against 1/N
};

// D against 1/N extrapolated to 0: one model gives its own D; two or three a line through all;
// from four on the coarsest model is left out while that lowers the residual sum below 30 % of
// its value, down to three models. Not ok without models, or when every model in the fit has
// the same number of triangles.
BestExtrapolation ExtrapolateBestModels(std::vector<BestModel> models);

// s in S of a particle of molar mass (Da) and partial-specific volume (ml/g) with diffusion
// coefficient d (cm^2/s) in water at 20 C.
double StandardSFromD(double molarMass, double d, double vbar);

// The report of the command: the models, the extrapolation, the s-value and the plot question.
std::string BestReportText(const std::string& fileName, const BestExtrapolation& e,
                           double molarMass, double vbar, double s);
