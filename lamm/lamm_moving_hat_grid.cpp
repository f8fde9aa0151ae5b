// The moving reference grid of the moving-hat loop: set-up, assembly, end entries, grid shift.
#include "lamm/hat_integrals.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_moving_hat_ends.h"

#include <cmath>

namespace {

constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;

} // namespace

// Interior nodes sit at geometric reference radii and move with the frame r = x exp(k t); the
// end nodes stay at the meniscus and the bottom, so in the reference frame they move. The first
// interval is half a ratio step and the last one and a half (mirrored for flotation), so after
// one period T every interior node lands on its neighbour's start.
void CLammIdeal::SetupMovingGrid() {
    outputGridKept = false;
    shiftCount = 0;
    const double omega = currentRotorSpeed * kTwoPiOver60;
    sOmega2 = omega * omega * s * 1e-13;
    frameRate = omega * omega * sGrid * 1e-13;
    t0 = t;
    const double m = meniscus, b = bottom;
    period = frameRate == 0.0 ? 1e10 : std::log(b / m) / (std::fabs(frameRate) * (N - 1));
    ratio = std::pow(b / m, 1.0 / (N - 1));
    x[1] = r[1] = m;
    if (sGrid >= 0.0) {
        for (int i = 2; i < N; ++i)
            x[i] = m * std::pow(b / m, (i - 1.5) / (N - 1));
    } else {
        x[2] = m * std::pow(b / m, 1.5 / (N - 1));
        for (int i = 3; i < N; ++i)
            x[i] = x[i - 1] * ratio;
    }
    for (int i = 2; i < N; ++i)
        r[i] = x[i];
    x[N] = r[N] = b;
    gridE = gridE2 = 1.0;
    V1 = NodeVolume(1);
    V2 = NodeVolume(2);
    P2 = (x[2] - x[1]) * (x[1] + 2.0 * x[2]) / 6.0;
    P3 = (x[3] - x[2]) * (x[2] + 2.0 * x[3]) / 6.0;
    referenceVolumes.resize(N + 1);
    for (int i = 1; i <= N; ++i)
        referenceVolumes[i] = NodeVolume(i);
    VN = NodeVolume(N);
    VN1 = NodeVolume(N - 1);
    PN1 = (x[N] - x[N - 1]) * (2.0 * x[N - 1] + x[N]) / 6.0;
    PN2 = (x[N - 1] - x[N - 2]) * (2.0 * x[N - 2] + x[N - 1]) / 6.0;
}

// With the frame moving exactly with the species (automatic s_grid, constant speed) the
// transport is s omega^2 (F - S), which avoids cancelling k F against s omega^2 S.
bool CLammIdeal::UseCombinedTransport() const {
    return automaticSGrid && !inhomogeneousSolvent && !accelerationPhaseActive &&
           !cosolventGradient;
}

void CLammIdeal::ComputeTransportRow(int i) {
    if (UseCombinedTransport()) {
        Ta[i] = sOmega2 * (Fra[i] - Sa[i]);
        Tb[i] = sOmega2 * (Frb[i] - Sb[i]);
        Tc[i] = sOmega2 * (Frc[i] - Sc[i]);
    } else {
        Ta[i] = frameRate * Fra[i] - sOmega2 * Sa[i];
        Tb[i] = frameRate * Frb[i] - sOmega2 * Sb[i];
        Tc[i] = frameRate * Frc[i] - sOmega2 * Sc[i];
    }
}

void CLammIdeal::AssembleMatrices() {
    SetupMovingGrid();
    for (int i = 1; i <= N; ++i) {
        Ma[i] = MassElement(i, i - 1), Mb[i] = MassElement(i, i), Mc[i] = MassElement(i, i + 1);
        Ka[i] = StiffnessElement(i, i - 1), Kb[i] = StiffnessElement(i, i);
        Kc[i] = StiffnessElement(i, i + 1);
        Sa[i] = SedimentationElement(i, i - 1), Sb[i] = SedimentationElement(i, i);
        Sc[i] = SedimentationElement(i, i + 1);
        Fra[i] = FrameElement(i, i - 1), Frb[i] = FrameElement(i, i);
        Frc[i] = FrameElement(i, i + 1);
        ComputeTransportRow(i);
    }
    EndElementsNow();
}

