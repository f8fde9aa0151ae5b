// Quicksort of 1-based float arrays (index table and carried sort) and merging of equal keys.
#include "foundations/sorting.h"

#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"

#include <utility>
#include <vector>

namespace {

constexpr int kInsertionLimit = 7;
constexpr int kStackSize = 50;

// Pending subarrays of the quicksort. The fixed stack of 50 suffices below about 1e8 elements;
// beyond, the message is shown once and the stack grows, so the sort still finishes correctly.
class PendingRanges {
  public:
    explicit PendingRanges(const char* overflowText) : text_(overflowText) {}
    void Push(int lo, int hi) {
        if (static_cast<int>(bounds_.size()) + 2 > kStackSize && !reported_) {
            ShowError(text_, 0);
            reported_ = true;
        }
        bounds_.push_back(hi);
        bounds_.push_back(lo);
    }
    bool Pop(int& lo, int& hi) {
        if (bounds_.empty())
            return false;
        lo = bounds_.back();
        bounds_.pop_back();
        hi = bounds_.back();
        bounds_.pop_back();
        return true;
    }

  private:
    const char* text_;
    std::vector<int> bounds_;
    bool reported_ = false;
};

// Quicksort with median-of-three partitioning, straight insertion below 7 elements and an
// explicit stack (the larger part is pushed, the smaller processed next), on keys key(i) of
// positions 1..n held in perm; Swap exchanges two positions. Shared by indexx and sort2.
template <typename Key, typename Swap, typename Move>
void QuickSort(int n, Key key, Swap swap, Move move, const char* overflowText) {
    PendingRanges stack(overflowText);
    int l = 1, ir = n;
    for (;;) {
        if (ir - l < kInsertionLimit) {
            for (int j = l + 1; j <= ir; ++j) {
                auto held = move.Take(j);
                float a = move.Key(held);
                int i = j - 1;
                for (; i >= l; --i) {
                    if (key(i) <= a)
                        break;
                    move.Shift(i, i + 1);
                }
                move.Put(i + 1, held);
            }
            if (!stack.Pop(l, ir))
                break;
        } else {
            int k = (l + ir) >> 1;
            swap(k, l + 1);
            if (key(l) > key(ir))
                swap(l, ir);
            if (key(l + 1) > key(ir))
                swap(l + 1, ir);
            if (key(l) > key(l + 1))
                swap(l, l + 1);
            int i = l + 1, j = ir;
            auto held = move.Take(l + 1);
            float a = move.Key(held);
            for (;;) {
                do
                    ++i;
                while (key(i) < a);
                do
                    --j;
                while (key(j) > a);
                if (j < i)
                    break;
                swap(i, j);
            }
            move.Shift(j, l + 1);
            move.Put(j, held);
            if (ir - i + 1 >= j - l) {
                stack.Push(i, ir);
                ir = j - 1;
            } else {
                stack.Push(l, j - 1);
                l = i;
            }
        }
    }
}

// Moves of the index table: positions hold indices into arr.
struct IndexMoves {
    const float* arr;
    int* indx;
    int Take(int pos) const { return indx[pos]; }
    float Key(int held) const { return arr[held]; }
    void Shift(int from, int to) const { indx[to] = indx[from]; }
    void Put(int pos, int held) const { indx[pos] = held; }
};

// Moves of the carried sort: positions hold (key, companion) pairs.
struct PairMoves {
    float* arr;
    float* brr;
    std::pair<float, float> Take(int pos) const { return {arr[pos], brr[pos]}; }
    float Key(const std::pair<float, float>& held) const { return held.first; }
    void Shift(int from, int to) const {
        arr[to] = arr[from];
        brr[to] = brr[from];
    }
    void Put(int pos, const std::pair<float, float>& held) const {
        arr[pos] = held.first;
        brr[pos] = held.second;
    }
};

} // namespace

void indexx(int n, const float* arr, int* indx) {
    for (int j = 1; j <= n; ++j)
        indx[j] = j;
    if (n < 2)
        return;
    QuickSort(
        n, [&](int pos) { return arr[indx[pos]]; },
        [&](int p, int q) { std::swap(indx[p], indx[q]); }, IndexMoves{arr, indx},
        "NSTACK too small in indexx.");
}

void sort2(int n, float* arr, float* brr) {
    if (n < 2)
        return;
    QuickSort(
        n, [&](int pos) { return arr[pos]; },
        [&](int p, int q) {
            std::swap(arr[p], arr[q]);
            std::swap(brr[p], brr[q]);
        },
        PairMoves{arr, brr}, "NSTACK too small in sort2.");
}

namespace {

// Sorts copies of keys and values together and keeps, per run of equal keys, the first key with
// the largest value of the run.
int MergeRuns(int n, const float* keys, const float* w, float* outKeys, float* outWeights) {
    std::vector<float> k(keys + 1, keys + n + 1), v(w + 1, w + n + 1);
    k.insert(k.begin(), 0.0f);
    v.insert(v.begin(), 0.0f);
    sort2(n, k.data(), v.data());
    int count = 0;
    for (int i = 1; i <= n; ++i) {
        if (count > 0 && k[i] == outKeys[count]) {
            if (v[i] > outWeights[count])
                outWeights[count] = v[i];
            continue;
        }
        ++count;
        outKeys[count] = k[i];
        outWeights[count] = v[i];
    }
    return count;
}

} // namespace

bool SortMergeXY(int n, const float* a, const float* b, const float* w, int* countA, float* keysA,
                 float* weightsA, int* countB, float* weightsB, float* keysB) {
    if (n < 2) {
        *countA = 1;
        *countB = 1;
        keysA[1] = a[1];
        weightsA[1] = w[1];
        keysB[1] = b[1];
        weightsB[1] = w[1];
        return true;
    }
    *countA = MergeRuns(n, a, w, keysA, weightsA);
    *countB = MergeRuns(n, b, w, keysB, weightsB);
    return true;
}

void SortByIndex(int n, float* a, float* b, float* c) {
    std::int32_t* indx = lvector(1, n);
    float* work = vector(1, n);
    indexx(n, a, indx);
    for (float* arr : {a, b, c}) {
        for (int j = 1; j <= n; ++j)
            work[j] = arr[indx[j]];
        for (int j = 1; j <= n; ++j)
            arr[j] = work[j];
    }
    free_vector(work, 1, n);
    free_lvector(indx, 1, n);
}
