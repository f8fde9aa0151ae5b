// The start of a two-species fit as a user sets it: s 3.0 and 8.0 S, M 40 and 180 kDa, both
// floated, loadings left to the linear amplitudes.
#pragma once

void SetTwoSpeciesStartValues();
