// The combined generator, its uniform and Gaussian deviates, ran1 and the random permutations.
#include "foundations/random_numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

std::time_t TimeSeed() {
    return std::time(nullptr);
}

namespace {

// Four simple recurrences (a linear congruential step, a xorshift and two multiply-with-carry
// steps) whose tempered outputs are combined; seeded once from the clock. Each user keeps its own
// instance, so the three streams are independent.
class CombinedGenerator {
  public:
    std::uint32_t Next() {
        if (!seeded_)
            Seed();
        return Step();
    }

    // The seeding of the first call, from the given seconds instead of the clock.
    void SeedWith(std::time_t seconds) {
        auto s = static_cast<std::uint32_t>(seconds);
        y_ = 2244614371u;
        z_ = 521288629u;
        w_ = 362436069u;
        x_ = s ^ y_;
        Step();
        y_ = x_;
        Step();
        seeded_ = true;
    }

  private:
    void Seed() { SeedWith(TimeSeed()); }

    std::uint32_t Step() {
        x_ = x_ * 2891336453u + 1640531513u;
        y_ ^= y_ >> 13;
        y_ ^= y_ << 17;
        y_ ^= y_ >> 5;
        z_ = 33378u * (z_ & 0xFFFFu) + (z_ >> 16);
        w_ = 57225u * (w_ & 0xFFFFu) + (w_ >> 16);
        std::uint32_t t = x_ ^ (x_ << 9);
        t ^= t >> 17;
        t ^= t << 6;
        t += y_;
        std::uint32_t u = z_ ^ (z_ << 17);
        u ^= u >> 15;
        u ^= u << 5;
        u += w_;
        return t ^ u;
    }

    std::uint32_t x_ = 0, y_ = 0, z_ = 0, w_ = 0;
    bool seeded_ = false;
};

constexpr float kTwoToMinus32 = 2.3283064e-10f;

CombinedGenerator gUniformGenerator;
CombinedGenerator gGaussGenerator;
bool gGaussHaveSpare = false; // GaussRandom's spare deviate
long double gGaussSpare = 0;
CombinedGenerator gGaussGeneratorD;

// The polar method: a point uniform in the unit disc gives two independent normal deviates; the
// second is kept for the next call.
template <typename T> T Polar(CombinedGenerator& gen, bool& haveSpare, T& spare, T sigma) {
    if (haveSpare) {
        haveSpare = false;
        return spare * sigma;
    }
    T v1, v2, rsq;
    do {
        v1 = 2 * static_cast<T>(gen.Next()) * kTwoToMinus32 - 1;
        v2 = 2 * static_cast<T>(gen.Next()) * kTwoToMinus32 - 1;
        rsq = v1 * v1 + v2 * v2;
    } while (!(rsq > 0 && rsq < 1));
    T fac = std::sqrt(-2 * std::log(rsq) / rsq);
    spare = v1 * fac;
    haveSpare = true;
    return v2 * fac * sigma;
}

} // namespace

double UniformRandom(float a, float b) {
    std::uint32_t out = gUniformGenerator.Next();
    return a + static_cast<double>(out) * kTwoToMinus32 * (static_cast<double>(b) - a);
}

void SeedGaussRandom(std::time_t seed) {
    gGaussGenerator.SeedWith(seed);
    gGaussHaveSpare = false;
}

double GaussRandom(float sigma) {
    return static_cast<double>(Polar<long double>(gGaussGenerator, gGaussHaveSpare, gGaussSpare,
                                                  static_cast<long double>(sigma)));
}

double GaussRandomD(double sigma) {
    static bool haveSpare = false;
    static double spare = 0;
    return Polar<double>(gGaussGeneratorD, haveSpare, spare, sigma);
}

// Park and Miller's minimal standard generator (Schrage's factorisation avoids overflow) behind
// a 32-entry shuffle table that removes its low-order serial correlations. Checked by the
// repetition of the sequence for the same negative seed and by its moments.
float ran1(int* seed) {
    constexpr int kA = 16807, kM = 2147483647, kQ = 127773, kR = 2836, kTable = 32;
    constexpr int kDiv = 1 + (kM - 1) / kTable;
    static int table[kTable];
    static int iy = 0;
    auto advance = [&]() {
        int k = *seed / kQ;
        *seed = kA * (*seed - k * kQ) - kR * k;
        if (*seed < 0)
            *seed += kM;
    };
    if (*seed <= 0 || iy == 0) {
        *seed = std::max(-*seed, 1);
        for (int j = kTable + 7; j >= 0; --j) {
            advance();
            if (j < kTable)
                table[j] = *seed;
        }
        iy = table[0];
    }
    advance();
    int j = iy / kDiv;
    iy = table[j];
    table[j] = *seed;
    return static_cast<float>(std::min(iy * 4.656612875245797e-10, 0.99999988));
}

namespace {

// A position in lo..n; the ends are half as likely as inner positions.
int RandomPosition(int lo, int n) {
    return static_cast<int>(
        std::floor(UniformRandom(static_cast<float>(lo), static_cast<float>(n)) + 0.5));
}

} // namespace

bool RandomSubset(int* array, int lo, int n, float fraction) {
    if (!array || lo < 1 || lo > n)
        return false;
    int count = static_cast<int>(std::floor(n * fraction));
    for (int k = 0; k < count; ++k) {
        int i = RandomPosition(lo, n);
        int j = RandomPosition(lo, n);
        if (i != j && i >= lo && i <= n && j >= lo && j <= n)
            std::swap(array[i], array[j]);
    }
    return true;
}

bool RandomSubsetOfSize(int* array, int lo, int n, float fraction) {
    if (!array || lo < 1 || lo > n)
        return false;
    if (lo == n) {
        for (int p = 1; p <= n; ++p)
            array[p] = p;
        return true;
    }
    std::vector<char> used(n + 1, 0);
    int marked = 0;
    for (int p = 1; p < lo; ++p) {
        array[p] = p;
        used[p] = 1;
        ++marked;
    }
    int target = static_cast<int>(std::floor(n * fraction));
    int p = lo;
    for (int tries = 0; tries < 10 * (n - lo) && marked < target; ++tries) {
        int r = RandomPosition(lo, n);
        if (r >= 1 && r <= n && !used[r]) {
            array[p++] = r;
            used[r] = 1;
            ++marked;
        }
    }
    int next = 1;
    for (; p <= n; ++p) {
        while (used[next])
            ++next;
        array[p] = next;
        used[next] = 1;
    }
    return true;
}
