// Molar mass, extinction at 280 nm, partial specific volume and refractive increment of a protein
// from its amino-acid sequence in one-letter code.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// Residue counts indexed 1..26 by the letters A..Z; ambiguous letters split their count.
struct ResidueCounts {
    std::array<double, 27> count{};
    int read = 0;              // amino acids read (ambiguous letters count once each)
    std::vector<char> notices; // B, J, Z, O, U, X in the order met, one per occurrence
};
ResidueCounts CountResidues(std::string_view text);
// The text shown for a notice letter.
const char* ResidueNotice(char letter);

struct SequenceConditions {
    double disulfideFraction = 0.0; // of the cysteines; none with fewer than two
    double temperature = 20.0;      // C
    double bufferIndex = 1.334;     // refractive index of the buffer at 25 C
    double wavelength = 580.0;      // nm
};

struct SequenceProperties {
    double mass = 0;              // Da
    double extinction280 = 0;     // 1/(M cm)
    double vbarCohnEdsall = 0;    // ml/g at the temperature
    double vbarPerkins = 0;       // ml/g at the temperature
    double dndc590 = 0;           // ml/g at 25 C, 590 nm
    double dndcWavelength = 0;    // ml/g at 25 C and the wavelength
    double dndcEstimated = 0;     // ml/g at the temperature and the wavelength
    double fringesPerMgMl = 0;    // 12 mm path, 655 nm, at the temperature
    double fringeCoefficient = 0; // fringes / (M cm)
};
SequenceProperties ComputeSequenceProperties(const ResidueCounts& counts,
                                             const SequenceConditions& conditions);
// The result text of the calculator.
std::string SequenceReport(const ResidueCounts& counts, const SequenceConditions& conditions,
                           const SequenceProperties& p);
