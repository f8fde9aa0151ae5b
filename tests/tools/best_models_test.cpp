// Boundary-element model output: the two numbers read per model, damaged models passed over,
// the extrapolation to infinitely many triangles with the coarse models left out, and the
// standard s-value.
#include "tools/best_models.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// One model block as the outside program writes it.
std::string Block(const std::string& triangles, const std::string& d) {
    return "   Model output\nNumber of Surface Patches    " + triangles +
           "\n  (other lines)\nDTT(EXACT) = " + d + " cm2/s\n  DRR = 1.0E+07\n";
}

std::string Number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6E", v);
    return text;
}

TEST(BestModels, ReadsEachModelsTrianglesAndD) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<BestModel> models;
    };
    const Case cases[] = {
        {"two models in file order",
         Block("1000", "6.10E-07") + Block("4000", "6.02E-07"),
         {{1000, 6.10e-7}, {4000, 6.02e-7}}},
        {"a number written against the '=' loses its first character",
         "Number of Surface Patches 500\nDTT(EXACT) =6.1E-07\n",
         {{500, 0.1e-7}}},
        {"a damaged count or D is passed over",
         Block("abc", "6.1E-07") + Block("2000", "0") + Block("3000", "-5E-07") +
             Block("-200", "6E-07") + Block("3000", "6.05E-07"),
         {{3000, 6.05e-7}}},
        {"a patch entry without D ends the reading",
         Block("1000", "6.1E-07") + "Number of Surface Patches 2000\n(no diffusion)\n",
         {{1000, 6.1e-7}}},
        {"no key at all", "Diffusion 6.1E-07\n", {}},
    };
    for (const Case& c : cases) {
        const std::vector<BestModel> models = ReadBestModels(c.text);
        ASSERT_EQ(models.size(), c.models.size()) << c.name;
        for (std::size_t i = 0; i < models.size(); ++i) {
            EXPECT_DOUBLE_EQ(models[i].triangles, c.models[i].triangles) << c.name;
            EXPECT_NEAR(models[i].d, c.models[i].d, 1e-15) << c.name;
        }
    }
    std::string many;
    for (int k = 1; k <= 101; ++k)
        many += Block(std::to_string(100 * k), "6E-07");
    const auto hundred = ReadBestModels(many);
    ASSERT_EQ(hundred.size(), 100u);
    EXPECT_EQ(hundred.back().triangles, 10000.0) << "the first 100 in file order";
}

TEST(BestModels, ExtrapolatesDToInfinitelyManyTriangles) {
    // D = 6e-7 + 2e-5 / N, exact or scattered by +-2e-10 (so that leaving a model out does not
    // lower the residual sum below 30 % by chance); the coarsest of the third case lies 3e-8 off.
    const double d0 = 6e-7, k = 2e-5, e = 2e-10;
    auto exact = [&](double n, double off = 0.0) { return BestModel{n, d0 + k / n + off}; };
    struct Case {
        const char* name;
        std::vector<BestModel> models;
        int used;
    };
    const Case cases[] = {
        {"one model: its own D", {exact(2000)}, 1},
        {"three exact models in any order", {exact(1000), exact(4000), exact(2000)}, 3},
        {"five models, the coarsest far off",
         {exact(8000, e), exact(4000, -e), exact(2000, e), exact(1500, -e), exact(300, 3e-8)},
         4},
        {"six models on the line: none left out",
         {exact(600, -e), exact(800, e), exact(1000, -e), exact(2000, e), exact(4000, -e),
          exact(8000, e)},
         6},
    };
    for (const Case& c : cases) {
        const BestExtrapolation x = ExtrapolateBestModels(c.models);
        ASSERT_TRUE(x.ok) << c.name;
        EXPECT_EQ(x.used, c.used) << c.name;
        EXPECT_NEAR(x.d0, c.used == 1 ? c.models[0].d : d0, 5e-10) << c.name;
        EXPECT_TRUE(std::is_sorted(
            x.models.begin(), x.models.end(),
            [](const BestModel& a, const BestModel& b) { return a.triangles > b.triangles; }))
            << c.name << ": largest model first";
    }
    // Models that share one number of triangles fix no line; no model, nothing.
    EXPECT_FALSE(ExtrapolateBestModels({{1000, 6e-7}, {1000, 6.1e-7}}).ok);
    EXPECT_FALSE(ExtrapolateBestModels({}).ok);
}

TEST(BestModels, StandardSValueAndReport) {
    // 1e13 * 1e5 * 6e-7 * (1 - 0.73 * 0.99823) / (8.31451e7 * 293.15) = 6.6782 S
    EXPECT_NEAR(StandardSFromD(1e5, 6e-7, 0.73), 6.6782, 1e-4);
    BestExtrapolation e;
    e.ok = true;
    e.models = {{4000, 6.1e-7}, {2000, 6.2e-7}, {1000, 6.4e-7}, {500, 7e-7}};
    e.used = 3;
    e.d0 = 6e-7;
    const std::string text = BestReportText("/d/tdat", e, 1e5, 0.73, 6.6782);
    EXPECT_EQ(
        text.rfind("reading /d/tdat\nfound 4 D-values:\n4000 triangles - D = 6.100000e-07\n", 0),
        0u)
        << text;
    EXPECT_NE(text.find("\nextrapolation of 3 largest models to 1/N = 0 gives D = 6.000000e-07 "
                        "cm^2/sec\n"),
              std::string::npos);
    EXPECT_NE(text.find("with Mw = 100000.000000 Da and vbar = 0.730000 ml/g, this results in an "
                        "s-value of 6.678200 S\n\n show extrapolation plot?"),
              std::string::npos);
    e.used = 4;
    EXPECT_NE(BestReportText("f", e, 1e5, 0.73, 6.6782)
                  .find("\nextrapolation to 1/N = 0 gives D = 6.000000e-07 cm^2/sec\n"),
              std::string::npos);
}

} // namespace
