// Deferral of error boxes on worker threads.
#include "foundations/deferred_errors.h"

#include <algorithm>

namespace {
thread_local DeferErrorBoxes* gDeferral = nullptr;
}

DeferErrorBoxes::DeferErrorBoxes() : previous_(gDeferral) {
    gDeferral = this;
}

DeferErrorBoxes::~DeferErrorBoxes() {
    gDeferral = previous_;
}

bool DeferErrorBox(const char* text) {
    if (gDeferral == nullptr)
        return false;
    std::vector<std::string>& texts = gDeferral->texts_;
    const std::string t = text != nullptr ? text : "";
    if (texts.size() < DeferErrorBoxes::kKept &&
        std::find(texts.begin(), texts.end(), t) == texts.end())
        texts.push_back(t);
    return true;
}
