// "calculate vbar, dndc, and extinction280 from protein sequence": the sequence typed or pasted
// into the text window, its residues counted, a few conditions asked, the properties shown.
#include "app/allowed_entry.h"
#include "app/txla_window.h"
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
    // Without residues the volumes and refraction divide 0 by 0: there is nothing to ask.
    if (counts.read == 0) {
        MessageBox("0 amino acids read:\nmass = 18.0 Da\nwithout residues vbar, dndc and the "
                   "fringes are not defined",
                   caption, MB_OK);
        return;
    }
    SequenceConditions conditions;
    if (counts.count['C' - 'A' + 1] >= 2.0) {
        float percent = 0;
        if (!AskAllowed(this, percent, 50.0f, "percent cysteines in disulfide bond", caption,
                        kPercent))
            return;
        conditions.disulfideFraction = percent * 0.01;
    }
    float temperature = 0, index = 0, wavelength = 0;
    const float defaultTemperature =
        ScanStore::absoluteTemperature > 0.0f ? ScanStore::absoluteTemperature - 273.15f : 20.0f;
    if (!AskAllowed(this, temperature, defaultTemperature, "enter temperature (C)", caption,
                    kAboveAbsoluteZero) ||
        !AskAllowed(this, index, 1.334f, "enter refractive index of buffer at 25 C", caption,
                    kPositive) ||
        !AskAllowed(this, wavelength, 580.0f, "enter wavelength (nm)", caption, kPositive))
        return;
    conditions.temperature = temperature;
    conditions.bufferIndex = index;
    conditions.wavelength = wavelength;
    const std::string text =
        SequenceReport(counts, conditions, ComputeSequenceProperties(counts, conditions));
    MessageBox(text.c_str(), caption, MB_OK);
}
