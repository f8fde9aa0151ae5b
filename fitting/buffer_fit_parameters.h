// The buffer component's own values that a fit may float: the sedimenting buffer's D (or Mb) and
// s on each side, its signal, and the menisci and concentrations of the two sectors.
#pragma once

#include <vector>

enum class BufferParameter {
    SampleD, // or the sample side's Mb in the M-and-s form
    SampleS,
    Signal,
    MeniscusDifference,
    RelativeConcentration,
    ReferenceD, // or the reference side's Mb
    ReferenceS,
};

// The floated ones while the correction is on, in the order above. The signal is left out when
// the caller solves it as a linear amplitude.
std::vector<BufferParameter> FloatedBufferParameters(bool withSignal);

double ReadBufferParameter(BufferParameter k);
// Writes a trial value, kept inside BufferParameterLower/Upper.
void WriteBufferParameter(BufferParameter k, double v);

// The box a trial value must stay in: D (1e-7 cm^2/s) within the solver's working range, Mb at
// least 10, a relative concentration and a signal above 0, and a reference meniscus inside the
// cell (meniscus - difference in (0, bottom)).
double BufferParameterLower(BufferParameter k);
double BufferParameterUpper(BufferParameter k);
