// CCurve: construction, nearest-point and window queries, peak search, sorting and interpolation.
#include "foundations/ccurve.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

std::int32_t gLiveCurveCount = 0;

CCurve::CCurve() {
    ++gLiveCurveCount;
}

CCurve::CCurve(CVector* xv, CVector* yv) : x(xv), y(yv) {
    ++gLiveCurveCount;
}

CCurve::CCurve(const float* xs, const float* ys, std::uint32_t n, int xOffset, int yOffset)
    : owns(1), x(new CVector(n, 1)), y(new CVector(n, 1)) {
    ++gLiveCurveCount;
    for (std::uint32_t k = 0; k < n; ++k) {
        x->data[k] = xs[xOffset + static_cast<int>(k)];
        y->data[k] = ys[yOffset + static_cast<int>(k)];
    }
}

CCurve::CCurve(const CCurve& other) : x(other.x), y(other.y) {
    ++gLiveCurveCount;
}

CCurve::~CCurve() {
    --gLiveCurveCount;
    if (owns) {
        delete x;
        delete y;
    }
}

namespace {

// Index of the element of v nearest to value; only a strictly smaller distance moves the choice.
int Nearest(const CVector* v, std::uint32_t n, float value) {
    int best = 0;
    float bestDist = std::fabs(v->data[0] - value);
    for (std::uint32_t k = 1; k < n; ++k) {
        float d = std::fabs(v->data[k] - value);
        if (d < bestDist) {
            bestDist = d;
            best = static_cast<int>(k);
        }
    }
    return best;
}

} // namespace

int CCurve::IndexNearestX(float value) const {
    if (Count() == 0)
        return 0;
    return Nearest(x, Count(), value);
}

namespace {

// Index of the element of along nearest to value, with that point's coordinates.
int NearestWithPoint(const CCurve& c, const CVector* along, float value, float* xOut, float* yOut) {
    if (c.Count() == 0)
        return 0;
    int k = Nearest(along, c.Count(), value);
    if (xOut)
        *xOut = c.x->data[k];
    if (yOut)
        *yOut = c.y->data[k];
    return k;
}

} // namespace

int CCurve::NearestIndex(float value, float* xOut, float* yOut) const {
    return NearestWithPoint(*this, x, value, xOut, yOut);
}

int CCurve::NearestIndexInY(float value, float* xOut, float* yOut) const {
    return NearestWithPoint(*this, y, value, xOut, yOut);
}

int CCurve::NearestPoint(float px, float py, float* xOut, float* yOut) const {
    std::uint32_t n = Count();
    if (n == 0)
        return 0;
    int best = 0;
    float bestDist = 0.0f;
    for (std::uint32_t k = 0; k < n; ++k) {
        float dx = x->data[k] - px;
        float dy = y->data[k] - py;
        float d = dx * dx + dy * dy;
        if (k == 0 || d < bestDist) {
            bestDist = d;
            best = static_cast<int>(k);
        }
    }
    if (xOut)
        *xOut = x->data[best];
    if (yOut)
        *yOut = y->data[best];
    return best;
}

namespace {

// Walks points lo.. upward while x <= x1 and keeps the extreme y of those with x >= x0.
template <typename Better>
float WindowExtreme(const CCurve& c, float x0, float x1, int lo, int hi, Better better) {
    std::uint32_t n = c.Count();
    std::uint32_t end = std::min(static_cast<std::uint32_t>(hi), n);
    std::uint32_t start = static_cast<std::uint32_t>(std::max(lo, 0));
    bool found = false;
    float best = 0.0f;
    for (std::uint32_t k = start; k < end; ++k) {
        float xk = c.x->data[k];
        if (xk > x1)
            break;
        if (xk < x0)
            continue;
        float yk = c.y->data[k];
        if (!found || better(yk, best)) {
            best = yk;
            found = true;
        }
    }
    return best;
}

} // namespace

float CCurve::MinYInWindow(float x0, float x1, int lo, int hi) const {
    return WindowExtreme(*this, x0, x1, lo, hi, [](float a, float b) { return a < b; });
}

