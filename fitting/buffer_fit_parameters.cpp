// The buffer component's floated values and their box.
#include "fitting/buffer_fit_parameters.h"

#include "state/buffer_sedimentation.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <algorithm>
#include <limits>

namespace {

using B = BufferSedimentation;

double& SampleDOrMb() {
    return ModelChoice::equilibriumMs ? B::sampleMb : B::sampleD;
}
double& ReferenceDOrMb() {
    return ModelChoice::equilibriumMs ? B::referenceMb : B::referenceD;
}

double& Field(BufferParameter k) {
    switch (k) {
    case BufferParameter::SampleD:
        return SampleDOrMb();
    case BufferParameter::SampleS:
        return B::sampleS;
    case BufferParameter::Signal:
        return B::signal;
    case BufferParameter::MeniscusDifference:
        return B::meniscusDifference;
    case BufferParameter::RelativeConcentration:
        return B::relativeConcentration;
    case BufferParameter::ReferenceD:
        return ReferenceDOrMb();
    case BufferParameter::ReferenceS:
        return B::referenceS;
    }
    return B::signal;
}

bool Floated(BufferParameter k) {
    switch (k) {
    case BufferParameter::SampleD:
        return B::floatSampleD;
    case BufferParameter::SampleS:
        return B::floatSampleS;
    case BufferParameter::Signal:
        return B::floatSignal;
    case BufferParameter::MeniscusDifference:
        return B::floatMeniscusDifference && B::meniscusMismatch;
    case BufferParameter::RelativeConcentration:
        return B::floatRelativeConcentration && B::meniscusMismatch;
    case BufferParameter::ReferenceD:
        return B::floatReferenceD && B::differentReference;
    case BufferParameter::ReferenceS:
        return B::floatReferenceS && B::differentReference;
    }
    return false;
}

// The reference meniscus is kept this far from the rotor axis and from the bottom.
constexpr double kMeniscusMargin = 0.05; // cm

} // namespace

std::vector<BufferParameter> FloatedBufferParameters(bool withSignal) {
    std::vector<BufferParameter> out;
    if (!B::on)
        return out;
    for (BufferParameter k :
         {BufferParameter::SampleD, BufferParameter::SampleS, BufferParameter::Signal,
          BufferParameter::MeniscusDifference, BufferParameter::RelativeConcentration,
          BufferParameter::ReferenceD, BufferParameter::ReferenceS})
        if (Floated(k) && (withSignal || k != BufferParameter::Signal))
            out.push_back(k);
    return out;
}

double ReadBufferParameter(BufferParameter k) {
    return Field(k);
}

void WriteBufferParameter(BufferParameter k, double v) {
    Field(k) = std::clamp(v, BufferParameterLower(k), BufferParameterUpper(k));
}

double BufferParameterLower(BufferParameter k) {
    const bool mass = ModelChoice::equilibriumMs;
    switch (k) {
    case BufferParameter::SampleD:
    case BufferParameter::ReferenceD:
        return mass ? 10.0 : 0.01;
    case BufferParameter::Signal:
        return 0.0;
    case BufferParameter::RelativeConcentration:
        return 1e-6;
    case BufferParameter::MeniscusDifference:
        return double(ModelParameters::meniscus) - double(ModelParameters::bottom) +
               kMeniscusMargin;
    default:
        return -std::numeric_limits<double>::max();
    }
}

double BufferParameterUpper(BufferParameter k) {
    switch (k) {
    case BufferParameter::SampleD:
    case BufferParameter::ReferenceD:
        return ModelChoice::equilibriumMs ? std::numeric_limits<double>::max() : 1000.0;
    case BufferParameter::MeniscusDifference:
        return double(ModelParameters::meniscus) - kMeniscusMargin;
    default:
        return std::numeric_limits<double>::max();
    }
}
