// "calculate vbar, dndc, and extinction280 from protein sequence": the sequence typed or pasted
// into the text window, its residues counted, a few conditions asked, the properties shown.
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "plat/dialog.hpp"
#include "state/scan_store.h"
#include "tools/sequence_properties.h"

#include <string>
#include <vector>

void TXLAWindow::CmSequenceCalculator() {
    const char* caption = "CALCULATE VBAR, EXT280 AND DNDC FROM SEQUENCE";
    std::vector<char> buffer(10000, '\0');
    if (!EditTextModal(buffer.data(), static_cast<unsigned>(buffer.size()), true,
                       "delete this text, write (or paste) single letter aa sequence, and close "
                       "this window"))
        return;
    const ResidueCounts counts = CountResidues(buffer.data());
    for (char letter : counts.notices)
        MessageBox(ResidueNotice(letter), caption, MB_OK);
    SequenceConditions conditions;
    if (counts.count['C' - 'A' + 1] >= 2.0) {
        float percent = 0;
        if (!InputFloatForWindow(this, &percent, 50.0f, true, "percent cysteines in disulfide bond",
                                 caption))
            return;
        conditions.disulfideFraction = percent * 0.01;
    }
    float temperature = 0, index = 0, wavelength = 0;
    const float defaultTemperature =
        ScanStore::absoluteTemperature > 0.0f ? ScanStore::absoluteTemperature - 273.15f : 20.0f;
    if (!InputFloatForWindow(this, &temperature, defaultTemperature, true, "enter temperature (C)",
                             caption) ||
        !InputFloatForWindow(this, &index, 1.334f, true, "enter refractive index of buffer at 25 C",
                             caption) ||
        !InputFloatForWindow(this, &wavelength, 580.0f, true, "enter wavelength (nm)", caption))
        return;
    conditions.temperature = temperature;
    conditions.bufferIndex = index;
    conditions.wavelength = wavelength;
    const std::string text =
        SequenceReport(counts, conditions, ComputeSequenceProperties(counts, conditions));
    MessageBox(text.c_str(), caption, MB_OK);
}
