// The adjustable, variation and saved lists of fluorophores and of a set of them.
#include "tools/fluorophore_lists.h"

#include "foundations/show_error.h"

#include <algorithm>
#include <cstddef>

namespace {

std::size_t Size(int n) {
    return static_cast<std::size_t>(n < 0 ? 0 : n) + 1;
}

// The per-wavelength vectors as long as the wavelength count says, new places filled.
void FitWavelengths(CFluorophore& f, int w) {
    f.bleachingRate.resize(Size(w), 0.0f);
    f.bleachingPlateau.resize(Size(w), 1.0f);
    f.amplitudes.resize(Size(w), 1.0f);
    f.recoveryLevels.resize(Size(w), std::vector<float>(Size(f.recoveryTimeCount), 1.0f));
}

} // namespace

void SetResetTimes(CFluorophore& f, int m, const float* times) {
    if (m < 1 || times == nullptr || f.wavelengthCount < 1)
        return;
    if (m != f.recoveryTimeCount) {
        f.recoveryTimeCount = m;
        f.recoveryTimes.assign(Size(m), 0.0f);
        f.recoveryLevels.assign(Size(f.wavelengthCount), std::vector<float>(Size(m), 1.0f));
        f.fitRecovery.assign(Size(m), 0);
    }
    std::copy(times + 1, times + m + 1, f.recoveryTimes.begin() + 1);
}

void SetWavelengthCount(CFluorophore& f, int w) {
    if (w < 2 || w <= f.wavelengthCount)
        return;
    FitWavelengths(f, w);
    f.wavelengthCount = w;
}

void LoadRecoveryLevels(CFluorophore& f, int l, int i, float level) {
    if (l < 1 || i < 1)
        return;
    if (l > f.wavelengthCount) {
        ShowError("LoadRecoveryLevels error: wl index exceeding nWavelengths");
        return;
    }
    if (i > f.recoveryTimeCount) {
        ShowError("LoadRecoveryLevels error: n index exceeding nResetTimes");
        return;
    }
    f.recoveryLevels[l][i] = level;
}

void ConstrainRecovery(CFluorophore& f) {
    const int m = f.recoveryTimeCount;
    f.fitRecovery.resize(Size(m), 0);
    if (!f.recovery)
        std::fill(f.fitRecovery.begin(), f.fitRecovery.end(), 0);
    if (f.chainFirst > f.chainLast)
        std::swap(f.chainFirst, f.chainLast);
    f.chainLast = std::min(f.chainLast, m);
    f.chainFirst = std::max(f.chainFirst, 1);
    if (!f.chainRecovery || f.chainFirst >= m)
        return;
    for (int i = f.chainFirst + 1; i <= f.chainLast; ++i) {
        f.fitRecovery[i] = 0;
        for (int l = 1; l <= f.wavelengthCount; ++l) {
            std::vector<float>& level = f.recoveryLevels[l];
            level[i] = f.chainMultiplicative ? level[i - 1] * level[1] : level[i - 1];
        }
    }
}

int CreateListOfAdjustableParameters(CFluorophore& f, int capacity, float* list) {
    const int m = f.recoveryTimeCount;
    if (list != nullptr && capacity < (m + 2) * f.wavelengthCount) {
        ShowError("too few parameters in CFluorophore::CreateListOfAdjustableParameters");
        return 0;
    }
    int n = 0;
    auto put = [&](float v) {
        ++n;
        if (list != nullptr)
            list[n] = v;
    };
    if (f.fitRate)
        put(f.bleachingRate[1]);
    if (f.fitLimitingLevel)
        put(f.bleachingPlateau[1]);
    if (f.recovery && m >= 1) {
        ConstrainRecovery(f);
        for (int i = 1; i <= m; ++i)
            if (f.fitRecovery[i])
                put(f.recoveryLevels[1][i]);
    }
    return n;
}

int CountAdjustableParameters(CFluorophore& f) {
    return CreateListOfAdjustableParameters(f, 0, nullptr);
}

bool ApplyListOfAdjustableParameters(CFluorophore& f, const float* list, int count) {
    if (count != CountAdjustableParameters(f) || (count > 0 && list == nullptr)) {
        ShowError("wrong number of parameters in CFluorophore::ApplyListOfAdjustableParameters");
        return false;
    }
    const int w = f.wavelengthCount;
    int n = 0;
    if (f.fitRate)
        std::fill(f.bleachingRate.begin() + 1, f.bleachingRate.begin() + w + 1, list[++n]);
    if (f.fitLimitingLevel)
        std::fill(f.bleachingPlateau.begin() + 1, f.bleachingPlateau.begin() + w + 1, list[++n]);
    if (f.recovery && f.recoveryTimeCount >= 1)
        for (int i = 1; i <= f.recoveryTimeCount; ++i)
            if (f.fitRecovery[i]) {
                ++n;
                for (int l = 1; l <= w; ++l)
                    f.recoveryLevels[l][i] = list[n];
            }
    ConstrainRecovery(f);
    return true;
}

