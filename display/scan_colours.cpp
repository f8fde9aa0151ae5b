// Scan colours. The ramp is computed in single precision, as the colours were tuned that way; the
// table beyond seven colours follows a formula whose channels can leave 0..255, which we clamp
// (keeping only the low byte would turn 280 into a near-black 24).
#include "display/scan_colours.h"

#include "scandata/scan_store_alloc.h"

#include <algorithm>
#include <cmath>

namespace {

int Channel(float fraction) {
    return int(std::floor(fraction * 255.0f));
}

COLORREF Pack(int red, int green, int blue) {
    auto clamp = [](int v) { return std::uint32_t(std::clamp(v, 0, 255)); };
    return clamp(red) | (clamp(green) << 8) | (clamp(blue) << 16);
}

// Table entries 1..7 and their darker variant.
constexpr int kTable[8][3] = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                              {200, 200, 0}, {255, 0, 255}, {0, 255, 255}, {125, 125, 125}};

COLORREF TableColour(int n, bool darker) {
    const int shade = darker ? 70 : 0;
    if (n <= 7) {
        const int* c = kTable[n];
        auto dim = [&](int v) { return v > 0 ? v - shade : 0; };
        return Pack(dim(c[0]), dim(c[1]), dim(c[2]));
    }
    const int a = 495 - 30 * n;
    const int b = 40 * n - 280;
    int green = (n - 7) % 2 == 0 ? a : b;
    int red = (n - 8) % 2 == 0 ? a : b;
    int blue = (n - 7) % 3 == 0 ? a : b;
    if (darker) {
        red -= 50;
        green -= 50;
        blue -= 50;
    }
    return Pack(red, green, blue);
}

} // namespace

COLORREF ColourFromFraction(int i, int n) {
    float f = n != 0 ? float(i) / float(n) : 0.0f;
    f = std::clamp(f, 0.0f, 1.0f);
    float red = 0, green = 0, blue = 0;
    if (f <= 0.2f) {
        blue = f / 0.2f;
    } else if (f <= 0.4f) {
        green = (f - 0.2f) / (0.4f - 0.2f);
        blue = 1;
    } else if (f <= 0.65f) {
        red = (f - 0.4f) / (0.65f - 0.4f);
        green = 1;
        blue = 1 - (f - 0.4f) / (0.65f - 0.4f);
    } else if (f <= 0.9f) {
        red = 1;
        green = 1 - (f - 0.65f) / (0.9f - 0.65f);
    } else {
        red = 1 - (f - 0.9f) / ((1.0f - 0.9f) * 4.0f);
    }
    return Pack(Channel(red), Channel(green), Channel(blue));
}

COLORREF ScanColour(int k) {
    const int count = ScanStore::scanCount;
    if (ScanStore::scanColorFromTime)
        return ColourFromFraction(k, count);
    const bool darker = k > 14;
    const int n = darker ? k - 14 : k;
    if (count == 0 || n < 1 || n > count)
        return 0;
    return TableColour(n, darker);
}
