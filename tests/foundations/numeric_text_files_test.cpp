// Numeric text files: exact written bytes, column tables with separators, blank lines and CR LF,
// matrix tables, and missing files (message, failure value, no crash).
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(VectorFile, WritesSixDecimalsPerLine) {
    TempFolder dir;
    float values[] = {1.0f, 2.5f};
    CVector v(2, values, 1);
    ASSERT_TRUE(v.Write(dir.file("v.txt").c_str()));
    EXPECT_EQ(ReadTextFile(dir.file("v.txt")), "1.000000\n2.500000\n");
    ASSERT_TRUE(v.WriteExp10(dir.file("e.txt").c_str()));
    EXPECT_EQ(ReadTextFile(dir.file("e.txt")), "10.000000\n316.227766\n");
    WriteColumnFile(dir.file("c.txt").c_str(), values - 1, 2, 1);
    EXPECT_EQ(ReadTextFile(dir.file("c.txt")), "1.000000\n2.500000\n");
}

TEST(VectorFile, ReadsFirstNumberPerLineUntilTheFirstNonNumber) {
    TempFolder dir;
    struct Case {
        const char* name;
        std::string text;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"letters end the reading", "1a\n\n2\nb\n3\n", {1, 2}},
        {"CR LF and trailing text", "1.5 ignored\r\n\r\n-2e3\r\n", {1.5f, -2000}},
        {"a long tail stays one line", "4 " + std::string(300, 'x') + "\n5\n", {4, 5}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        CVector v;
        v.Read(dir.write("in.txt", c.text).c_str());
        ASSERT_EQ(v.length, c.expected.size()) << c.name;
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(v.At(static_cast<int>(i)), c.expected[i]) << c.name;
    }
    // A vector with storage is overwritten in place and keeps its length.
    float keep[] = {9, 9, 9};
    CVector v(3, keep, 1);
    v.Read(dir.write("in.txt", "7\n8\n").c_str());
    EXPECT_EQ(v.length, 3u);
    EXPECT_EQ(v.At(0), 7.0f);
    EXPECT_EQ(v.At(1), 8.0f);
    EXPECT_EQ(v.At(2), 9.0f);
}

TEST(CurveFile, WritesPairs) {
    TempFolder dir;
    float x[] = {0, 1, 3}, y[] = {0, 2, 4};
    WriteXY(dir.file("xy.txt").c_str(), 2, x, y);
    EXPECT_EQ(ReadTextFile(dir.file("xy.txt")), "1.000000 2.000000\n3.000000 4.000000\n");
    CCurve c(x, y, 2, 1, 1);
    ASSERT_TRUE(c.WriteXYExp(dir.file("e.txt").c_str()));
    EXPECT_EQ(ReadTextFile(dir.file("e.txt")),
              "1.000000e+00 2.000000e+00\n3.000000e+00 4.000000e+00\n");
}

TEST(CurveFile, ReadsColumnsOfATable) {
    TempFolder dir;
    struct Case {
        const char* name;
        std::string text;
        int xColumn, yColumn;
        bool ok;
        std::vector<float> x, y;
    };
    const Case cases[] = {
        {"separators", "1;2\n3, 4\n", 1, 2, true, {1, 3}, {2, 4}},
        {"inner columns", "0 1 9 2\n", 2, 4, true, {1}, {2}},
        {"CR LF and a final blank line", "1 2\r\n3 4\r\n\r\n", 1, 2, true, {1, 3}, {2, 4}},
        {"blank line between rows", "1 2\n\n3 4\n", 1, 2, true, {1, 3}, {2, 4}},
        {"missing y", "1 2\n3\n", 1, 2, false, {}, {}},
        {"comment line", "# x y\n1 2\n", 1, 2, false, {}, {}},
    };
    for (const Case& c : cases) {
        CCurve curve;
        EXPECT_EQ(curve.Read(dir.write("t.txt", c.text).c_str(), c.xColumn, c.yColumn), c.ok)
            << c.name;
        if (!c.ok)
            continue;
        ASSERT_EQ(curve.Count(), c.x.size()) << c.name;
        for (std::size_t k = 0; k < c.x.size(); ++k) {
            EXPECT_EQ(curve.x->At(static_cast<int>(k)), c.x[k]) << c.name;
            EXPECT_EQ(curve.y->At(static_cast<int>(k)), c.y[k]) << c.name;
        }
    }
    CCurve averaged;
    ASSERT_TRUE(averaged.ReadAveraged(dir.write("a.txt", "1 2\n3 4\n5 9\n").c_str(), 1, 2, 2));
    ASSERT_EQ(averaged.Count(), 2u);
    EXPECT_EQ(averaged.x->At(0), 2.0f);
    EXPECT_EQ(averaged.y->At(0), 3.0f);
    EXPECT_EQ(averaged.x->At(1), 5.0f);
    EXPECT_EQ(averaged.y->At(1), 9.0f);
}

