// Allocators and release functions of the 1-based arrays, and nrerror.
#include "foundations/nr_arrays.h"

#include "foundations/show_error.h"
#include "state/run_switches.h"

#include <cstdlib>
#include <cstring>

namespace {

// A failed allocation has no storage to hand back, so after the fatal report the program ends
// here rather than let the caller write through a null block.
[[noreturn]] void AllocationFailed(const char* text) {
    ShowError(text, 1);
    std::exit(EXIT_FAILURE);
}

// One block of count elements (at least the spare ones when nh < nl), or the fatal report.
template <typename T> T* Block(long count, long spare, const char* text) {
    if (count < spare)
        count = spare;
    void* p = std::malloc(static_cast<std::size_t>(count) * sizeof(T));
    if (!p)
        AllocationFailed(text);
    return static_cast<T*>(p);
}

// A vector with one spare element before p[nl] (and extra spare after p[nh]); the zero fill
// covers p[nl..nh].
template <typename T> T* OneBased(long nl, long nh, long extra, bool zero, const char* text) {
    long n = nh - nl + 1;
    T* block = Block<T>(n + 1 + extra, 1 + extra, text);
    if (zero && n > 0)
        std::memset(block + 1, 0, static_cast<std::size_t>(n) * sizeof(T));
    return block + 1 - nl;
}

template <typename T> void FreeOneBased(T* v, long nl) {
    if (v)
        std::free(v + nl - 1);
}

// Extents below one (nh < nl) count as empty. The pointer of the first row (and of the first
// column of a tensor) is written even for an empty array, since the release reads it back: its
// block always has room for it beside the spare element.
long Extent(long lo, long hi) {
    return hi >= lo ? hi - lo + 1 : 0;
}

template <typename T>
T** Rows(long nrl, long nrh, long ncl, long nch, const char* text1, const char* text2) {
    long nrow = Extent(nrl, nrh);
    long ncol = Extent(ncl, nch);
    T** m = Block<T*>(nrow + 1, 2, text1) + 1 - nrl;
    m[nrl] = Block<T>(nrow * ncol + 1, 1, text2) + 1 - ncl;
    for (long i = nrl + 1; i <= nrh; ++i)
        m[i] = m[i - 1] + ncol;
    return m;
}

template <typename T> void FreeRows(T** m, long nrl, long ncl) {
    if (!m)
        return;
    std::free(m[nrl] + ncl - 1);
    std::free(m + nrl - 1);
}

} // namespace

void nrerror(const char* text) {
    // A singular matrix or a series that does not converge depends on the user's data: the
    // running command stops (as on a key press), while the program keeps its loaded data and
    // earlier results.
    ShowError(text, 0);
    gUserInterrupt.store(true, std::memory_order_relaxed);
}

float* vector(long nl, long nh) {
    return OneBased<float>(nl, nh, 1, true, "allocation failure in vector()");
}

int* ivector(long nl, long nh) {
    return OneBased<int>(nl, nh, 0, true, "allocation failure in ivector()");
}

unsigned char* cvector(long nl, long nh) {
    return OneBased<unsigned char>(nl, nh, 0, false, "allocation failure in cvector()");
}

std::int32_t* lvector(long nl, long nh) {
    return OneBased<std::int32_t>(nl, nh, 0, true, "allocation failure in lvector()");
}

double* dvector(long nl, long nh) {
    return OneBased<double>(nl, nh, 0, true, "allocation failure in dvector()");
}

float** matrix(long nrl, long nrh, long ncl, long nch) {
    return Rows<float>(nrl, nrh, ncl, nch, "allocation failure 1 in matrix()",
                       "allocation failure 2 in matrix()");
}

double** dmatrix(long nrl, long nrh, long ncl, long nch) {
    return Rows<double>(nrl, nrh, ncl, nch, "allocation failure 1 in matrix()",
                        "allocation failure 2 in matrix()");
}

int** imatrix(long nrl, long nrh, long ncl, long nch) {
    return Rows<int>(nrl, nrh, ncl, nch, "allocation failure 1 in matrix()",
                     "allocation failure 2 in matrix()");
}

float** submatrix(float** a, long oldrl, long oldrh, long oldcl, long oldch, long newrl,
                  long newcl) {
    long nrow = oldrh - oldrl + 1;
    float** m = Block<float*>(nrow + 1, 1, "allocation failure in submatrix()") + 1 - newrl;
    for (long k = 0; k < nrow; ++k)
        m[newrl + k] = a[oldrl + k] + oldcl - newcl;
    return m;
}

float** convert_matrix(float* a, long nrl, long nrh, long ncl, long nch) {
    long nrow = nrh - nrl + 1;
    long ncol = nch - ncl + 1;
    float** m = Block<float*>(nrow + 1, 1, "allocation failure in convert_matrix()") + 1 - nrl;
    for (long k = 0; k < nrow; ++k)
        m[nrl + k] = a + k * ncol - ncl;
    return m;
}

float*** f3tensor(long nrl, long nrh, long ncl, long nch, long ndl, long ndh) {
    long nrow = Extent(nrl, nrh);
    long ncol = Extent(ncl, nch);
    long ndep = Extent(ndl, ndh);
    float*** t = Block<float**>(nrow + 1, 2, "allocation failure 1 in f3tensor()") + 1 - nrl;
    long planes = nrow * ncol;
    long cells = planes * ndep;
    t[nrl] = Block<float*>(planes + 1, 2, "allocation failure 2 in f3tensor()") + 1 - ncl;
    t[nrl][ncl] = Block<float>(cells + 1, 1, "allocation failure 3 in f3tensor()") + 1 - ndl;
    for (long j = ncl + 1; nrow > 0 && j <= nch; ++j)
        t[nrl][j] = t[nrl][j - 1] + ndep;
    for (long i = nrl + 1; i <= nrh; ++i) {
        t[i] = t[i - 1] + ncol;
        t[i][ncl] = t[i - 1][ncl] + ncol * ndep;
        for (long j = ncl + 1; j <= nch; ++j)
            t[i][j] = t[i][j - 1] + ndep;
    }
    return t;
}

void free_vector(float* v, long nl, long) {
    FreeOneBased(v, nl);
}
void free_ivector(int* v, long nl, long) {
    FreeOneBased(v, nl);
}
void free_cvector(unsigned char* v, long nl, long) {
    FreeOneBased(v, nl);
}
void free_lvector(std::int32_t* v, long nl, long) {
    FreeOneBased(v, nl);
}
void free_dvector(double* v, long nl, long) {
    FreeOneBased(v, nl);
}
void free_matrix(float** m, long nrl, long, long ncl, long) {
    FreeRows(m, nrl, ncl);
}
void free_dmatrix(double** m, long nrl, long, long ncl, long) {
    FreeRows(m, nrl, ncl);
}
void free_imatrix(int** m, long nrl, long, long ncl, long) {
    FreeRows(m, nrl, ncl);
}
void free_submatrix(float** b, long nrl, long, long, long) {
    FreeOneBased(b, nrl);
}
void free_convert_matrix(float** b, long nrl, long, long, long) {
    FreeOneBased(b, nrl);
}

void free_f3tensor(float*** t, long nrl, long, long ncl, long, long ndl, long) {
    if (!t)
        return;
    std::free(t[nrl][ncl] + ndl - 1);
    std::free(t[nrl] + ncl - 1);
    std::free(t + nrl - 1);
}

float FloatMin(float a, float b) {
    return a >= b ? b : a;
}
float FloatMax(float a, float b) {
    return a <= b ? b : a;
}
