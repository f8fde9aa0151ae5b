// The integration ranges of the distributions: nothing integrates by ranges yet, so loading them
// keeps nothing; the distribution analysis fills this in together with its integration.
#include "distributions/integration_ranges.h"

void LoadIntegrationRanges() {}
