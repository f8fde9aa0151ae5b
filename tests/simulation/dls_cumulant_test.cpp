// The cumulant expansion of the light-scattering decay against a mixture of known truth: two
// species of equal amplitude at D1 and D2 decay as exp(-k Dc t) cosh(k (D1 - D2) t / 2), whose
// expansion to second order is the cumulant term with mu2 = ((D1 - D2) / 2)^2 and mu3 = 0.
#include "simulation/dls_kernels.h"
#include "state/dls_data.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(DlsCumulant, SecondCumulantOfASymmetricPairAndTheSignOfTheThird) {
    DlsRecord r;
    r.angle = 90.0f, r.refractiveIndex = 1.333f, r.wavelength = 6.328e-7f;
    const float q2 = DlsScatteringVectorSquared(r);
    const double k = 1e-4 * q2;
    const double d1 = 6e-7, d2 = 4e-7, dc = 0.5 * (d1 + d2), mu2 = 0.25 * (d1 - d2) * (d1 - d2);
    for (double t : {1e-6, 1e-5, 5e-5}) {
        const double exact = 0.5 * (std::exp(-k * d1 * t) + std::exp(-k * d2 * t));
        const double x = 0.5 * k * (d1 - d2) * t;
        // The first term left out is exp(-k Dc t) x^4 / 24.
        const double left = std::exp(-k * dc * t) * std::pow(x, 4) / 24.0;
        EXPECT_NEAR(DlsCumulantDecay(1.0, dc, mu2, 0.0, q2, t), exact, 1.01 * left + 1e-15)
            << "t = " << t;
        // A skewed distribution (a positive third cumulant) decays faster at long lags.
        EXPECT_LT(DlsCumulantDecay(1.0, dc, mu2, 1e-20, q2, t),
                  DlsCumulantDecay(1.0, dc, mu2, 0.0, q2, t));
    }
}
