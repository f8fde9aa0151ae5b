// What tells a floating species' depletion from the dip a coarse grid leaves beside its pile-up at
// the meniscus, for the end test of every solver: the share of the species that sedimentation
// equilibrium keeps at the data's inner limit, what its plateau can reach, and whether the data
// range still shows it.
#pragma once

class CFloatingEnd {
  public:
    enum class Verdict {
        Probe,     // the probe's own reading stands
        GoesOn,    // the probe dips beside the pile-up while the data still show the species
        GridFails, // the grid cannot carry the pile-up: the run fails with the discretization error
    };

    // Starts the judgement of a species of s (S) and D (cm^2/s) spun at rpm in a column from
    // meniscus to bottom, whose probe ends the run at endShare of its start. Its data are the
    // nodes from..to of the start profile c[1..n] at the radii r[1..n]: the probe at from, at or
    // before the data's inner limit innerLimit, the others beyond it. judged: whether what the
    // species can reach bounds its data (a single ideal species loaded uniformly, at the final
    // speed). scan: the scan awaited now. Nothing is judged for a species that does not float.
    void Start(double s, double D, double rpm, double meniscus, double bottom, double innerLimit,
               double endShare, const double* r, const double* c, int n, int from, int to,
               bool judged, int scan);

    // The verdict on the profile c at time t (s), with the scan then awaited and whether the probe
    // reads below its end level. Once a scan, and before the probe ends the run, a node above twice
    // what a judged species can reach there, or a data node below minus its loading, shows a grid
    // that smears the pile-up into the data or rings without bound: its plateau, concentrating as
    // exp(-2 s omega^2 t), on top of the tail of its equilibrium pile-up (both meet as the boundary
    // reaches the pile-up) for the share of the loading that can have reached the meniscus by t
    // (what started within m exp(-s omega^2 t) of the axis). The tail is taken at the data's inner
    // limit for the nodes beyond it and for a probe at the meniscus, which holds the whole pile-up;
    // a probe between the meniscus and that limit is held to the whole tail at its own radius. A
    // probe below its level where a judged species' equilibrium keeps it in the data is the grid
    // failing beside the pile-up; where three neighbouring data nodes still reach the level, the
    // dip is the grid's and the run goes on. A single node there is the ringing a pile-up leaves
    // beside it once the species has gone.
    Verdict Judge(const double* c, double t, int scan, bool below, double level) {
        return floating_ ? JudgeFloater(c, t, scan, below, level) : Verdict::Probe;
    }

  private:
    Verdict JudgeFloater(const double* c, double t, int scan, bool below, double level);

    bool floating_ = false, judged_ = false, probeAtMeniscus_ = false;
    int from_ = 0, to_ = 0, ceilingScan_ = 0;
    double s_ = 0.0, rpm_ = 0.0, loadingPeak_ = 0.0;
    double logTail_ = -1e300, logEndShare_ = 0.0; // log c_eq / c0 at the data; log of the end share
    double dataTail_ = 0.0, probeTail_ = 0.0;     // c_eq / c0 at the data's inner limit, the probe
    double shareScale_ = 0.0;                     // m^2 / (b^2 - m^2)
};
