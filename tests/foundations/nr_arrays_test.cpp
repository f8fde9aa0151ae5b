// 1-based arrays: zero fill over any lower bound, flat row-major matrices, views that write
// through, null releases.
#include "foundations/error_box_log.h"
#include "foundations/linear_solvers.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "foundations/resampling.h"
#include "foundations/statistical_tests.h"
#include "state/run_switches.h"
#include "support/temp_folder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(NrArrays, VectorsAreZeroFilledOverTheWholeRange) {
    struct Case {
        long nl, nh;
    };
    for (Case c : {Case{1, 7}, Case{0, 5}, Case{-3, 4}, Case{5, 5}}) {
        float* v = vector(c.nl, c.nh);
        double* d = dvector(c.nl, c.nh);
        int* iv = ivector(c.nl, c.nh);
        std::int32_t* lv = lvector(c.nl, c.nh);
        for (long i = c.nl; i <= c.nh; ++i) {
            EXPECT_EQ(v[i], 0.0f) << "vector(" << c.nl << "," << c.nh << ")[" << i << "]";
            EXPECT_EQ(d[i], 0.0);
            EXPECT_EQ(iv[i], 0);
            EXPECT_EQ(lv[i], 0);
        }
        free_vector(v, c.nl, c.nh);
        free_dvector(d, c.nl, c.nh);
        free_ivector(iv, c.nl, c.nh);
        free_lvector(lv, c.nl, c.nh);
    }
}

TEST(NrArrays, MatrixRowsLieBackToBack) {
    const long r = 3, c = 4;
    float** m = matrix(1, r, 1, c);
    for (long i = 1; i <= r; ++i)
        for (long j = 1; j <= c; ++j)
            m[i][j] = static_cast<float>(10 * i + j);
    const float* flat = &m[1][1];
    for (long i = 1; i <= r; ++i)
        for (long j = 1; j <= c; ++j)
            EXPECT_EQ(flat[(i - 1) * c + (j - 1)], m[i][j]);
    free_matrix(m, 1, r, 1, c);

    double** dm = dmatrix(0, 2, -1, 1);
    dm[2][1] = 5.0;
    EXPECT_EQ((&dm[0][-1])[2 * 3 + 2], 5.0);
    free_dmatrix(dm, 0, 2, -1, 1);
}

TEST(NrArrays, ViewsWriteThroughToTheirSource) {
    float** a = matrix(1, 4, 1, 4);
    float** s = submatrix(a, 2, 3, 2, 4, 1, 1);
    s[1][1] = 7.0f;
    s[2][3] = 9.0f;
    EXPECT_EQ(a[2][2], 7.0f);
    EXPECT_EQ(a[3][4], 9.0f);
    free_submatrix(s, 1, 2, 1, 3);
    free_matrix(a, 1, 4, 1, 4);

    float flat[6] = {0, 1, 2, 3, 4, 5};
    float** m = convert_matrix(flat, 1, 2, 1, 3);
    EXPECT_EQ(m[2][1], 3.0f);
    m[1][3] = 8.0f;
    EXPECT_EQ(flat[2], 8.0f);
    free_convert_matrix(m, 1, 2, 1, 3);
}

TEST(NrArrays, TensorIsContiguousWithLastIndexFastest) {
    float*** t = f3tensor(1, 2, 1, 3, 0, 4);
    for (long i = 1; i <= 2; ++i)
        for (long j = 1; j <= 3; ++j)
            for (long k = 0; k <= 4; ++k)
                t[i][j][k] = static_cast<float>(100 * i + 10 * j + k);
    const float* flat = &t[1][1][0];
    EXPECT_EQ(flat[0], 110.0f);
    EXPECT_EQ(flat[5], 120.0f);
    EXPECT_EQ(flat[15], 210.0f);
    EXPECT_EQ(flat[29], 234.0f);
    free_f3tensor(t, 1, 2, 1, 3, 0, 4);
}

TEST(NrArrays, NullReleasesDoNothing) {
    free_vector(nullptr, 1, 10);
    free_dvector(nullptr, 1, 10);
    free_matrix(nullptr, 1, 3, 1, 3);
    free_dmatrix(nullptr, 1, 3, 1, 3);
    free_f3tensor(nullptr, 1, 2, 1, 2, 1, 2);
}

