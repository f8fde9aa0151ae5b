// Residue tables and the sums over a sequence.
#include "tools/sequence_properties.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

// Per letter A..Z: residue mass (Da), vbar of the first scale at 25 C, specific refraction
// (ml/g), vbar of the second scale at 20 C and its temperature coefficient. Unused letters hold 0.
struct Residue {
    float mass, vbarCE, refraction, vbarP, coefficient;
};
constexpr Residue kResidues[27] = {
    {0, 0, 0, 0, 0},
    {71.079f, 0.74f, 0.242f, 0.744f, 0.0005695f},  // A
    {0, 0, 0, 0, 0},                               // B
    {103.144f, 0.63f, 0.238f, 0.615f, 0.0005453f}, // C
    {115.089f, 0.60f, 0.227f, 0.604f, 0.0006989f}, // D
    {129.116f, 0.66f, 0.233f, 0.657f, 0.0006462f}, // E
    {147.177f, 0.77f, 0.287f, 0.776f, 0.0007857f}, // F
    {57.052f, 0.64f, 0.225f, 0.632f, 0.000549f},   // G
    {137.142f, 0.67f, 0.253f, 0.686f, 0.0006274f}, // H
    {113.16f, 0.90f, 0.282f, 0.884f, 0.0006677f},  // I
    {0, 0, 0, 0, 0},                               // J
    {128.174f, 0.82f, 0.266f, 0.811f, 0.0004793f}, // K
    {113.16f, 0.90f, 0.279f, 0.894f, 0.0004737f},  // L
    {131.198f, 0.75f, 0.263f, 0.758f, 0.0007695f}, // M
    {114.104f, 0.62f, 0.229f, 0.634f, 0.0008368f}, // N
    {0, 0, 0, 0, 0},                               // O
    {97.117f, 0.76f, 0.245f, 0.765f, 0.0006153f},  // P
    {128.131f, 0.67f, 0.237f, 0.682f, 0.0005644f}, // Q
    {156.188f, 0.70f, 0.253f, 0.726f, 0.0006408f}, // R
    {87.078f, 0.63f, 0.22f, 0.634f, 0.0004773f},   // S
    {101.105f, 0.70f, 0.236f, 0.705f, 0.0004957f}, // T
    {0, 0, 0, 0, 0},                               // U
    {99.133f, 0.86f, 0.27f, 0.843f, 0.0004297f},   // V
    {186.213f, 0.74f, 0.297f, 0.737f, 0.0004936f}, // W
    {0, 0, 0, 0, 0},                               // X
    {163.17f, 0.71f, 0.272f, 0.706f, 0.0006207f},  // Y
    {0, 0, 0, 0, 0},                               // Z
};

int Index(char letter) {
    return letter - 'A' + 1;
}

} // namespace

ResidueCounts CountResidues(std::string_view text) {
    ResidueCounts out;
    auto add = [&out](char letter, double amount) { out.count[Index(letter)] += amount; };
    for (char raw : text) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        if (c < 'A' || c > 'Z')
            continue;
        switch (c) {
        case 'B':
            add('N', 0.5);
            add('D', 0.5);
            break;
        case 'J':
            add('I', 0.5);
            add('L', 0.5);
            break;
        case 'Z':
            add('E', 1.0 / 3.0);
            add('Q', 1.0 / 3.0);
            add('G', 1.0 / 3.0);
            break;
        case 'O':
        case 'U':
        case 'X':
            out.notices.push_back(c);
            continue;
        default:
            add(c, 1.0);
            ++out.read;
            continue;
        }
        out.notices.push_back(c);
        ++out.read;
    }
    return out;
}