bool IsEqual(const CFluorophore& a, const CFluorophore& b) {
    if (a.wavelengthCount != b.wavelengthCount || a.recoveryTimeCount != b.recoveryTimeCount ||
        a.recovery != b.recovery)
        return false;
    for (int l = 1; l <= a.wavelengthCount; ++l) {
        if (a.amplitudes[l] != b.amplitudes[l] || a.bleachingRate[l] != b.bleachingRate[l] ||
            a.bleachingPlateau[l] != b.bleachingPlateau[l])
            return false;
        for (int i = 1; i <= a.recoveryTimeCount; ++i)
            if (a.recoveryLevels[l][i] != b.recoveryLevels[l][i])
                return false;
    }
    return true;
}

void CAllFluorophores::SetFluorophoreCount(int n) {
    if (n < 1 || n == count)
        return;
    std::vector<CFluorophore> made(Size(n));
    std::vector<bool> switches(Size(n), false);
    for (int i = 1; i <= std::min(n, count); ++i) {
        fluorophores[i].CopyTo(made[i]);
        switches[i] = active[i];
    }
    fluorophores = std::move(made);
    active = std::move(switches);
    saved.assign(Size(n), CFluorophore{});
    reverseIndex.assign(Size(n), 0);
    count = n;
    activeIndexBuilt = false;
}

void CAllFluorophores::SetSharedResetTimes(int m, const float* times) {
    if (m < 1 || times == nullptr)
        return;
    sharedResetCount = m;
    sharedResetTimes.assign(times, times + m + 1);
    for (int i = 1; i <= count; ++i)
        SetResetTimes(fluorophores[i], m, times);
}

int CAllFluorophores::CreateAllParameterList(int capacity, float* list) {
    int n = 0;
    for (int i = 1; i <= count; ++i) {
        if (!active[i])
            continue;
        CFluorophore& f = fluorophores[i];
        const int own = CountAdjustableParameters(f);
        if (list != nullptr) {
            if (n + std::max(own, (f.recoveryTimeCount + 2) * f.wavelengthCount) > capacity) {
                ShowError("too few parameters in CFluorophore::CreateListOfAdjustableParameters");
                return 0;
            }
            CreateListOfAdjustableParameters(f, capacity - n, list + n);
        }
        n += own;
    }
    for (int k = 1; k <= 3; ++k)
        if (furtherFit[k]) {
            ++n;
            if (list != nullptr) {
                if (n > capacity)
                    return 0;
                list[n] = further[k];
            }
        }
    return n;
}

int CAllFluorophores::CountAllAdjustable() {
    return CreateAllParameterList(0, nullptr);
}

bool CAllFluorophores::ApplyListOfAdjustableParameters(const float* list, int total) {
    if (total != CountAllAdjustable() || (total > 0 && list == nullptr)) {
        ShowError(
            "wrong number of parameters in CAllFluorophores::ApplyListOfAdjustableParameters");
        return false;
    }
    bool ok = true;
    int n = 0;
    for (int i = 1; i <= count; ++i) {
        if (!active[i])
            continue;
        const int own = CountAdjustableParameters(fluorophores[i]);
        ok = ::ApplyListOfAdjustableParameters(fluorophores[i], list + n, own) && ok;
        n += own;
    }
    for (int k = 1; k <= 3; ++k)
        if (furtherFit[k])
            further[k] = list[++n];
    return ok;
}

std::vector<float> CAllFluorophores::CreateListOfVariation() {
    std::vector<float> list(1, 0.0f);
    for (int i = 1; i <= count; ++i) {
        if (!active[i])
            continue;
        CFluorophore& f = fluorophores[i];
        ConstrainRecovery(f);
        list.push_back(f.fitRate ? 1.0f : 0.0f);
        list.push_back(f.fitLimitingLevel ? 1.0f : 0.0f);
        for (int r = 1; r <= f.recoveryTimeCount; ++r)
            list.push_back(f.fitRecovery[r] ? 1.0f : 0.0f);
    }
    for (int k = 1; k <= 3; ++k)
        list.push_back(furtherFit[k] ? 1.0f : 0.0f);
    return list;
}

