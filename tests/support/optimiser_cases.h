// The three optimiser roads a fit test runs once each, in this order: simplex, simulated
// annealing followed by Marquardt-Levenberg, and Marquardt-Levenberg alone.
#pragma once

struct OptimiserCase {
    const char* name;
    bool simplex, annealing, ml;
};

inline constexpr OptimiserCase kEveryOptimiser[] = {{"simplex", true, false, false},
                                                    {"annealing + ML", false, true, false},
                                                    {"ML", false, false, true}};
