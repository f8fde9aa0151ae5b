#include "state/held_discretisation.h"

#include <atomic>
#include <map>
#include <mutex>
#include <utility>

namespace {

// Equations of one list run on several threads; the record is read and written under the lock.
std::mutex gLock;
std::map<std::pair<int, int>, HeldLammGrid> gGrids;
std::atomic<int> gDepth{0};
std::atomic<int> gNextList{0};
std::atomic<bool> gOutgrown{false};
std::atomic<bool> gEvaluationOutgrown{false};
std::atomic<unsigned long> gEpoch{0};

void Clear() {
    std::lock_guard<std::mutex> lock(gLock);
    ++gEpoch;
    gGrids.clear();
    gNextList = 0;
    gOutgrown = false;
    gEvaluationOutgrown = false;
}

} // namespace

struct HeldDiscretisation::Record {
    std::map<std::pair<int, int>, HeldLammGrid> grids;
    int depth = 0, nextList = 0;
    bool outgrown = false, evaluationOutgrown = false;
};

HeldDiscretisation::SetAside::SetAside() {
    if (gDepth == 0)
        return;
    {
        std::lock_guard<std::mutex> lock(gLock);
        outer_ = std::make_unique<Record>(
            Record{std::move(gGrids), gDepth, gNextList, gOutgrown, gEvaluationOutgrown});
    }
    Clear();
    gDepth = 0;
}

HeldDiscretisation::SetAside::~SetAside() {
    if (!outer_)
        return;
    Clear();
    std::lock_guard<std::mutex> lock(gLock);
    gGrids = std::move(outer_->grids);
    gDepth = outer_->depth;
    gNextList = outer_->nextList;
    gOutgrown = outer_->outgrown;
    gEvaluationOutgrown = outer_->evaluationOutgrown;
}

HeldDiscretisation::Scope::Scope() {
    gDepth = 1;
    Clear();
}

HeldDiscretisation::Scope::~Scope() {
    Clear();
    gDepth = 0;
}

bool HeldDiscretisation::Active() {
    return gDepth > 0;
}

void HeldDiscretisation::BeginEvaluation() {
    gNextList = 0;
    gEvaluationOutgrown = false;
}

int HeldDiscretisation::NextList() {
    return Active() ? gNextList++ : -1;
}

bool HeldDiscretisation::Find(int list, int equation, HeldLammGrid& out) {
    std::lock_guard<std::mutex> lock(gLock);
    const auto at = gGrids.find({list, equation});
    if (at == gGrids.end())
        return false;
    out = at->second;
    return true;
}

void HeldDiscretisation::Store(int list, int equation, const HeldLammGrid& grid) {
    std::lock_guard<std::mutex> lock(gLock);
    gGrids[{list, equation}] = grid;
}

void HeldDiscretisation::NoteOutgrown() {
    gOutgrown = true;
    gEvaluationOutgrown = true;
}

bool HeldDiscretisation::EvaluationOutgrown() {
    return gEvaluationOutgrown;
}

bool HeldDiscretisation::Outgrown() {
    return gOutgrown;
}

void HeldDiscretisation::Resize() {
    Clear();
}

unsigned long HeldDiscretisation::Epoch() {
    return gEpoch;
}
