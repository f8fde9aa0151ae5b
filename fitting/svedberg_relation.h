// The discrete species' second value in the s-and-D or the M-and-s form.
#pragma once

// The partner of value (D in 1e-7 cm^2/s, or M in Da) for a species of sS (S), by the Svedberg
// relation with R T (erg/mol) and the buoyancy term vbar x density; 0 when value is not positive
// or the relation has no finite answer.
float ConvertDOrM(float sS, float value, float gasConstantTimesT, float vRho);
