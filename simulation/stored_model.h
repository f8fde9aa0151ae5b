// What an evaluation of a discrete model leaves in the records, kept so that an evaluation whose
// values cannot be stored in single precision leaves the records as they were, and the box that
// says so.
#pragma once

#include <vector>

class TXLAWindow;

// The fit values of every scan, the systematic noise and the linear parameters solved beside
// the species (baseline, the species' amounts, the buffer's signal).
class StoredModel {
  public:
    void Keep();
    void Restore() const;

  private:
    std::vector<float> fit_, ti_, ri_, parameters_;
    double bufferSignal_ = 0.0, bufferSign_ = 1.0;
};

// The first value of the stored model beyond single precision: a fit value, a residual (data less
// fit, formed in double) or, where neither is, a value of the noise or the linear parameters.
struct ModelOverflow {
    enum Kind { None, Signal, Residual, Parameter } kind = None;
    int scan = 0, point = 0;
    double model = 0.0; // the model's value there
};
ModelOverflow FindStoredModelOverflow();
// The first point of scan k's fit values fit[1..count] (not yet stored, or stored) that is not
// finite, or whose residual against the scan's data lies beyond single precision.
ModelOverflow FindFitOverflow(int k, const float* fit, int count);
// Each scan's residuals, data less fit, formed in double and rounded once.
void FormStoredResiduals();

// The model's signal at radius in scan is value, beyond single precision: said once per fit,
// since every evaluation of a fit may end the same way. LammGrid::signalBeyondFloat is raised.
void ReportSignalBeyondFloat(TXLAWindow* window, double radius, int scan, double value);
// The model that the evaluation completed with its linear parameters holds a value beyond single
// precision, or its residuals would: said as above.
void ReportStoredModelBeyondFloat(TXLAWindow* window, const ModelOverflow& overflow);
