// The node count of the simulation grid sized from one species: the boundary's width when it
// reaches the first fitted radius, resolved with a set number of points per width.
#pragma once

struct GridSizeInputs {
    double sS = 0.0;    // S
    double dCm2s = 0.0; // cm^2/s, positive
    double temperatureC = 20.0;
    double vbar = 0.73, density = 1.0;
    double rpm = 0.0;
    double meniscus = 0.0, bottom = 0.0;
    double firstFitRadius = 0.0;   // cm
    double accelerationRate = 0.0; // rpm/s, of the first scan in scan order
    double accelerationTime = 0.0; // s
    double pointsPerSigma = 5.0;
    int minNodes = 75, maxNodes = 2000;
    bool movingHat = false;
};

struct GridSizeChoice {
    double frictionalRatio = 0.0;
    // False when the frictional ratio is below 0.5 (no real particle) or no boundary forms (no
    // rotor speed): the default grid then applies with the whole grid active, and the fields below
    // stay 0.
    bool sized = false;
    double startRadius = 0.0;   // r0, cm
    double boundaryWidth = 0.0; // sqrt(D tau), at least 0.001 cm
    int uniformCount = 0;       // nodes of a uniform grid with that resolution
    int movingCount = 0;        // nodes of the geometric grid whose first interval resolves it
    int nodes = 0;              // the count of the chosen algorithm, inside [minNodes, maxNodes]
};

// The boundary passes r0 (the first fitted radius, at least meniscus + 0.001 cm) after the time
// tau that the sedimenting meniscus needs to get there, the acceleration phase included; its width
// then is sqrt(D tau). The uniform grid takes (b - m) / width x pointsPerSigma nodes; the
// geometric grid of the moving hat the fewest whose first interval is not wider than the uniform
// step. Checked against the closed form of tau and against the grid a finer rule would take.
GridSizeChoice ChooseAutomaticGridSize(const GridSizeInputs& in);