TEST(MatrixTable, WritesTabsAndReadsTransposedOrByRows) {
    TempFolder dir;
    double** m = dmatrix(1, 2, 1, 2);
    m[1][1] = 1, m[1][2] = 2, m[2][1] = 3, m[2][2] = 4;
    ASSERT_TRUE(WriteMatrixTable(m, 1, 2, 1, 2, dir.file("m.txt").c_str()));
    EXPECT_EQ(ReadTextFile(dir.file("m.txt")), "\t1.000000\t2.000000\n\t3.000000\t4.000000\n");
    ASSERT_TRUE(WriteMatrixTableTransposed(m, 1, 2, 1, 2, dir.file("t.txt").c_str()));
    EXPECT_EQ(ReadTextFile(dir.file("t.txt")), "\t1.000000\t3.000000\n\t2.000000\t4.000000\n");
    EXPECT_TRUE(WriteMatrixTable(m, 2, 1, 1, 2, dir.file("empty.txt").c_str()));
    EXPECT_EQ(ReadTextFile(dir.file("empty.txt")), "");
    free_dmatrix(m, 1, 2, 1, 2);

    std::string path = dir.write("r.txt", "1 2\n3 4\r\n5\t6\n");
    int lines = 0;
    float** t = ReadMatrixTable(path.c_str(), 2, &lines);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(t[1][3], 5.0f);
    EXPECT_EQ(t[2][2], 4.0f);
    free_matrix(t, 1, 2, 1, lines);
    float** r = ReadMatrixTableByRows(path.c_str(), 2, &lines);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r[3][1], 5.0f);
    EXPECT_EQ(r[2][2], 4.0f);
    free_matrix(r, 1, lines, 1, 2);

    TakeErrorBoxes();
    std::string short_row = dir.write("s.txt", "1 2\n3\n5 6\n");
    EXPECT_EQ(ReadMatrixTable(short_row.c_str(), 2, &lines), nullptr);
    EXPECT_EQ(lines, 0);
    auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "\n\aAttention: could not read from " + short_row);
}

TEST(TextFiles, MissingFilesAreReportedAndFail) {
    TempFolder dir;
    const std::string missing = dir.file("no/such/folder/file.txt");
    const char* name = missing.c_str();
    TakeErrorBoxes();
    CVector v;
    v.Read(name);
    EXPECT_FALSE(v.Write(name));
    CCurve c;
    EXPECT_FALSE(c.Read(name, 1, 2));
    EXPECT_FALSE(c.WriteXYExp(name));
    int lines = 5, last = 5;
    EXPECT_EQ(ReadMatrixTable(name, 2, &lines), nullptr);
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(ReadColumnFile(name, &last, 1), nullptr);
    EXPECT_EQ(last, 0);
    auto boxes = TakeErrorBoxes();
    const std::vector<std::string> expected{
        "\nAttention: could not open " + missing,   "Attention: could not open " + missing,
        "\n\aAttention: could not open " + missing, "\n\aAttention: could not open " + missing,
        "\n\aAttention: could not open " + missing, "Attention: could not open " + missing,
    };
    ASSERT_EQ(boxes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(boxes[i].text, expected[i]) << i;
        EXPECT_FALSE(boxes[i].fatal);
    }
}

TEST(ReadColumnFile, RepeatsThePreviousValueOnLinesWithoutANumber) {
    TempFolder dir;
    int last = 0;
    float* v = ReadColumnFile(dir.write("c.txt", "1\nx\n3\n").c_str(), &last, 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(last, 2);
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 1.0f);
    EXPECT_EQ(v[2], 3.0f);
    free_vector(v, 0, 2);
}
