// "Convert DLS Data To TARNIX format": one command per instrument export. Each explains the export
// it needs, asks for the export, the ".dlsdat" file to make and the conditions the export does not
// carry, and hands them to the export's reader. The files made are loaded with "load DLS Data".
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "scandata/dls_export_readers.h"

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr const char* kCaption = "MAKE DLS DATA";
constexpr const char* kFormatted = "select filename for saving formatted data files";
constexpr const char* kTarnixFormatted = "select filename for saving tarnix formatted data file";

// The export and the file to make; false when a box is answered No or a dialog cancelled.
bool AskFiles(TXLAWindow* window, const char* description, const char* pattern,
              const char* targetTitle, std::string* source, std::string* target) {
    if (description && window->MessageBox(description, kCaption, MB_YESNO) != IDYES)
        return false;
    return AskOpenPath(window, "select data file", pattern, source) &&
           AskSavePath(window, targetTitle, "00001.dlsdat", false, target, "dlsdat");
}

bool Ask(TXLAWindow* window, float* value, const char* prompt) {
    return InputFloatForWindow(window, value, *value, true, prompt, kCaption);
}

// Runs the reader; an export it cannot read is said in a box.
void Convert(TXLAWindow* window, const std::string& source, const std::function<int()>& reader) {
    if (reader() == 0)
        window->MessageBox(("could not convert " + source).c_str(), kCaption, MB_OK);
}

// Viscosity, refractive index, wavelength (nm, asked twice when confirm is set), angle and
// temperature, as the Dynamics 7 and Protein Solutions 6.2.05 commands ask them.
struct CoefTableValues {
    float viscosity = 0.01002f, refractiveIndex = 1.333f, wavelengthNm = 0.0f, angle = 90.0f,
          temperature = 20.0f;
};

bool AskCoefTableValues(TXLAWindow* window, bool confirmWavelength, CoefTableValues* v) {
    if (!Ask(window, &v->viscosity, "absolute viscosity of solvent (Poise)") ||
        !Ask(window, &v->refractiveIndex, "refractive index of solvent") ||
        !Ask(window, &v->wavelengthNm, "laser wavelength (nm)"))
        return false;
    if (confirmWavelength) {
        window->MessageBox("are you sure about the wavelengt? (DynaPro used to have 825 nm laser, "
                           "but Wyatt Dynapro Nanostar (WDPN-04) has 660 nm laser)",
                           kCaption, MB_OK);
        if (!Ask(window, &v->wavelengthNm, "laser wavelength (nm)"))
            return false;
    }
    return Ask(window, &v->angle, "scattering angle (degrees)") &&
           Ask(window, &v->temperature, "temperature (C)");
}

// Several measurements go to numbered files in the target's folder: existing ones are replaced
// only when the user agrees.
bool MayReplace(TXLAWindow* window, const std::vector<std::string>& existing) {
    std::string text = "replace the existing files";
    for (const std::string& path : existing)
        text += "\n" + path;
    text += "?";
    return window->MessageBox(text.c_str(), kCaption, MB_YESNO) == IDYES;
}

// As Convert for the readers of several measurements: a declined replacement (-1) says nothing.
void ConvertSeveral(TXLAWindow* window, const std::string& source,
                    const std::function<int(const DlsReplaceQuestion&)>& reader) {
    const int made = reader([window](const std::vector<std::string>& existing) {
        return MayReplace(window, existing);
    });
    if (made == 0)
        window->MessageBox(("could not convert " + source).c_str(), kCaption, MB_OK);
}

} // namespace

