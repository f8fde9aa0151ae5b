// The scan header and the reader's program-wide switches.
#include "scandata/scan_header.h"

#include "scandata/scan_data_kind.h"

#include <cstring>

void SetScanDescription(ScanHeader& header, const char* text) {
    std::size_t n = text ? std::strlen(text) : 0;
    if (n > sizeof header.description - 1)
        n = sizeof header.description - 1;
    if (n)
        std::memcpy(header.description, text, n);
    header.description[n] = '\0';
}

void ScanDataKind::ResetToDefaults() {
    intensity = false;
    absorbance = false;
    interference = false;
    fluorescence = false;
    electrophoresis = false;
}

void ScanReaderOptions::ResetToDefaults() {
    dropSpikes = true;
    nColumnsMode = false;
    nColumns = 2;
    spikeThreshold = 0.4f;
    spikeLevel = 0.4f;
    spikeLevelFluorescence = 100.0f;
}
