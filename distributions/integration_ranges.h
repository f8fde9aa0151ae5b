// The c(s) integration ranges read from the integration-range file.
#pragma once

// Reads the two-column s-min/s-max integration range file.
void LoadIntegrationRanges();
