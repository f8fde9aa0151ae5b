// CVector: construction, views, element access, extrema, labels and growth.
#include "foundations/cvector.h"

#include "foundations/c_locale.h"
#include "foundations/show_error.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

float* AllocFloats(std::uint32_t n) {
    auto* p = static_cast<float*>(std::malloc(std::max<std::size_t>(n, 1) * sizeof(float)));
    if (!p) {
        // The caller would write through the missing storage: end after the fatal report.
        ShowError("Could not allocate Vector", 1);
        std::exit(EXIT_FAILURE);
    }
    return p;
}

float* FreeFloats(float* p) {
    std::free(p);
    return nullptr;
}

CVector::CVector(std::uint32_t n, std::uint32_t flagValue) : flag(flagValue) {
    if (n == 0)
        return;
    data = AllocFloats(n);
    length = allocated = n;
}

CVector::CVector(std::uint32_t n, const float* source, std::uint32_t flagValue)
    : CVector(n, flagValue) {
    if (n > 0)
        std::memcpy(data, source, n * sizeof(float));
}

CVector::CVector(const CVector& other) : flag(other.flag) {
    if (!other.data || other.length == 0)
        return;
    data = AllocFloats(other.length);
    std::memcpy(data, other.data, other.length * sizeof(float));
    length = allocated = other.length;
}

CVector& CVector::operator=(const CVector& other) {
    if (this == &other)
        return *this;
    if (length != other.length) {
        Release();
        flag = other.flag;
        owns = 1;
        if (other.length > 0) {
            data = AllocFloats(other.length);
            length = allocated = other.length;
        }
    }
    if (length > 0)
        std::memcpy(data, other.data, length * sizeof(float));
    return *this;
}

CVector::~CVector() {
    Release();
}

void CVector::Release() {
    if (owns)
        FreeFloats(data);
    data = nullptr;
    length = allocated = 0;
}

void CVector::Attach(float* base, std::uint32_t n, std::uint32_t offset) {
    SetView(base ? base + offset : nullptr, n);
}

void CVector::SetView(float* address, std::uint32_t n) {
    length = allocated = n;
    if (n == 0)
        data = nullptr;
    else if (address)
        data = address;
    owns = 0;
    if (!data)
        return;
    // Denormal-range values are cleared once here so later arithmetic never meets them.
    for (std::uint32_t i = 0; i < n; ++i)
        if (std::fabs(data[i]) < 1e-30f)
            data[i] = 0.0f;
}

float CVector::At(int i) const {
    if (!data || i < 0 || static_cast<std::uint32_t>(i) >= length)
        return 0.0f;
    return data[i];
}

float CVector::Max() const {
    return MaxInRange(0, static_cast<int>(length) - 1);
}
float CVector::Min() const {
    return MinInRange(0, static_cast<int>(length) - 1);
}

namespace {

// Clamps lo..hi to the vector; false when nothing is left to scan.
bool ClampRange(const CVector& v, int& lo, int& hi) {
    if (!v.data)
        return false;
    lo = std::max(lo, 0);
    hi = std::min<long>(hi, static_cast<long>(v.length) - 1);
    return hi >= lo;
}

} // namespace

float CVector::MaxInRange(int lo, int hi) const {
    if (!ClampRange(*this, lo, hi))
        return 0.0f;
    float best = data[lo];
    for (int i = lo + 1; i <= hi; ++i)
        if (data[i] > best)
            best = data[i];
    return best;
}

float CVector::MinInRange(int lo, int hi) const {
    if (!ClampRange(*this, lo, hi))
        return 0.0f;
    float best = data[lo];
    for (int i = lo + 1; i <= hi; ++i)
        if (data[i] < best)
            best = data[i];
    return best;
}

