// Random numbers: the program's clock-seeded combined generator (uniform and Gaussian deviates,
// random permutations for plot thinning) and the reproducible shuffled minimal standard generator.
#pragma once

#include <ctime>

// The current calendar time in seconds.
std::time_t TimeSeed();

// Uniform in [a, b).
double UniformRandom(float a, float b);
// Normal deviate with mean 0 and standard deviation sigma (polar method, one spare kept).
double GaussRandom(float sigma);
// The same with its own generator, in double arithmetic.
double GaussRandomD(double sigma);
// Seeds GaussRandom's generator as the clock would with the given seconds and drops its spare
// deviate, so the deviates that follow repeat for the same seed.
void SeedGaussRandom(std::time_t seed);

// Uniform in (0, 1), at most 0.99999988; a non-positive seed restarts the sequence, so the same
// negative seed always gives the same sequence.
float ran1(int* seed);

// Random transpositions of the permutation held in array[lo..n] (1-based); n * fraction of them.
bool RandomSubset(int* array, int lo, int n, float fraction);
// Fills array[1..n] with a permutation of 1..n: 1..lo-1 in place, then randomly chosen indices
// up to n * fraction marked in all, then the rest in ascending order.
bool RandomSubsetOfSize(int* array, int lo, int n, float fraction);