bool CAllFluorophores::ApplyListOfVariation(const std::vector<float>& list) {
    if (list.size() != CreateListOfVariation().size()) {
        ShowError("wrong number of parameters in CAllFluorophores::ApplyListOfVariation");
        return false;
    }
    std::size_t n = 0;
    for (int i = 1; i <= count; ++i) {
        if (!active[i])
            continue;
        CFluorophore& f = fluorophores[i];
        f.fitRate = list[++n] != 0.0f;
        f.fitLimitingLevel = list[++n] != 0.0f;
        for (int r = 1; r <= f.recoveryTimeCount; ++r)
            f.fitRecovery[r] = list[++n] != 0.0f ? 1 : 0;
        ConstrainRecovery(f);
    }
    for (int k = 1; k <= 3; ++k)
        furtherFit[k] = list[++n] != 0.0f;
    return true;
}

void CAllFluorophores::ConstrainAllRecovery() {
    for (int i = 1; i <= count; ++i)
        ConstrainRecovery(fluorophores[i]);
}

void CAllFluorophores::BuildActiveIndex() {
    activeIndex.assign(1, 0);
    reverseIndex.assign(Size(count), 0);
    for (int i = 1; i <= count; ++i)
        if (active[i]) {
            activeIndex.push_back(i);
            reverseIndex[i] = static_cast<int>(activeIndex.size()) - 1;
        }
    activeCount = static_cast<int>(activeIndex.size()) - 1;
    activeIndexBuilt = true;
}

bool CAllFluorophores::HasSharedFluorophoreRates() const {
    for (int i = 1; i <= count; ++i)
        for (int j = i + 1; j <= count; ++j) {
            const CFluorophore& a = fluorophores[i];
            const CFluorophore& b = fluorophores[j];
            if (!active[i] || !active[j] || a.recovery || b.recovery)
                continue;
            if (a.bleachingRate[1] == b.bleachingRate[1] &&
                a.bleachingPlateau[1] * b.bleachingPlateau[1] >= 0.0f)
                return true;
        }
    return false;
}

bool CAllFluorophores::DidFluorophoreParameterChange(int index) {
    if (!activeIndexBuilt) {
        ShowError("ActiveIndex not defined in CFluorophore::DidFluorophoreParameterChange");
        return true;
    }
    if (index < 1 || index > count)
        return true;
    return !IsEqual(fluorophores[index], saved[index]);
}

void CAllFluorophores::SaveFluorophoreCopy(int index) {
    if (index >= 1 && index <= count)
        fluorophores[index].CopyTo(saved[index]);
}

namespace {

// One fluorophore into the saved list, in its fixed order.
void PutFluorophore(const CFluorophore& f, std::vector<float>& out) {
    const int w = f.wavelengthCount, m = f.recoveryTimeCount;
    auto flag = [](bool b) { return b ? 1.0f : 0.0f; };
    out.push_back(float(w));
    for (const std::vector<float>* v : {&f.amplitudes, &f.bleachingRate})
        out.insert(out.end(), v->begin() + 1, v->begin() + w + 1);
    out.push_back(flag(f.fitRate));
    out.insert(out.end(), f.bleachingPlateau.begin() + 1, f.bleachingPlateau.begin() + w + 1);
    out.push_back(flag(f.fitLimitingLevel));
    out.push_back(flag(f.recovery));
    out.push_back(float(m));
    out.insert(out.end(), f.recoveryTimes.begin() + 1, f.recoveryTimes.begin() + m + 1);
    for (int i = 1; i <= m; ++i)
        for (int l = 1; l <= w; ++l)
            out.push_back(f.recoveryLevels[l][i]);
    for (int i = 1; i <= m; ++i)
        out.push_back(i < int(f.fitRecovery.size()) ? float(f.fitRecovery[i]) : 0.0f);
    out.push_back(flag(f.chainRecovery));
    out.push_back(float(f.chainFirst));
    out.push_back(float(f.chainLast));
    out.push_back(flag(f.chainMultiplicative));
}

// Reads the list from position at on; false when it ends early or a count is not sensible.
class SavedListReader {
  public:
    explicit SavedListReader(const std::vector<float>& list) : list(list) {}
    bool Next(float& v) {
        if (at >= list.size())
            return false;
        v = list[at++];
        return true;
    }
    bool Count(int& n, int most) {
        float v = 0.0f;
        if (!Next(v) || !(v >= 0.0f) || v > float(most) || v != float(int(v)))
            return false;
        n = int(v);
        return true;
    }
    bool Values(std::vector<float>& into, int n) {
        into.assign(Size(n), 0.0f);
        for (int i = 1; i <= n; ++i)
            if (!Next(into[i]))
                return false;
        return true;
    }
    bool AtEnd() const { return at == list.size(); }

