// Fluorophores as a fit and a saved analysis see them: each fluorophore's adjustable values as a
// flat list and back, the recovery chain that ties levels together, and a set of fluorophores
// with shared recovery times, its parameter and variation lists and its saved list. All lists
// are 1-based float arrays, as the fit vectors are.
#pragma once

#include "state/fluorophore.h"

#include <vector>

// Recovery times [1..m]: a different count makes the levels 1.0 and the fit switches 0; the same
// count only copies the times. Nothing for m < 1 or no times.
void SetResetTimes(CFluorophore& f, int m, const float* times);
// Grows to w wavelengths (w >= 2 and more than now); the new ones bleach not at all.
void SetWavelengthCount(CFluorophore& f, int w);
// Sets the level of wavelength l after recovery time i; indices past the counts are reported and
// nothing is set.
void LoadRecoveryLevels(CFluorophore& f, int l, int i, float level);
// Clears the recovery fit switches without recovery; orders and clips the chain's range and
// makes its levels follow the chain rule (their fit switches cleared).
void ConstrainRecovery(CFluorophore& f);
// The adjustable values in order: rate, plateau (from wavelength 1), then the level after each
// recovery time whose switch is set. With a list, its capacity must hold (m + 2) x w values
// (reported, 0 otherwise). Returns the count.
int CreateListOfAdjustableParameters(CFluorophore& f, int capacity, float* list);
int CountAdjustableParameters(CFluorophore& f);
// Takes list[1..count] back (rate, plateau and levels on every wavelength), then the chain
// rule; a count other than the present one is reported and changes nothing.
bool ApplyListOfAdjustableParameters(CFluorophore& f, const float* list, int count);
// Same wavelengths, amplitudes, rates, plateaus, recovery times count and switch, and levels.
bool IsEqual(const CFluorophore& a, const CFluorophore& b);

// Several fluorophores with shared recovery times, of which the active ones enter a fit.
class CAllFluorophores {
  public:
    int FluorophoreCount() const { return count; }
    CFluorophore& Fluorophore(int i) { return fluorophores[i]; } // 1-based
    bool Active(int i) const { return active[i]; }
    void SetActive(int i, bool on) { active[i] = on; }

    // For n >= 1 and different from now: the old fluorophores and switches kept in the first
    // places, fresh saved copies.
    void SetFluorophoreCount(int n);
    void SetSharedResetTimes(int m, const float* times);

    // The active fluorophores' lists in index order, then the further values whose switch is set.
    int CountAllAdjustable();
    int CreateAllParameterList(int capacity, float* list);
    bool ApplyListOfAdjustableParameters(const float* list, int count);
    // Per active fluorophore its rate and plateau switches and one switch per recovery time,
    // then the three further values' switches: 1 when adjustable.
    std::vector<float> CreateListOfVariation();
    bool ApplyListOfVariation(const std::vector<float>& list);
    void ConstrainAllRecovery();
    void BuildActiveIndex();
    int ActiveCount() const { return activeCount; }
    // Two active fluorophores without recovery times that share a rate and whose plateaus do not
    // have opposite signs (at wavelength 1): their signals cannot be told apart.
    bool HasSharedFluorophoreRates() const;
    bool DidFluorophoreParameterChange(int index);
    void SaveFluorophoreCopy(int index);

    // The whole set as one list [1..length]; restoring checks the length against what the list
    // itself announces and changes nothing when they differ.
    int CountParametersToBeSaved() const;
    std::vector<float> CreateListOfTotalNumberOfParametersToBeSaved() const;
    bool RestoreListofTotalNumberOfParametersToBeSaved(const std::vector<float>& list);

    // Three further values with their fit switches, and two fixed values; kept and saved.
    float further[4] = {0.0f, 0.0f, 1.0f, 0.12f}; // [1..3]
    bool furtherFit[4] = {false, false, false, false};
    float fixedLow = 0.02f, fixedHigh = 2.0f;

  private:
    int count = 0;
    std::vector<CFluorophore> fluorophores{1}; // [1..count]
    std::vector<CFluorophore> saved{1};
    std::vector<bool> active{false};
    std::vector<int> activeIndex{0};  // [1..activeCount]
    std::vector<int> reverseIndex{0}; // [1..count]: place in the active list, 0 when inactive
    int activeCount = 0;
    bool activeIndexBuilt = false;
    int sharedResetCount = 0;
    std::vector<float> sharedResetTimes{0.0f};
};