namespace {

// The extreme (by better) of the strictly positive elements of lo..hi; 1.0 with *failed set when
// there is none.
template <typename Better>
float PositiveExtreme(const CVector& v, int lo, int hi, unsigned char* failed, Better better) {
    if (ClampRange(v, lo, hi)) {
        bool found = false;
        float best = 0.0f;
        for (int i = lo; i <= hi; ++i) {
            if (v.data[i] > 0.0f && (!found || better(v.data[i], best))) {
                best = v.data[i];
                found = true;
            }
        }
        if (found)
            return best;
    }
    if (failed)
        *failed = 1;
    return 1.0f;
}

} // namespace

float CVector::MinPositive(int lo, int hi, unsigned char* failed) const {
    return PositiveExtreme(*this, lo, hi, failed, [](float a, float b) { return a < b; });
}

float CVector::MaxPositive(int lo, int hi, unsigned char* failed) const {
    return PositiveExtreme(*this, lo, hi, failed, [](float a, float b) { return a > b; });
}

namespace {

// Whole values print without a fraction, others in the shortest of fixed and exponent form with
// six significant digits. The integer form is used only where an int can hold the value, so a
// tick label of 1e30 prints as "1e+30" instead of overflowing the conversion.
int FormatLabel(float v, char* text, int size) {
    CLocaleScope cLocale;
    char field[32];
    double d = v;
    if (std::fabs(d) < 2147483648.0 && d == std::floor(d))
        std::snprintf(field, sizeof field, "%d", static_cast<int>(d));
    else
        std::snprintf(field, sizeof field, "%g", d);
    int limit = std::min(size - 1, 19);
    int n = 0;
    while (n < limit && field[n] != '\0' && field[n] != ' ') {
        text[n] = field[n];
        ++n;
    }
    if (size > 0)
        text[n] = '\0';
    return n;
}

} // namespace

int CVector::FormatElement(std::uint32_t i, char* text, int size, float scale) const {
    if (!data || i >= length || size <= 0)
        return 0;
    return FormatLabel(scale * data[i], text, size);
}

int CVector::FormatElementExp10(std::uint32_t i, char* text, int size, float scale) const {
    if (!data || i >= length || size <= 0)
        return 0;
    return FormatLabel(static_cast<float>(std::pow(10.0, scale * data[i])), text, size);
}

void CVector::Append(float value) {
    // The storage grows by half its size when full, so n values appended copy fewer than 3n in
    // all (a file of 80,000 lines took seconds when each value copied the whole vector). A view
    // is first copied into storage of the vector's own: the viewed memory is never written.
    if (!owns || !data || length >= allocated) {
        const std::uint64_t wanted = std::max<std::uint64_t>(8, length + length / 2 + 1);
        const auto room = static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, UINT32_MAX));
        float* grown = AllocFloats(room);
        if (length > 0 && data)
            std::memcpy(grown, data, length * sizeof(float));
        if (owns)
            FreeFloats(data);
        data = grown;
        owns = 1;
        allocated = room;
    }
    data[length++] = value;
}

void CVector::Resize(std::uint32_t n) {
    flag = 1;
    if (n == length)
        return;
    if (n == 0) {
        Release();
        owns = 1;
        return;
    }
    float* fresh = AllocFloats(n);
    if (data)
        std::memcpy(fresh, data, std::min(n, length) * sizeof(float));
    if (owns)
        FreeFloats(data);
    data = fresh;
    owns = 1;
    length = allocated = n;
}

CVector& CVector::operator*=(float factor) {
    for (std::uint32_t i = 0; data && i < length; ++i)
        data[i] *= factor;
    return *this;
}

bool CVector::operator==(const CVector& other) const {
    if (length != other.length)
        return false;
    for (std::uint32_t i = 0; i < length; ++i)
        if (data[i] != other.data[i])
            return false;
    return true;
}

bool CVector::operator!=(const CVector& other) const {
    return !(*this == other);
}

void CVector::Display() const {
    ShowError("Display vector contents not implemented", 0);
}