TEST(NrArrays, FloatMinMaxPickTheSecondOnTies) {
    EXPECT_EQ(FloatMin(2.0f, 3.0f), 2.0f);
    EXPECT_EQ(FloatMin(3.0f, 2.0f), 2.0f);
    EXPECT_EQ(FloatMax(2.0f, 3.0f), 3.0f);
    EXPECT_EQ(FloatMax(3.0f, 2.0f), 3.0f);
    EXPECT_TRUE(std::signbit(FloatMin(0.0f, -0.0f)));
    EXPECT_TRUE(std::signbit(FloatMax(0.0f, -0.0f)));
}

// Empty extents (zero rows, zero columns, zero depth) still give arrays that release cleanly; an
// empty or blank table file reads as no lines. Checked for writes past the blocks under the
// address sanitizer.
TEST(NrArrays, EmptyExtentsAllocateAndReleaseCleanly) {
    struct Case {
        long rl, rh, cl, ch;
    };
    for (Case c : {Case{1, 0, 1, 3}, Case{1, 3, 1, 0}, Case{1, 0, 1, 0}, Case{0, -1, 5, 4}}) {
        float** m = matrix(c.rl, c.rh, c.cl, c.ch);
        double** dm = dmatrix(c.rl, c.rh, c.cl, c.ch);
        int** im = imatrix(c.rl, c.rh, c.cl, c.ch);
        for (long i = c.rl; i <= c.rh; ++i)
            for (long j = c.cl; j <= c.ch; ++j)
                m[i][j] = dm[i][j] = im[i][j] = 1;
        free_matrix(m, c.rl, c.rh, c.cl, c.ch);
        free_dmatrix(dm, c.rl, c.rh, c.cl, c.ch);
        free_imatrix(im, c.rl, c.rh, c.cl, c.ch);
        for (long dl : {1L, 0L}) {
            float*** t = f3tensor(c.rl, c.rh, c.cl, c.ch, 1, dl);
            free_f3tensor(t, c.rl, c.rh, c.cl, c.ch, 1, dl);
        }
    }
    TempFolder folder;
    for (const char* text : {"", "\n", "  \n\t\n"}) {
        int lines = -1;
        float** table = ReadMatrixTableByRows(folder.write("t.dat", text).c_str(), 3, &lines);
        EXPECT_EQ(lines, 0) << "[" << text << "]";
        if (table)
            free_matrix(table, 1, lines, 1, 3);
    }
}

// A singular matrix, a bad argument or a series that does not converge depends on the data: the
// box keeps its text but ends only the running command (stop flag), not the program.
TEST(NrError, DataDependentConditionsEndOnlyTheRunningCommand) {
    struct Case {
        const char* text;
        void (*provoke)();
    };
    const Case cases[] = {
        {"Singular matrix in routine ludcmp",
         [] {
             float** a = matrix(1, 2, 1, 2);
             a[1][1] = a[1][2] = 0.0f;
             a[2][1] = a[2][2] = 1.0f;
             int indx[3];
             float d;
             EXPECT_FALSE(ludcmp(a, 2, indx, &d));
             free_matrix(a, 1, 2, 1, 2);
         }},
        {"Bad x in routine betai", [] { betai(2.0, 3.0, 1.5); }},
        {"a or b too big, or MAXIT too small in betacf", [] { betacf(1e12, 1e12, 0.5); }},
        {"Error in routine polint",
         [] {
             float* xa = vector(1, 3);
             float* ya = vector(1, 3);
             xa[2] = xa[3] = 1.0f;
             ya[2] = 2.0f;
             ya[3] = 3.0f;
             float y, dy;
             polint(xa, ya, 3, 0.5f, &y, &dy);
             free_vector(xa, 1, 3);
             free_vector(ya, 1, 3);
         }},
    };
    for (const Case& c : cases) {
        TakeErrorBoxes();
        gUserInterrupt = false;
        c.provoke();
        std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
        ASSERT_EQ(boxes.size(), 1u) << c.text;
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_FALSE(boxes[0].fatal) << c.text;
        EXPECT_TRUE(gUserInterrupt) << c.text;
    }
    gUserInterrupt = false;
}
