// The discretisation of every Lamm solution, held for the duration of one optimiser run: the
// integer choices an evaluation derives from the parameters (node count and node layout, the
// algorithm, the first time step, the opened bottom, the steps in time) are made once from the
// start values and kept, so the objective the optimiser sees is a smooth function of the
// parameters.
#pragma once

#include <memory>
#include <vector>

// What one Lamm solution chose when it was first solved in the optimiser run.
struct HeldLammGrid {
    bool movingHat = false, claverie = true, automaticSGrid = false, fixTimestep = false;
    double firstTimeStep = 10.0;
    // 0 when the grid was not sized from the parameters (a set grid size, nothing to hold)
    int nodes = 0;
    // Node positions (r - meniscus) / (bottom - meniscus), 1-based, of a fixed grid that is not
    // uniform; empty for a uniform or moving grid. Meniscus and bottom move the nodes smoothly.
    std::vector<double> fractions;
    bool backDiffusionShutOff = false;
    // The steps in time the fixed grid accepted, in order (the scan times are the same for all).
    std::vector<double> steps;
    // The uniform node estimate the held grid was sized for: a trial whose own automatic
    // estimate is larger needs a finer grid than the held one. On the simulation grid of the
    // module-wide solvers, -1 holds the default grid (no real particle to size it for).
    double resolution = 0.0;
    // A uniform-then-growing simulation grid: where its steps start to grow and its uniform
    // step, as fractions of the column; 0 for the other shapes.
    double growthStart = 0.0, growthStep = 0.0;
};

// Lists are numbered in the order an evaluation runs them, equations by their place in the list.
class HeldDiscretisation {
  public:
    // Points per sigma of a held grid over those of the automatic rule: room for the trials of
    // the optimiser run to need finer grids than the start values did.
    static constexpr double kMargin = 1.25;

    // The held record of the scopes around a run, set aside while the run lives.
    struct Record;
    class SetAside {
      public:
        SetAside();
        ~SetAside();
        SetAside(const SetAside&) = delete;
        SetAside& operator=(const SetAside&) = delete;

      private:
        std::unique_ptr<Record> outer_;
    };

    // Holds while a scope lives, on a record of its own that is clear at both ends: an optimiser
    // run begun inside another's evaluation neither sees nor changes the grids held around it,
    // which come back (with their list numbering) when it ends.
    class Scope {
      public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        SetAside aside_;
    };
    // Nothing is held while it lives: a run inside an optimiser's evaluation solves as it would
    // alone, and the record held around it comes back when it ends.
    using Outside = SetAside;

    static bool Active();
    // Before each evaluation of the objective: the list numbering starts again.
    static void BeginEvaluation();
    // The number of the next list of the current evaluation; -1 when nothing is held.
    static int NextList();
    static bool Find(int list, int equation, HeldLammGrid& out);
    static void Store(int list, int equation, const HeldLammGrid& grid);
    // A trial needed a finer grid than the one held. When the run's best trial did, the run is
    // repeated on grids sized again from it; a trial elsewhere (at a bound, say) does not count.
    static void NoteOutgrown();
    static bool Outgrown();
    // The evaluation begun last needed a finer grid than the one held.
    static bool EvaluationOutgrown();
    // Forgets the held grids (the next evaluation sizes them again) and the outgrown mark.
    static void Resize();
    // Counts the times the record was cleared (a scope begun or ended, a resize): two solutions
    // of the same equations within one count are solved on the same held discretisation.
    static unsigned long Epoch();
};
