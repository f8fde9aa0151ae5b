// The remembered times of the equations of recent Lamm lists.
#include "lamm/lamm_list_costs.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

// A list comes back with the same s values as long as its grid of s is not changed (a fit that
// floats the frictional ratio changes D only, and with it the times a little).
struct ListCosts {
    std::vector<double> s;     // [1..n]
    std::vector<double> costs; // [1..n]
};

// A few lists are remembered, the most recent at the front: an analysis may alternate between
// the kernel of a distribution and lists of other sizes.
constexpr std::size_t kListsRemembered = 4;

std::mutex gCostsMutex;
std::vector<ListCosts> gLists;

bool SameList(const ListCosts& entry, int n, const double* s) {
    return static_cast<int>(entry.s.size()) == n + 1 &&
           std::memcmp(entry.s.data() + 1, s + 1, sizeof(double) * std::size_t(n)) == 0;
}

} // namespace

void RememberListCosts(int n, const double* s, const std::vector<double>& costs) {
    if (n <= 0 || s == nullptr || static_cast<int>(costs.size()) < n + 1)
        return;
    std::lock_guard<std::mutex> lock(gCostsMutex);
    auto found = std::find_if(gLists.begin(), gLists.end(),
                              [&](const ListCosts& entry) { return SameList(entry, n, s); });
    ListCosts entry;
    if (found != gLists.end()) {
        entry = std::move(*found);
        gLists.erase(found);
    } else {
        entry.s.assign(s, s + n + 1);
        entry.costs.assign(std::size_t(n) + 1, 0.0);
    }
    for (int j = 1; j <= n; ++j)
        if (costs[std::size_t(j)] > 0.0)
            entry.costs[std::size_t(j)] = costs[std::size_t(j)];
    gLists.insert(gLists.begin(), std::move(entry));
    if (gLists.size() > kListsRemembered)
        gLists.pop_back();
}

std::vector<int> ListClaimOrder(int n, const double* s, const int* kept) {
    std::vector<int> order;
    order.reserve(std::size_t(std::max(n, 0)));
    for (int j = 1; j <= n; ++j)
        if (kept == nullptr || kept[j] == 0)
            order.push_back(j);
    if (s == nullptr || order.size() < 2)
        return order;
    std::vector<double> key(std::size_t(n) + 1, 0.0);
    {
        std::lock_guard<std::mutex> lock(gCostsMutex);
        auto found = std::find_if(gLists.begin(), gLists.end(),
                                  [&](const ListCosts& entry) { return SameList(entry, n, s); });
        if (found != gLists.end())
            key = found->costs;
        else
            for (int j = 1; j <= n; ++j)
                key[std::size_t(j)] = std::isfinite(s[j]) ? std::fabs(s[j]) : 0.0;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return key[std::size_t(a)] > key[std::size_t(b)]; });
    return order;
}
