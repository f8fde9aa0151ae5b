// Input, scripts and result lines of the outside hydrodynamic program's run.
#include "tools/hydropro_files.h"

#include "foundations/c_locale.h"
#include "foundations/text_lines.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t kMaxLine = 999;

// From pos to the line end (a line feed, a carriage return or a zero byte), at most kMaxLine
// characters.
std::string LineFrom(std::string_view text, std::size_t pos) {
    std::size_t end = pos;
    while (end < text.size() && end - pos < kMaxLine && text[end] != '\n' && text[end] != '\r' &&
           text[end] != '\0')
        ++end;
    return std::string(text.substr(pos, end - pos));
}

} // namespace

int NsigFromEntry(float value) {
    if (!std::isfinite(value))
        return -1;
    // Far beyond any number of radii; keeps the conversion defined.
    const int nsig = static_cast<int>(std::floor(std::clamp(value, -1e6f, 1e6f)));
    return nsig != -1 && nsig < 2 ? 2 : nsig;
}

std::string HydroProInputText(const std::string& name, const HydroProParameters& p) {
    CLocaleScope cLocale;
    std::string out;
    AppendFormat(out, "%s\n%s\n%s.pdb\n", name.c_str(), name.c_str(), name.c_str());
    AppendFormat(out, "%1.2f,\t\t!AER, radius of atomic elements\n", double(p.aer));
    AppendFormat(out, "%d,\t\t!NSIG\n", p.nsig);
    if (p.nsig != -1) {
        AppendFormat(out, "%1.2f,\t\t!NSIG\n", double(p.sigmin));
        AppendFormat(out, "%1.2f,\t\t!NSIG\n", double(p.sigmax));
    }
    AppendFormat(out, "%.1f,\t\t!Temperature (K)\n", double(p.temperature));
    AppendFormat(out, "%.5f,\t\t!Solvent viscosity (Poise)\n", double(p.viscosity));
    AppendFormat(out, "%.1f,\t\t!Mw (Da)\n", double(p.molarMass));
    AppendFormat(out, "%.4f,\t\t!vbar (ml/g)\n", double(p.vbar));
    AppendFormat(out, "%.5f,\t\t!Solvent density (g/ml)\n", double(p.density));
    out += "0,\n0,\n0,\n0,\n*                   ";
    return out;
}

std::string HydroProBatchText() {
    return std::string("echo starting hydropro\n") + kHydroProProgram +
           "\ntimeout /t 3 /nobreak > nul\nexit\n";
}

std::string HydroProScriptText() {
    return std::string("echo starting hydropro\n./") + kHydroProProgram + "\nsleep 3\nexit\n";
}

HydroProResult ReadHydroProResult(std::string_view text) {
    HydroProResult result;
    constexpr std::string_view kError = "***";
    for (std::size_t hit = text.size() > 3 ? text.find(kError, 3) : std::string_view::npos;
         hit != std::string_view::npos; hit = text.find(kError, hit + kError.size()))
        result.errorLines.push_back(LineFrom(text, hit));
    const std::size_t s = text.find("Sedimentation coefficient:");
    if (s != std::string_view::npos)
        result.resultLine = LineFrom(text, s);
    return result;
}

std::string HydroProResultText(const HydroProResult& result) {
    std::string text;
    if (!result.errorLines.empty()) {
        text += "Error Messages:\n";
        const std::size_t shown =
            std::min(result.errorLines.size(), static_cast<std::size_t>(kShownErrorLines));
        for (std::size_t i = 0; i < shown; ++i)
            text += result.errorLines[i] + "\n";
        if (shown < result.errorLines.size())
            AppendFormat(text, "... and %zu more (see the results file)\n",
                         result.errorLines.size() - shown);
        text += "\n\n";
    }
    text += result.resultLine;
    text += "\n\n(Compare experimental s-values at the same conditions, \ni.e. transform "
            "experimental s-values from TARNIX to s20w \n[see TARNIX Calculator function]\nif you "
            "used standard conditions in HYDROPRO)";
    text += "\n\nPlease cite the publication of HYDROPRO whenever you use its results.";
    return text;
}
