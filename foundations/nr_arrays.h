// 1-based arrays of the numerical library, their release functions and the library's error report.
#pragma once

#include <cstdint>

// Reports a failure of the numerical library in the error box and sets the stop flag, so the
// running command ends while the program goes on. A failed allocation is fatal instead.
void nrerror(const char* text);

// Vectors over [nl..nh]: p[nl]..p[nh] are the elements. vector, ivector, lvector and dvector are
// zero-filled; cvector is left uninitialised.
float* vector(long nl, long nh);
int* ivector(long nl, long nh);
unsigned char* cvector(long nl, long nh);
std::int32_t* lvector(long nl, long nh);
double* dvector(long nl, long nh);

// Matrices over [nrl..nrh][ncl..nch]: row pointers into one contiguous row-major block, so the
// matrix can also be walked flat from &m[nrl][ncl]. Elements are left uninitialised.
float** matrix(long nrl, long nrh, long ncl, long nch);
double** dmatrix(long nrl, long nrh, long ncl, long nch);
int** imatrix(long nrl, long nrh, long ncl, long nch);

// Views: row pointers only; the elements belong to the viewed matrix or flat array.
float** submatrix(float** a, long oldrl, long oldrh, long oldcl, long oldch, long newrl,
                  long newcl);
float** convert_matrix(float* a, long nrl, long nrh, long ncl, long nch);

// t[i][j][k] over [nrl..nrh][ncl..nch][ndl..ndh], k fastest in memory; uninitialised.
float*** f3tensor(long nrl, long nrh, long ncl, long nch, long ndl, long ndh);

// Each release takes the bounds its allocator was given; vectors and full matrices accept null.
void free_vector(float* v, long nl, long nh);
void free_ivector(int* v, long nl, long nh);
void free_cvector(unsigned char* v, long nl, long nh);
void free_lvector(std::int32_t* v, long nl, long nh);
void free_dvector(double* v, long nl, long nh);
void free_matrix(float** m, long nrl, long nrh, long ncl, long nch);
void free_dmatrix(double** m, long nrl, long nrh, long ncl, long nch);
void free_imatrix(int** m, long nrl, long nrh, long ncl, long nch);
void free_submatrix(float** b, long nrl, long nrh, long ncl, long nch);
void free_convert_matrix(float** b, long nrl, long nrh, long ncl, long nch);
void free_f3tensor(float*** t, long nrl, long nrh, long ncl, long nch, long ndl, long ndh);

// b when a >= b, else a.
float FloatMin(float a, float b);
// b when a <= b, else a.
float FloatMax(float a, float b);