void TXLAWindow::CmDlsDynamics7() {
    std::string source, target;
    CoefTableValues v;
    v.wavelengthNm = 660.0f;
    if (AskFiles(this, "needs data of Wyatt DLS (Dynamics 7.0.2.7.)", "*.csv", kFormatted, &source,
                 &target) &&
        AskCoefTableValues(this, true, &v))
        Convert(this, source, [&] {
            return ReadDlsDynamics7(source.c_str(), target.c_str(), v.refractiveIndex, v.viscosity,
                                    v.wavelengthNm * 1e-9f, v.angle, v.temperature);
        });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsProteinSolutions62() {
    std::string source, target;
    CoefTableValues v;
    v.wavelengthNm = 824.7f;
    if (AskFiles(this,
                 "needs data of Protein Solutions (Dynamics Version 6.2.05), exported by "
                 "right-clicking in the correlation graph, select autocorrelation coefficients "
                 "only",
                 "*.dat", kFormatted, &source, &target) &&
        AskCoefTableValues(this, false, &v))
        Convert(this, source, [&] {
            return ReadDlsProteinSolutions62(source.c_str(), target.c_str(), v.refractiveIndex,
                                             v.viscosity, v.wavelengthNm * 1e-9f, v.angle,
                                             v.temperature);
        });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsProteinSolutions526() {
    std::string source, target;
    float viscosity = 0.01002f, refractiveIndex = 1.333f, channels = 161.0f;
    if (!AskFiles(this,
                  "needs data of Protein Solutions 99 (Version 5.26.38), exported as 'this "
                  "experiment only', with autocorrelation coefficients, parameter settings, and "
                  "cumulants data log",
                  "*.txt", kFormatted, &source, &target) ||
        !Ask(this, &viscosity, "absolute viscosity of solvent (Poise)") ||
        !Ask(this, &refractiveIndex, "refractive index of solvent") ||
        !Ask(this, &channels, "# of channels")) {
        UpdateFloToolsMenu(this);
        return;
    }
    const bool timeCourse = MessageBox("load entire time-course?", kCaption, MB_YESNO) == IDYES;
    ConvertSeveral(this, source, [&](const DlsReplaceQuestion& mayReplace) {
        return ReadDlsProteinSolutions526(source.c_str(), target.c_str(), refractiveIndex,
                                          viscosity, static_cast<int>(channels), timeCourse,
                                          mayReplace);
    });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsProteinSolutions520() {
    std::string source, target;
    float viscosity = 0.01002f, refractiveIndex = 1.333f, channels = 161.0f;
    if (AskFiles(this,
                 "needs data of Protein Solutions 99 (Version 5.20.05), exported with "
                 "options:\nanalysis results, autocorrelation coefficients, all measurements, "
                 "ASCII text, include headers",
                 "*.txt", kFormatted, &source, &target) &&
        Ask(this, &viscosity, "absolute viscosity of solvent (Poise)") &&
        Ask(this, &refractiveIndex, "refractive index of solvent") &&
        Ask(this, &channels, "# of channels"))
        ConvertSeveral(this, source, [&](const DlsReplaceQuestion& mayReplace) {
            return ReadDlsProteinSolutions520(source.c_str(), target.c_str(), refractiveIndex,
                                              viscosity, static_cast<int>(channels), 90.0f,
                                              8.083e-7f, mayReplace);
        });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsProteinSolutions4() {
    std::string source, target;
    CoefTableValues v;
    v.wavelengthNm = 824.7f;
    float channels = 20.0f;
    if (AskFiles(this,
                 "needs data of Protein Solutions Dynamics Version 4, exported with "
                 "options:\nanalysis results, autocorrelation coefficients, all measurements, "
                 "ASCII text, include headers, results summary",
                 "*.txt", kFormatted, &source, &target) &&
        AskCoefTableValues(this, false, &v) && Ask(this, &channels, "# of channels"))
        ConvertSeveral(this, source, [&](const DlsReplaceQuestion& mayReplace) {
            return ReadDlsProteinSolutions4(source.c_str(), target.c_str(), v.refractiveIndex,
                                            v.viscosity, v.wavelengthNm * 1e-9f, v.angle,
                                            v.temperature, static_cast<int>(channels), mayReplace);
        });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsAlv() {
    std::string source, target;
    if (AskFiles(this,
                 "needs data of ALV-5000/E V.2.0.6.2 (6/99), exported with File->Save "
                 "As...->Datatype:  ALV-5000 Data (ASCII)",
                 "*.asc", kTarnixFormatted, &source, &target))
        Convert(this, source, [&] { return ReadDlsAlv(source.c_str(), target.c_str()); });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsBic() {
    std::string source, target;
    if (AskFiles(this, nullptr, "*.dat", kTarnixFormatted, &source, &target))
        Convert(this, source, [&] { return ReadDlsBic(source.c_str(), target.c_str()); });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsOldDosBic() {
    std::string source, target;
    if (AskFiles(this, nullptr, "*.dat", kTarnixFormatted, &source, &target))
        Convert(this, source, [&] { return ReadDlsBicDos(source.c_str(), target.c_str()); });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsPhotoCor() {
    std::string source, target;
    if (AskFiles(this,
                 "needs data of PhotoCor (Version 0.3), exported as 'PhotoCor Runtime Report' txt "
                 "file",
                 "*.txt", kFormatted, &source, &target))
        Convert(this, source, [&] { return ReadDlsPhotoCor(source.c_str(), target.c_str()); });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsAsciiG2() {
    std::string source, target;
    float unit = 1e-6f, baseline = 100000.0f, temperature = 20.0f, time = 1.0f, countRate = 1.0f,
          refractiveIndex = 1.333f, viscosity = 0.01002f, angle = 90.0f, wavelengthNm = 808.3f;
    if (AskFiles(this, "needs two-column ASCII data of intensity autocorrelation g(2)", "*.txt",
                 kTarnixFormatted, &source, &target) &&
        Ask(this, &unit, "unit of correlation times (*sec)") &&
        Ask(this, &baseline, "measured baseline countrate") &&
        Ask(this, &temperature, "temperature (C)") && Ask(this, &time, "time (sec)") &&
        Ask(this, &countRate, "count rate (cps)") &&
        Ask(this, &refractiveIndex, "refractive index") &&
        Ask(this, &viscosity, "absolute viscosity of solvent (Poise)") &&
        Ask(this, &angle, "scattering angle (degrees)") &&
        Ask(this, &wavelengthNm, "wavelength (nm)"))
        Convert(this, source, [&] {
            return ReadDlsTwoColumn(source.c_str(), target.c_str(), unit, baseline, temperature,
                                    time, countRate, refractiveIndex, viscosity, angle,
                                    wavelengthNm * 1e-9f);
        });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmDlsAsciiG2Minus1() {
    std::string source, target;
    float temperature = 25.0f, time = 1.0f, refractiveIndex = 1.333f, viscosity = 0.01002f,
          angle = 173.0f, wavelengthNm = 632.8f;
    if (AskFiles(this,
                 "needs two-column ASCII data of intensity autocorrelation g(2)-1 versus "
                 "time[microseconds]\nFrom Malvern Zetasizer NanoS output delete first two lines.",
                 "*.txt", kTarnixFormatted, &source, &target) &&
        Ask(this, &temperature, "temperature (C)") && Ask(this, &time, "time (sec)") &&
        Ask(this, &refractiveIndex, "refractive index") &&
        Ask(this, &viscosity, "absolute viscosity of solvent (Poise)") &&
        Ask(this, &angle, "scattering angle (degrees)") &&
        Ask(this, &wavelengthNm, "wavelength (nm)"))
        Convert(this, source, [&] {
            return ReadDlsTwoColumnG2(source.c_str(), target.c_str(), temperature, time, 1.0f,
                                      refractiveIndex, viscosity, angle, wavelengthNm * 1e-9f);
        });
    UpdateFloToolsMenu(this);
}

void TXLAWindow::CmFormatCdData() {
    MessageBox("not implemented yet", "Format CD DATA", MB_YESNO);
    UpdateFloToolsMenu(this);
}