// A new rotor speed changes s omega^2: only the transport is rebuilt, the grid and k stay.
void CLammIdeal::ReassembleMatrices() {
    const double omega = currentRotorSpeed * kTwoPiOver60;
    sOmega2 = omega * omega * s * 1e-13;
    for (int i = 1; i <= N; ++i)
        ComputeTransportRow(i);
    EndElementsNow();
}

// Raw entries (mass, stiffness, sedimentation, frame) of the eight end positions for the current
// x_1 and x_N.
void CLammIdeal::EndEntriesHere(double* m8, double* k8, double* s8, double* f8) const {
    for (int p = 0; p < 8; ++p) {
        const EndPosition e = EndPositionOf(p, N);
        const int j = e.row + e.diagonal;
        m8[p] = MassElement(e.row, j);
        k8[p] = StiffnessElement(e.row, j);
        s8[p] = SedimentationElement(e.row, j);
        f8[p] = FrameElement(e.row, j);
    }
}

void CLammIdeal::EndElementsNow() {
    double m8[8], k8[8], s8[8], f8[8];
    EndEntriesHere(m8, k8, s8, f8);
    for (int p = 0; p < 8; ++p) {
        const EndPosition e = EndPositionOf(p, N);
        EndEntry(Ma, Mb, Mc, e) = m8[p];
        EndEntry(Ka, Kb, Kc, e) = k8[p];
        EndEntry(Sa, Sb, Sc, e) = s8[p];
        EndEntry(Fra, Frb, Frc, e) = f8[p];
    }
    ComputeTransportRow(1);
    ComputeTransportRow(2);
    ComputeTransportRow(N - 1);
    ComputeTransportRow(N);
}

void CLammIdeal::EndElementsAt(double tau) {
    const double keep1 = x[1], keepN = x[N];
    const double e = std::exp(frameRate * tau);
    x[1] = meniscus / e;
    x[N] = bottom / e;
    double f8[8];
    EndEntriesHere(endM, endK, endS, f8);
    EndMassRates(endMRate);
    const bool combined = UseCombinedTransport();
    for (int p = 0; p < 8; ++p)
        endTr[p] = combined ? sOmega2 * (f8[p] - endS[p]) : frameRate * f8[p] - sOmega2 * endS[p];
    x[1] = keep1;
    x[N] = keepN;
}

// Time derivatives of the end entries of M: x_1 = m / E and x_N = b / E both move with
// dx/dt = -k x, and the entries are the closed forms of the end elements differentiated in the
// moving end radius. Their column sums are the rates of change of the end node volumes, which
// the conservative step needs exactly; the grid tests compare them with difference quotients.
void CLammIdeal::EndMassRates(double* rate8) const {
    const double a = x[1], c = x[2]; // first element, a moves
    const double va = -frameRate * a;
    rate8[0] = va * (c - 3.0 * a) / 6.0;
    rate8[1] = rate8[2] = va * -a / 6.0;
    rate8[3] = va * -(a + c) / 6.0;
    const double p = x[N - 1], q = x[N]; // last element, q moves
    const double vq = -frameRate * q;
    rate8[4] = vq * (p + q) / 6.0;
    rate8[5] = rate8[6] = vq * q / 6.0;
    rate8[7] = vq * (3.0 * q - p) / 6.0;
}

void CLammIdeal::SetGridEnds(double tau) {
    gridE = std::exp(frameRate * tau);
    gridE2 = gridE * gridE;
    x[1] = meniscus / gridE;
    x[N] = bottom / gridE;
}

void CLammIdeal::UpdateRadii() {
    outputGridKept = false;
    const double e = std::exp(frameRate * (t - t0));
    r[1] = meniscus;
    for (int i = 2; i < N; ++i)
        r[i] = x[i] * e;
    r[N] = bottom;
}

// Amount in a 2-degree sector of 1.2 cm height, on the grid ends set by the caller.
double CLammIdeal::MovingGridAmount() {
    return 1.2 * 0.0349065850 * ReferenceAmount() * gridE2;
}

// Sum of node volume times concentration on the reference radii with the current end radii:
// the interior volumes never change within a run, only the two nodes at each end follow x_1
// and x_N.
double CLammIdeal::ReferenceAmount() const {
    return HatGridAmount(x, referenceVolumes.data(), c, N);
}

