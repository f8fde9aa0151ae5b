// The values of the distribution Fit's objective already computed in one optimiser run, by the
// model they were computed for.
#pragma once

#include <cstddef>
#include <vector>

// The model a trial is computed for: the kernel parameters as the model holds them (single
// precision), the epoch of the held discretisation (state/held_discretisation.h), the
// buffer's values while its correction is on and the discrete component's values.
struct ContiTrialModel {
    float meniscus = 0.0f, bottom = 0.0f, ff0 = 0.0f;
    unsigned long epoch = 0;
    std::vector<double> buffer;
    // The detection corrections' values a fit may vary (the nonlinear detection's power among
    // them, with which the data were transformed).
    std::vector<float> detection;
    // The discrete component's s, M and D (each as the model holds it).
    std::vector<float> discrete;
    float vbar = 0.0f; // the floating-vbar model moves it
    // The bimodal model's second f/f0.
    float secondFf0 = 0.0f;
    // The buoyancy vbar of an inhomogeneous solvent (over a cosolute the store's vbar stays).
    float solventVbar = 0.0f;
    bool operator==(const ContiTrialModel&) const = default;
};

// The optimiser's trial vectors are doubles, the model's parameters single precision: near
// convergence (and when a simplex is rebuilt around its best vertex) distinct trials become a
// model computed before. Within one held discretisation that model's objective is the same
// number, so it is taken from here instead of solving kernel, equations and regularization anew.
class ContiFitMemo {
  public:
    // The value of a model computed before and, when residuals is given, its residuals; false
    // when the model (or, for residuals, its residuals) is not kept.
    bool Find(const ContiTrialModel& model, std::vector<double>* residuals, double& value) const;
    // Keeps the value of a model and its residuals when given. The residuals of the last
    // kResidualSets models that had them are kept; older ones are dropped (their values stay).
    void Keep(const ContiTrialModel& model, double value, const std::vector<double>* residuals);
    std::size_t Size() const { return entries_.size(); }

    static constexpr int kResidualSets = 4;

  private:
    struct Entry {
        ContiTrialModel model;
        double value = 0.0;
        bool hasResiduals = false;
        std::vector<double> residuals;
    };
    std::vector<Entry> entries_;
    std::vector<std::size_t> withResiduals_; // entry indices, oldest first
};
