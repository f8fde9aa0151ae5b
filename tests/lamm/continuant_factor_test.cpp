// The two-ended factorisation by continuants against the one by divisions: factors to rounding
// over sizes, meetings and scales, solves to rounding, and the same statuses and bits where it
// hands the rows to the divisions.
#include "lamm/crank_nicolson_rows.h"
#include "lamm/tridiagonal.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A step's mass and transport rows, and the left-hand rows they form, which are diagonally
// dominant with entries near `scale`.
struct StepRows {
    std::vector<double> ma, mb, mc, ka, kb, kc, ba, bb, bc;
    CCrankNicolsonRows rows;
    StepRows(int n, double scale, bool damped)
        : ma(n + 1), mb(n + 1), mc(n + 1), ka(n + 1), kb(n + 1), kc(n + 1), ba(n + 1), bb(n + 1),
          bc(n + 1) {
        for (int i = 1; i <= n; ++i) {
            ma[i] = scale * (0.2 + 0.01 * std::cos(i)), mc[i] = scale * (0.25 + 0.003 * i / n);
            mb[i] = scale * (0.9 + 0.02 * std::sin(i));
            ka[i] = scale * (0.6 + 0.1 * std::sin(0.1 * i)), kc[i] = scale * 0.4;
            kb[i] = -(ka[i] + kc[i]) - scale * 0.01;
        }
        const double step = 1.7;
        rows = {ma.data(),
                mb.data(),
                mc.data(),
                ka.data(),
                kb.data(),
                kc.data(),
                ba.data(),
                bb.data(),
                bc.data(),
                damped ? step : 0.5 * step,
                damped ? 0.0 : 0.5 * step,
                n};
    }
    // Row j's entry below (0), on (1) or above (2) the diagonal set to v.
    void Set(int j, int entry, double v) {
        std::vector<double>& mass = entry == 0 ? ma : entry == 1 ? mb : mc;
        std::vector<double>& transport = entry == 0 ? ka : entry == 1 ? kb : kc;
        mass[j] = v, transport[j] = 0.0;
    }
};

struct Factors {
    std::vector<double> inv, scaled, back;
    TwistedMeeting meet;
    TridiagStatus status;
};

template <bool kContinuant> Factors Factorise(StepRows& m, int n, int k) {
    Factors f{std::vector<double>(n + 1),
              std::vector<double>(n + 1),
              std::vector<double>(n + 1),
              {},
              TridiagStatus::Ok};
    f.status = kContinuant ? m.rows.FactorLeft(f.inv.data(), f.scaled.data(), f.back.data(), f.meet,
                                               1, k, n)
                           : TwistedFactorRowsAt(m.rows, f.inv.data(), f.scaled.data(),
                                                 f.back.data(), f.meet, 1, k, n);
    return f;
}

double Relative(double x, double y) {
    return std::fabs(x - y) / std::max(std::fabs(y), 1e-300);
}

bool SameBits(double x, double y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

} // namespace

// Every factor agrees with the divisions' to rounding, whether the halves are as long, one is
// longer by one row or by many (the rows left over run one lane at a time), for Crank-Nicolson
// and damped steps, at scales where unscaled continuants would leave the range of doubles over
// the long systems; the solve with them gives back the right-hand side.
TEST(ContinuantFactor, MatchesTheDivisionsForAnyMeetingAndScale) {
    for (bool damped : {false, true})
        for (double scale : {1e-3, 1.0, 1e3})
            for (int n : {2, 3, 5, 18, 40, 5001})
                for (int k : {1, n / 2, (n + 1) / 2, n / 5, n - n / 5, n - 1}) {
                    if (k < 1 || k >= n)
                        continue;
                    StepRows m(n, scale, damped);
                    const Factors one = Factorise<false>(m, n, k);
                    const Factors two = Factorise<true>(m, n, k);
                    ASSERT_EQ(two.status, TridiagStatus::Ok) << n << " at " << k;
                    ASSERT_EQ(one.status, TridiagStatus::Ok);
                    double worst = std::max({Relative(two.meet.gam, one.meet.gam),
                                             Relative(two.meet.delta, one.meet.delta),
                                             Relative(two.meet.inv, one.meet.inv)});
                    for (int i = 1; i <= n; ++i)
                        worst = std::max({worst, Relative(two.inv[i], one.inv[i]),
                                          Relative(two.scaled[i] + 1.0, one.scaled[i] + 1.0),
                                          Relative(two.back[i] + 1.0, one.back[i] + 1.0)});
                    EXPECT_LT(worst, 1e-14) << n << " rows meeting at " << k << ", scale " << scale;
                    EXPECT_EQ(two.meet.k, k);
                    // the solve of the left-hand rows for r with the factors
                    std::vector<double> a(n + 1), b(n + 1), c(n + 1), r(n + 1), u(n + 1);
                    std::vector<double> check(n + 1);
                    for (int i = 1; i <= n; ++i) {
                        const TridiagRow row = m.rows.Form(i);
                        a[i] = row.a, b[i] = row.b, c[i] = row.c;
                        r[i] = std::exp(-0.001 * i) + 0.1 * std::sin(3.0 * i);
                    }
                    TwistedSubstitute(two.inv.data(), two.scaled.data(), two.back.data(), two.meet,
                                      r.data(), u.data(), 1, n);
                    TridiagProduct(a.data(), b.data(), c.data(), u.data(), check.data(), 1, n);
                    double residual = 0.0;
                    for (int i = 1; i <= n; ++i)
                        residual = std::max(residual, std::fabs(check[i] - r[i]));
                    EXPECT_LT(residual, 1e-13)
                        << n << " rows meeting at " << k << ", scale " << scale;
                }
}

