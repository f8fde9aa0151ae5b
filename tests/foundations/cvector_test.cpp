// CVector: safe element access, clamped extrema, positive extrema for log axes, labels, views
// that clear denormal-range values, growth and copies.
#include "foundations/cvector.h"
#include "foundations/error_box_log.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
CVector Owning(std::vector<float> values) {
    return CVector(static_cast<std::uint32_t>(values.size()), values.data(), 1);
}
} // namespace

TEST(CVector, AccessOutsideTheRangeReadsZero) {
    CVector empty;
    EXPECT_EQ(empty.At(-1), 0.0f);
    EXPECT_EQ(empty.At(0), 0.0f);
    EXPECT_EQ(empty.Max(), 0.0f);
    CVector v = Owning({3, 4, 5});
    EXPECT_EQ(v.At(-1), 0.0f);
    EXPECT_EQ(v.At(3), 0.0f);
    EXPECT_EQ(v.At(2), 5.0f);
}

TEST(CVector, RangeExtremaClampTheirBounds) {
    CVector v = Owning({1, 9, 2, 8, 3, 7, 4, 6, 5, 0});
    EXPECT_EQ(v.MaxInRange(-5, 1000), 9.0f);
    EXPECT_EQ(v.MinInRange(-5, 1000), 0.0f);
    EXPECT_EQ(v.MaxInRange(4, 3), 0.0f);
    EXPECT_EQ(v.MaxInRange(2, 4), 8.0f);
    EXPECT_EQ(v.MinInRange(2, 4), 2.0f);
    EXPECT_EQ(v.Max(), 9.0f);
    EXPECT_EQ(v.Min(), 0.0f);
}

TEST(CVector, PositiveExtremaSkipZerosAndNegatives) {
    struct Case {
        const char* name;
        std::vector<float> values;
        float min, max;
        unsigned char failed;
    };
    const Case cases[] = {
        {"mixed", {-1, 3, 0, 2}, 2.0f, 3.0f, 0},
        {"none positive", {0, -1, -2}, 1.0f, 1.0f, 1},
        {"first positive late", {-5, -4, 0.5f, 7}, 0.5f, 7.0f, 0},
    };
    for (const Case& c : cases) {
        CVector v = Owning(c.values);
        unsigned char failedMin = 0, failedMax = 0;
        EXPECT_EQ(v.MinPositive(0, static_cast<int>(c.values.size()) - 1, &failedMin), c.min)
            << c.name;
        EXPECT_EQ(v.MaxPositive(-3, 99, &failedMax), c.max) << c.name;
        EXPECT_EQ(failedMin, c.failed) << c.name;
        EXPECT_EQ(failedMax, c.failed) << c.name;
    }
    CVector empty;
    unsigned char failed = 0;
    EXPECT_EQ(empty.MinPositive(0, 3, &failed), 1.0f);
    EXPECT_EQ(failed, 1);
}

TEST(CVector, FormatsLabels) {
    struct Case {
        float value;
        float scale;
        int size;
        const char* expected;
    };
    const Case cases[] = {
        {2.0f, 1.0f, 20, "2"},
        {0.25f, 1.0f, 20, "0.25"},
        {2.0f, 10.0f, 20, "20"},
        {123.0f, 1.0f, 3, "12"},
        {-7.0f, 1.0f, 20, "-7"},
        {1.5e-7f, 1.0f, 20, "1.5e-07"},
        {1234567.5f, 1.0f, 20, "1.23457e+06"},
        // Beyond the int range the label takes the floating form instead of overflowing.
        {1e30f, 1.0f, 20, "1e+30"},
        {-3e9f, 1.0f, 20, "-3e+09"},
    };
    for (const Case& c : cases) {
        CVector v = Owning({c.value});
        char text[32] = "untouched";
        int n = v.FormatElement(0, text, c.size, c.scale);
        EXPECT_STREQ(text, c.expected) << c.value;
        EXPECT_EQ(n, static_cast<int>(std::string(c.expected).size()));
    }
    CVector v = Owning({2.0f});
    char text[8] = "keep";
    EXPECT_EQ(v.FormatElement(1, text, 8, 1.0f), 0);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(v.FormatElementExp10(0, text, 8, 1.0f), 3);
    EXPECT_STREQ(text, "100");
    EXPECT_EQ(v.FormatElementExp10(5, text, 8, 1.0f), 0);
}

TEST(CVector, ViewsClearDenormalRangeValuesInPlace) {
    float array[4] = {99.0f, 1e-31f, -2e-35f, 0.5f}; // 1-based: elements 1..3
    CVector v;
    v.Attach(array, 3, 1);
    EXPECT_EQ(v.owns, 0u);
    EXPECT_EQ(v.length, 3u);
    EXPECT_EQ(array[1], 0.0f);
    EXPECT_EQ(array[2], 0.0f);
    EXPECT_EQ(array[3], 0.5f);
    EXPECT_EQ(v.At(2), 0.5f);
    v.data[0] = 4.0f;
    EXPECT_EQ(array[1], 4.0f);
}

TEST(CVector, AppendGrowsAndOwnsTheStorage) {
    CVector v;
    for (float f : {1.0f, 2.0f, 3.0f})
        v.Append(f);
    EXPECT_EQ(v.length, 3u);
    EXPECT_GE(v.allocated, 3u);
    EXPECT_EQ(v.owns, 1u);
    EXPECT_EQ(v.At(2), 3.0f);

    float array[3] = {0.0f, 5.0f, 6.0f};
    CVector view;
    view.Attach(array, 2, 1);
    view.Append(7.0f);
    EXPECT_EQ(view.owns, 1u);
    EXPECT_EQ(view.At(0), 5.0f);
    EXPECT_EQ(view.At(2), 7.0f);
    EXPECT_EQ(array[2], 6.0f);
}

TEST(CVector, CopiesCompareAndResize) {
    CVector a = Owning({1, 2, 3});
    CVector b(a);
    EXPECT_TRUE(a == b);
    EXPECT_NE(a.data, b.data);
    b *= 2.0f;
    EXPECT_TRUE(a != b);
    EXPECT_EQ(b.At(2), 6.0f);
    CVector c;
    c = a;
    EXPECT_TRUE(c == a);
    c.Resize(5);
    EXPECT_EQ(c.length, 5u);
    EXPECT_EQ(c.At(2), 3.0f);
    c.Resize(0);
    EXPECT_EQ(c.data, nullptr);
    EXPECT_EQ(c.length, 0u);
}

TEST(CVector, DisplayIsReportedAsMissing) {
    TakeErrorBoxes();
    CVector().Display();
    auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Display vector contents not implemented");
    EXPECT_FALSE(boxes[0].fatal);
}