float CCurve::MaxYInWindow(float x0, float x1, int lo, int hi) const {
    return WindowExtreme(*this, x0, x1, lo, hi, [](float a, float b) { return a > b; });
}

float CCurve::MinYInRange(float x0, float x1) const {
    return MinYInWindow(x0, x1, 0, -1);
}

float CCurve::MaxYInRange(float x0, float x1) const {
    return MaxYInWindow(x0, x1, 0, -1);
}

float CCurve::MeanYInRange(float x0, float x1) const {
    double sum = 0.0;
    int count = 0;
    for (std::uint32_t k = 0; k < Count(); ++k) {
        if (x->data[k] >= x0 && x->data[k] <= x1) {
            sum += y->data[k];
            ++count;
        }
    }
    return count > 0 ? static_cast<float>(sum / count) : 0.0f;
}

float CCurve::XAtMaxY() const {
    std::uint32_t n = Count();
    if (n == 0)
        return 0.0f;
    std::uint32_t best = 0;
    for (std::uint32_t k = 1; k < n; ++k)
        if (y->data[k] > y->data[best])
            best = k;
    return x->data[best];
}

// A point is a peak when its y is strictly above each of the halfWindow points on either side,
// so plateaus and points near the ends never count. Peaks of equal height keep their order
// along x (stable sort). Checked against hand-worked sequences in the curve tests.
int CCurve::FindPeaks(float* peakX, float* peakY, int* peakIndex, int maxPeaks,
                      int halfWindow) const {
    if (maxPeaks < 1 || halfWindow < 1 || !peakX || !peakY)
        return 0;
    struct Peak {
        float x, y;
        int number;
    };
    std::vector<Peak> peaks;
    int n = static_cast<int>(Count());
    int h = halfWindow;
    for (int p = h + 1; p <= n - h; ++p) {
        int i = p - 1;
        float yi = y->data[i];
        bool peak = true;
        for (int k = 1; k <= h && peak; ++k)
            peak = yi > y->data[i - k] && yi > y->data[i + k];
        if (peak)
            peaks.push_back({x->data[i], yi, p});
    }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const Peak& a, const Peak& b) { return a.y > b.y; });
    int count = std::min<int>(maxPeaks, static_cast<int>(peaks.size()));
    for (int k = 0; k < count; ++k) {
        peakX[k + 1] = peaks[k].x;
        peakY[k + 1] = peaks[k].y;
        if (peakIndex)
            peakIndex[k + 1] = peaks[k].number;
    }
    return count;
}

void CCurve::SortByX() {
    std::uint32_t n = Count();
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return x->data[a] < x->data[b]; });
    std::vector<float> xs(n), ys(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        xs[k] = x->data[order[k]];
        ys[k] = y->data[order[k]];
    }
    std::copy(xs.begin(), xs.end(), x->data);
    std::copy(ys.begin(), ys.end(), y->data);
}

// Linear interpolation on the segment beside the nearest abscissa (the end segments extrapolate).
float CCurve::InterpolateY(float value) const {
    int n = static_cast<int>(Count());
    if (n == 0)
        return 0.0f;
    int k = IndexNearestX(value);
    const float* xs = x->data;
    const float* ys = y->data;
    if (xs[k] == value || n == 1)
        return ys[k];
    int a = 0;
    if (xs[k] > value)
        a = k == 0 ? 0 : k - 1;
    else
        a = k == n - 1 ? n - 2 : k;
    int b = a + 1;
    if (xs[b] == xs[a])
        return ys[a];
    return ys[a] + (ys[b] - ys[a]) * (value - xs[a]) / (xs[b] - xs[a]);
}

float Det2(float** m) {
    return m[1][1] * m[2][2] - m[1][2] * m[2][1];
}

float Det3(float** m) {
    return m[1][1] * (m[2][2] * m[3][3] - m[2][3] * m[3][2]) -
           m[1][2] * (m[2][1] * m[3][3] - m[2][3] * m[3][1]) +
           m[1][3] * (m[2][1] * m[3][2] - m[2][2] * m[3][1]);
}