// End of a grid period: every interior node has reached its neighbour's start, so the profile
// moves by one node. The two values at each end come from the amount balance of the end
// elements (arriving material) or from interpolation at the new node position (leaving).
// Exactly, the interior elements map onto their neighbours with their amounts; in floating
// point their widths, differences of rounded radii, agree only to about 1e-12, and under a
// profile that stands still in the moving frame that rounding would add up period after period.
// The node where material arrives takes the difference, so the amount is the same before and
// after to rounding of the sums.
void CLammIdeal::ShiftGrid() {
    SetGridEnds(PeriodPhase(t - t0, period));
    const double E = gridE, E2 = gridE2, m = meniscus, b = bottom;
    // The interior amounts before and after the move in one pass: only the end volumes change.
    double interiorBefore = 0.0, interiorAfter = 0.0;
    HatInteriorAmounts(referenceVolumes.data(), c, N, s < 0.0 ? 1 : -1, interiorBefore,
                       interiorAfter);
    const double before = HatGridAmountFrom(x, c, N, interiorBefore) * E2;
    double newN = c[N], newN1 = c[N - 1], new1 = c[1], new2 = c[2];
    if (s >= 0.0) {
        const double amount =
            E2 * (PN2 * c[N - 2] + NodeVolume(N - 1) * c[N - 1] + NodeVolume(N) * c[N]);
        newN1 = c[N - 2];
        newN = (amount - c[N - 2] * PN1) / VN;
        if (s > 0.0 && newN < newN1)
            newN = newN1 = (newN1 * VN1 + newN * VN) / (VN + VN1);
        if (D != 0.0 || s <= 1e-10) {
            new1 = c[1];
            new2 = c[1] + (c[2] - c[1]) * (x[2] - m) / ((x[2] - x[1]) * E);
        } else {
            new1 = 0.0;
            new2 = (((x[2] * x[2] / 3.0 - x[2] * x[1] / 6.0 - x[1] * x[1] / 6.0) * E2 - P3) * c[2] +
                    NodeVolume(1) * E2 * c[1]) /
                   V2;
        }
    } else {
        if (D != 0.0 || std::fabs(s) <= 1e-10) {
            newN = c[N];
            newN1 = c[N] + (c[N - 1] - c[N]) * (x[N - 1] - b) / ((x[N - 1] - x[N]) * E);
        } else {
            newN = 0.0;
            const double w = (x[N] * x[N] + x[N - 1] * x[N] - 2.0 * x[N - 1] * x[N - 1]) / 6.0;
            const double amount = E2 * (c[N - 1] * w + NodeVolume(N) * c[N]);
            newN1 = (amount - PN2 * c[N - 1]) / VN1;
        }
        const double amount = E2 * (P3 * c[3] + NodeVolume(2) * c[2] + NodeVolume(1) * c[1]);
        new2 = c[3];
        new1 = (amount - P2 * c[3]) / V1;
        if (new1 < new2)
            new1 = new2 = (new2 * V2 + new1 * V1) / (V1 + V2);
    }
    // Only c moves: every step starts by copying c to cOld, so the old profile is not kept over
    // a shift.
    if (s < 0.0) {
        for (int i = 3; i <= N - 2; ++i)
            c[i] = c[i + 1];
    } else {
        for (int i = N - 2; i >= 3; --i)
            c[i] = c[i - 1];
    }
    c[1] = new1, c[2] = new2, c[N - 1] = newN1, c[N] = newN;
    x[1] = m;
    x[N] = b;
    gridE = gridE2 = 1.0;
    const int arriving = s < 0.0 ? 1 : N;
    const double rounding =
        (before - HatGridAmountFrom(x, c, N, interiorAfter)) / referenceVolumes[arriving];
    c[arriving] += rounding;
    t0 = t;
    ++shiftCount;
}

double CLammIdeal::BottomSlope() const {
    const double E = std::exp(frameRate * (t - t0));
    const double g1 = (c[N] - c[N - 1]) / (bottom - E * x[N - 1]);
    const double g2 = (c[N - 1] - c[N - 2]) / (E * x[N - 1] - E * x[N - 2]);
    const double w = (bottom - E * x[N - 1]) / (bottom - E * x[N - 2]);
    return g1 + (g1 - g2) * w;
}

double CLammIdeal::MeniscusSlope() const {
    const double E = std::exp(frameRate * (t - t0));
    const double g1 = (c[2] - c[1]) / (E * x[2] - meniscus);
    const double g2 = (c[3] - c[2]) / (E * x[3] - E * x[2]);
    const double w = (E * x[2] - meniscus) / (E * x[3] - meniscus);
    return g1 - (g2 - g1) * w;
}