const char* ResidueNotice(char letter) {
    switch (letter) {
    case 'B':
        return "found B in sequence = either N or D: averaging values from both";
    case 'J':
        return "found J in sequence = either I or L: averaging values from both";
    case 'Z':
        return "found Z in sequence = either E, Q, or G: averaging values from all";
    case 'O':
        return "found O in sequence: will be ignored";
    case 'U':
        return "found U in sequence: unknown will be ignored";
    case 'X':
        return "found X in sequence: unknown will be ignored";
    default:
        return "";
    }
}

SequenceProperties ComputeSequenceProperties(const ResidueCounts& counts,
                                             const SequenceConditions& conditions) {
    SequenceProperties p;
    const double f = conditions.disulfideFraction;
    const double T = conditions.temperature;
    double mass = 18.0, extinction = 0.0, ce = 0.0, perkins = 0.0, perkinsSlope = 0.0,
           refraction = 0.0;
    for (int k = 1; k <= 26; ++k) {
        const double c = counts.count[k];
        if (c == 0.0)
            continue;
        const Residue& r = kResidues[k];
        const double weight = c * r.mass;
        // A disulfide bond joins two cysteines and loses two hydrogens: 1.008 Da per bonded one.
        mass += k == Index('C') ? c * (103.144 - 1.008 * f) : weight;
        ce += weight * r.vbarCE;
        perkins += weight * r.vbarP;
        perkinsSlope += weight * r.coefficient;
        refraction += weight * r.refraction;
    }
    extinction = counts.count[Index('W')] * 5500.0 + counts.count[Index('Y')] * 1490.0 +
                 counts.count[Index('C')] * 62.5 * f; // 125 per cystine, half per cysteine
    p.mass = mass;
    p.extinction280 = extinction;
    const double ce25 = ce / mass;
    p.vbarCohnEdsall = ce25 + 0.000425 * (T - 25.0);
    p.vbarPerkins = perkins / mass + (T - 20.0) * perkinsSlope / mass;
    const double rbar = refraction / mass;
    const double np = std::sqrt((2.0 * rbar + ce25) / (ce25 - rbar));
    const double np2 = np * np;
    const double n0 = conditions.bufferIndex;
    p.dndc590 = 1.5 * ce25 * n0 * (np2 - n0 * n0) / (np2 + 2.0 * n0 * n0);
    const double lambda = conditions.wavelength;
    p.dndcWavelength = (0.94 + 20000.0 / (lambda * lambda)) * 1.0023555 * p.dndc590;
    const double warming = (T - 25.0) * 0.0025 / 30.0;
    p.dndcEstimated = p.dndcWavelength - warming;
    const double dndc655 = 0.9866173 * 1.0023555 * p.dndc590 - warming;
    p.fringesPerMgMl = 0.012 * dndc655 * 0.001 / 655e-9;
    p.fringeCoefficient = p.fringesPerMgMl * mass / 1.2;
    return p;
}

std::string SequenceReport(const ResidueCounts& counts, const SequenceConditions& c,
                           const SequenceProperties& p) {
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "%d amino acids read:\nmass = %.1f Da\nmolar extinction coefficient: %.0f OD280/Mcm\nvbar "
        "(%.1fC, Cohn-Edsall, standard temp coefficient) = %.4f ml/g, vbar (%.1fC, Perkins "
        "consensus, per residue temp coefficient) = %.4f ml/g\ndndc (25C, 590 nm) = %.4f "
        "ml/g\ndndc (25C, %.1f nm) = %.4f ml/g\nestimated dndc (%.1fC, %.1f nm) = %.4f "
        "ml/g\nfringes per mg/ml (12 mm pathlength, 655 nm laser, %.1fC) = %.3f\nfringe "
        "coefficient (fringe/[M cm]) = %.1f",
        counts.read, p.mass, p.extinction280, c.temperature, p.vbarCohnEdsall, c.temperature,
        p.vbarPerkins, p.dndc590, c.wavelength, p.dndcWavelength, c.temperature, c.wavelength,
        p.dndcEstimated, c.temperature, p.fringesPerMgMl, p.fringeCoefficient);
    return text;
}
