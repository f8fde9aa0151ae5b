// Sorting 1-based float arrays and merging duplicate abscissae.
#pragma once

// indx[1..n] receives the indices of arr in ascending order of arr; arr is unchanged.
void indexx(int n, const float* arr, int* indx);
// Sorts arr[1..n] ascending and rearranges brr[1..n] the same way.
void sort2(int n, float* arr, float* brr);

// Distinct keys of a (ascending) with the largest w of each run into keysA/weightsA, and the same
// for the keys b into keysB/weightsB; the output arrays hold n elements. Returns true.
bool SortMergeXY(int n, const float* a, const float* b, const float* w, int* countA, float* keysA,
                 float* weightsA, int* countB, float* weightsB, float* keysB);

// Sorts a ascending and rearranges b and c with the same permutation.
void SortByIndex(int n, float* a, float* b, float* c);
