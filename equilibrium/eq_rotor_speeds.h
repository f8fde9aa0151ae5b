// Planning of a sedimentation equilibrium run: three rotor speeds for a range of molar masses,
// the predicted equilibrium profiles at those speeds and the hours to the first equilibrium.
#pragma once

#include <array>
#include <string>
#include <vector>

struct RotorSpeedInputs {
    double massLow = 0.0;  // Da
    double massHigh = 0.0; // Da
    double bottom = 7.2;   // cm
    double meniscus = 6.7; // cm
    double vbar = 0.73;    // ml/g
    double density = 1.0;  // g/ml
};

struct RotorSpeedEstimate {
    bool ok = false;
    std::string refusal;        // why the inputs give no estimate
    double speed1 = 0.0;        // rpm: highest mass at c(b)/c(m) = 5, whole hundreds
    double speed2 = 0.0;        // rpm: lowest mass at c(b)/c(m) = 10, whole hundreds
    double speed3 = 0.0;        // rpm: lowest mass depleted at the meniscus, whole thousands or 0
    double hours = 0.0;         // to the first equilibrium, the slower of the two masses
    std::vector<double> radius; // 100 radii from meniscus to bottom
    // Highest mass at speeds 1, 2, 3; lowest mass at 1, 2, 3; their mean at 1, 2, 3.
    std::array<std::vector<double>, 9> profiles;
};

// Equilibrium concentration at radius r of mass M at rpm, for unit loading concentration in the
// sector between meniscus and bottom; uniform at rest.
double EqProfileAt(double mass, double buoyancy, double rpm, double meniscus, double bottom,
                   double r);

// Masses not positive, a meniscus not below the bottom and a solvent at least as dense as the
// solute are refused.
RotorSpeedEstimate EstimateEqRotorSpeeds(const RotorSpeedInputs& in);