  private:
    const std::vector<float>& list;
    std::size_t at = 1;
};

constexpr int kMostInSavedList = 1000000;

bool ReadFluorophore(SavedListReader& r, CFluorophore& f) {
    float v = 0.0f;
    int w = 0, m = 0;
    if (!r.Count(w, kMostInSavedList) || w < 1)
        return false;
    f.wavelengthCount = w;
    if (!r.Values(f.amplitudes, w) || !r.Values(f.bleachingRate, w) || !r.Next(v))
        return false;
    f.fitRate = v != 0.0f;
    if (!r.Values(f.bleachingPlateau, w) || !r.Next(v))
        return false;
    f.fitLimitingLevel = v != 0.0f;
    if (!r.Next(v) || !r.Count(m, kMostInSavedList))
        return false;
    f.recovery = v != 0.0f;
    f.recoveryTimeCount = m;
    if (!r.Values(f.recoveryTimes, m))
        return false;
    f.recoveryLevels.assign(Size(w), std::vector<float>(Size(m), 1.0f));
    for (int i = 1; i <= m; ++i)
        for (int l = 1; l <= w; ++l)
            if (!r.Next(f.recoveryLevels[l][i]))
                return false;
    f.fitRecovery.assign(Size(m), 0);
    for (int i = 1; i <= m; ++i) {
        if (!r.Next(v))
            return false;
        f.fitRecovery[i] = v != 0.0f ? 1 : 0;
    }
    float chain = 0.0f, first = 0.0f, last = 0.0f, multiplicative = 0.0f;
    if (!r.Next(chain) || !r.Next(first) || !r.Next(last) || !r.Next(multiplicative))
        return false;
    f.chainRecovery = chain != 0.0f;
    f.chainFirst = int(first);
    f.chainLast = int(last);
    f.chainMultiplicative = multiplicative != 0.0f;
    return true;
}

} // namespace

std::vector<float> CAllFluorophores::CreateListOfTotalNumberOfParametersToBeSaved() const {
    std::vector<float> out(1, 0.0f);
    out.push_back(float(count));
    for (int i = 1; i <= count; ++i)
        out.push_back(active[i] ? 1.0f : 0.0f);
    out.push_back(float(sharedResetCount));
    out.insert(out.end(), sharedResetTimes.begin() + 1,
               sharedResetTimes.begin() + sharedResetCount + 1);
    for (int k = 1; k <= 3; ++k) {
        out.push_back(furtherFit[k] ? 1.0f : 0.0f);
        out.push_back(further[k]);
    }
    out.push_back(fixedLow);
    for (int i = 1; i <= count; ++i)
        PutFluorophore(fluorophores[i], out);
    return out;
}

int CAllFluorophores::CountParametersToBeSaved() const {
    int n = count + 2 + sharedResetCount + 7;
    for (int i = 1; i <= count; ++i) {
        const int w = fluorophores[i].wavelengthCount, m = fluorophores[i].recoveryTimeCount;
        n += 9 + 3 * w + 2 * m + m * w;
    }
    return n;
}

bool CAllFluorophores::RestoreListofTotalNumberOfParametersToBeSaved(
    const std::vector<float>& list) {
    // Read into a fresh set first: a list that does not hold together changes nothing.
    CAllFluorophores read;
    SavedListReader r(list);
    int n = 0, m = 0;
    bool ok = r.Count(n, kMostInSavedList) && n >= 1;
    if (ok) {
        read.SetFluorophoreCount(n);
        float v = 0.0f;
        for (int i = 1; ok && i <= n; ++i) {
            ok = r.Next(v);
            read.active[i] = v != 0.0f;
        }
        ok = ok && r.Count(m, kMostInSavedList) && r.Values(read.sharedResetTimes, m);
        read.sharedResetCount = m;
        for (int k = 1; ok && k <= 3; ++k) {
            ok = r.Next(v) && r.Next(read.further[k]);
            read.furtherFit[k] = v != 0.0f;
        }
        ok = ok && r.Next(read.fixedLow);
        for (int i = 1; ok && i <= n; ++i)
            ok = ReadFluorophore(r, read.fluorophores[i]);
        ok = ok && r.AtEnd();
    }
    if (!ok) {
        ShowError("wrong number of parameters in "
                  "CFluorophore::RestoreListofTotalNumberOfParametersToBeSaved");
        return false;
    }
    read.fixedHigh = fixedHigh;
    *this = std::move(read);
    return true;
}
