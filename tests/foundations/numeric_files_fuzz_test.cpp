// Seeded mutations of the plain numeric files through their readers: vector files, column files,
// matrix tables and x/y curve tables. Whatever they take is finite, and nothing is read outside
// the arrays they hand back.
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "support/fuzz_inputs.h"
#include "support/temp_folder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

bool AllFinite(const float* v, long lo, long hi) {
    for (long i = lo; i <= hi; ++i)
        if (!std::isfinite(v[i]))
            return false;
    return true;
}

TEST(NumericFilesFuzz, ReadersTakeOnlyFiniteNumbers) {
    const unsigned seed = FuzzSeed(20261211u);
    std::mt19937 rng(seed);
    FuzzFolder dir;
    const std::string path = dir.file("table.dat");
    const std::string base =
        "\t1.000000\t2.500000\t-3.0e2\n\t4.0\t5.0\t6.0\n7;8;9\n1e-3, 2e-3, 3e-3\n";
    // Five readers take turns, each getting the count of inputs.
    const int inputs = 5 * FuzzInputCount(20000);
    for (int i = 0; i < inputs; ++i) {
        WriteTextFile(path, MutateText(base, rng));
        switch (i % 5) {
        case 0: {
            CVector v;
            v.Read(path.c_str());
            ASSERT_TRUE(v.length == 0 || AllFinite(v.data, 0, long(v.length) - 1))
                << "seed " << seed << " input " << i;
            break;
        }
        case 1: {
            int last = -1;
            float* v = ReadColumnFile(path.c_str(), &last, 1);
            ASSERT_NE(v, nullptr);
            ASSERT_TRUE(AllFinite(v, 1, last)) << "seed " << seed << " input " << i;
            free_vector(v, 1, last);
            break;
        }
        case 2:
        case 3: {
            int lines = -1;
            float** m = i % 5 == 2 ? ReadMatrixTableByRows(path.c_str(), 3, &lines)
                                   : ReadMatrixTable(path.c_str(), 3, &lines);
            if (!m) {
                ASSERT_EQ(lines, 0);
                break;
            }
            ASSERT_GE(lines, 0);
            if (i % 5 == 2) {
                for (int r = 1; r <= lines; ++r)
                    ASSERT_TRUE(AllFinite(m[r], 1, 3)) << "seed " << seed << " input " << i;
                free_matrix(m, 1, lines, 1, 3);
            } else {
                for (int c = 1; c <= 3; ++c)
                    ASSERT_TRUE(AllFinite(m[c], 1, lines)) << "seed " << seed << " input " << i;
                free_matrix(m, 1, 3, 1, lines);
            }
            break;
        }
        default: {
            CCurve curve;
            if (curve.Read(path.c_str(), 1 + i % 2, 2 + i % 2) && curve.Count() > 0) {
                ASSERT_TRUE(AllFinite(curve.x->data, 0, long(curve.Count()) - 1) &&
                            AllFinite(curve.y->data, 0, long(curve.Count()) - 1))
                    << "seed " << seed << " input " << i;
            }
            break;
        }
        }
        if (i % 64 == 0)
            TakeErrorBoxes();
    }
    TakeErrorBoxes();
}

} // namespace