// A zero pivot in either half, at the ends or after a rescaling, and pivots so small or so
// large that the continuants would leave their range within 16 rows: the rows go to the
// divisions, so the status and, where it is Ok, every bit are theirs.
TEST(ContinuantFactor, HandsZeroPivotsAndExtremeScalesToTheDivisions) {
    const int n = 40;
    using Setup = void (*)(StepRows&);
    struct Case {
        const char* name;
        int meeting;
        double scale;
        Setup change;
        TridiagStatus status;
    };
    const Case cases[] = {
        {"first row", 20, 1.0, [](StepRows& m) { m.Set(1, 1, 0.0); },
         TridiagStatus::FirstPivotZero},
        {"last row", 20, 1.0, [](StepRows& m) { m.Set(n, 1, 0.0); }, TridiagStatus::FirstPivotZero},
        // rows 1 and 2: pivot 1, then 1 - 1 * 1 = 0 in the half eliminated downward
        {"upper half", 20, 1.0,
         [](StepRows& m) {
             m.Set(1, 1, 1.0), m.Set(1, 2, 1.0), m.Set(2, 0, 1.0), m.Set(2, 1, 1.0);
         },
         TridiagStatus::LaterPivotZero},
        {"lower half", 20, 1.0,
         [](StepRows& m) {
             m.Set(n, 1, 1.0), m.Set(n, 0, 1.0), m.Set(n - 1, 2, 1.0), m.Set(n - 1, 1, 1.0);
         },
         TridiagStatus::LaterPivotZero},
        // rows 17 and 18 of the upper half alone, after a rescaling: pivot 1, then 0
        {"after a rescaling", 30, 1.0,
         [](StepRows& m) {
             m.Set(17, 0, 0.0), m.Set(17, 1, 1.0), m.Set(17, 2, 1.0), m.Set(18, 0, 1.0),
                 m.Set(18, 1, 1.0);
         },
         TridiagStatus::LaterPivotZero},
        {"tiny pivots", 20, 1e-70, nullptr, TridiagStatus::Ok},
        {"huge pivots", 30, 1e70, nullptr, TridiagStatus::Ok},
    };
    for (const Case& tc : cases)
        for (bool damped : {false, true}) {
            StepRows m(n, tc.scale, damped);
            if (tc.change != nullptr)
                tc.change(m);
            const Factors one = Factorise<false>(m, n, tc.meeting);
            const Factors two = Factorise<true>(m, n, tc.meeting);
            EXPECT_EQ(two.status, tc.status) << tc.name;
            EXPECT_EQ(one.status, tc.status) << tc.name;
            if (tc.status != TridiagStatus::Ok)
                continue;
            bool same = SameBits(two.meet.gam, one.meet.gam) &&
                        SameBits(two.meet.delta, one.meet.delta) &&
                        SameBits(two.meet.inv, one.meet.inv);
            for (int i = 1; i <= n; ++i)
                same = same && SameBits(two.inv[i], one.inv[i]) &&
                       SameBits(two.scaled[i], one.scaled[i]) && SameBits(two.back[i], one.back[i]);
            EXPECT_TRUE(same) << tc.name;
        }
}
