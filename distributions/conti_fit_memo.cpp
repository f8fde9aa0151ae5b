// Values of the distribution Fit's objective kept by model within one optimiser run.
#include "distributions/conti_fit_memo.h"

#include <algorithm>

bool ContiFitMemo::Find(const ContiTrialModel& model, std::vector<double>* residuals,
                        double& value) const {
    const auto at = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return e.model == model; });
    if (at == entries_.end() || (residuals && !at->hasResiduals))
        return false;
    value = at->value;
    if (residuals)
        *residuals = at->residuals;
    return true;
}

void ContiFitMemo::Keep(const ContiTrialModel& model, double value,
                        const std::vector<double>* residuals) {
    auto at = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.model == model; });
    if (at == entries_.end()) {
        entries_.push_back(Entry{model, value, false, {}});
        at = entries_.end() - 1;
    }
    at->value = value;
    if (!residuals || at->hasResiduals)
        return;
    const std::size_t index = static_cast<std::size_t>(at - entries_.begin());
    at->residuals = *residuals;
    at->hasResiduals = true;
    withResiduals_.push_back(index);
    if (withResiduals_.size() > static_cast<std::size_t>(kResidualSets)) {
        Entry& oldest = entries_[withResiduals_.front()];
        oldest.hasResiduals = false;
        std::vector<double>().swap(oldest.residuals);
        withResiduals_.erase(withResiduals_.begin());
    }
}
