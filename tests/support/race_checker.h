// Whether the tests run under the race checker (the ThreadSanitizer build), where every memory
// access is checked and a case takes many times longer. The slowest tests take a smaller case
// there: the same roads, with fewer scans, grid points or repeats.
#pragma once

#if defined(TARNIX_UNDER_RACE_CHECKER)
inline constexpr bool kUnderRaceChecker = true;
#else
inline constexpr bool kUnderRaceChecker = false;
#endif

// The full value in the other builds, the smaller one under the race checker.
template <class T> constexpr T FullOrUnderRaceChecker(T full, T checked) {
    return kUnderRaceChecker ? checked : full;
}
