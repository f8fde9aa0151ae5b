// "start HydroPro": the outside hydrodynamic program run on a chosen atomic structure in a run
// folder of its own below the program folder, its input written from the parameters asked, and
// the sedimentation coefficient read from its result file.
#include "app/hydropro_command.h"

#include "app/txla_window.h"
#include "foundations/input_boxes.h"
#include "plat/atomic_file.hpp"
#include "plat/filedlg.hpp"
#include "plat/files.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "plat/process.hpp"
#include "scandata/scan_file.h"
#include "state/startup_paths.h"
#include "tools/hydropro_files.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char* kParameters = "HYDROPRO parameters";
constexpr const char* kNoProgram = "no HYDROPRO file";
// The outside program's home page; its user guide and paper are reached from there.
constexpr const char* kHomePage =
    "http://leonardo.inf.um.es/macromol/programs/hydropro/hydropro.htm";

std::string ProgramFolder() {
    std::string folder = gProgramFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// An open dialog of its own with one filter; true with the chosen path.
bool AskFile(TXLAWindow* window, const char* title, const char* filterName, const char* pattern,
             const std::string& initialName, const char* defaultExtension, std::string* path) {
    char name[260];
    std::snprintf(name, sizeof name, "%s", initialName.c_str());
    OpenFileRecord record;
    record.hwndOwner = window;
    record.filters = {{filterName, pattern}};
    record.nFilterIndex = 1;
    record.lpstrFile = name;
    record.nMaxFile = sizeof name;
    record.lpstrInitialDir = ProgramFolder();
    record.lpstrTitle = title;
    record.lpstrDefExt = defaultExtension;
    record.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileName(&record))
        return false;
    *path = name;
    return true;
}

bool Cancelled(TXLAWindow* window, const char* explanation, float* value, const char* prompt) {
    if (explanation)
        window->MessageBox(explanation, "ATTENTION", MB_OK);
    return !InputFloatForWindow(window, value, *value, true, prompt, kParameters);
}

// The parameters with their explanations; false when one was cancelled.
bool AskParameters(TXLAWindow* w, HydroProParameters& p) {
    if (Cancelled(w,
                  "AER is the radius of the atomic elements; it accounts for the hydration of the "
                  "molecule.\nThe program's manual recommends 3.2 Angstrom for globular proteins, "
                  "about 2.8 for nucleic acids and about 3.0 for nucleoprotein complexes;\nabout "
                  "1.8 is the minimum (no hydration), 5.0 exceptionally large.",
                  &p.aer, "AER (Angstroms)"))
        return false;
    float nsig = -1.0f;
    if (Cancelled(w,
                  "NSIG is the number of minibead radii, greater than 2 (typically 5 to 8), "
                  "ranging from SIGMIN to SIGMAX.\nWith -1 the program chooses the extreme radii "
                  "itself.",
                  &nsig, "NSIG"))
        return false;
    p.nsig = NsigFromEntry(nsig);
    if (p.nsig != -1) {
        if (Cancelled(w,
                      "The smaller the minibeads, the more are needed to cover the surface. The "
                      "program works with at most 2000 minibeads and stops with an error if "
                      "SIGMIN is too small;\nSIGMAX should keep the number of minibeads between "
                      "200 and 400. See the messages in the command window.",
                      &p.sigmin, "SIGMIN") ||
            Cancelled(w, nullptr, &p.sigmax, "SIGMAX"))
            return false;
    }
    return !Cancelled(w,
                      "Next, enter the temperature in K. For example, enter 293.15 in order to "
                      "predict values at standard conditions.",
                      &p.temperature, "temperature (K)") &&
           !Cancelled(w,
                      "Next, enter the solvent density in g/ml. For example, enter 0.99823 in "
                      "order to predict values at standard conditions.",
                      &p.density, "solvent density (g/ml)") &&
           !Cancelled(w,
                      "Next, enter the solvent viscosity in Poise. For example, enter 0.01002 in "
                      "order to predict values at standard conditions.",
                      &p.viscosity, "solvent viscosity (Poise)") &&
           !Cancelled(w,
                      "Next, enter the molecular weight in Da.  \nAlternatively you may give the "
                      "value: -1.0, and HydroPro will calculate it from the sequence given in the "
                      "pdb file",
                      &p.molarMass, "molecular weight (Da)") &&
           !Cancelled(w,
                      "Next, enter the partial-specific volume (ml/g).  \nAlternatively you may "
                      "give the value: -1.0, and HydroPro will calculate it from the sequence "
                      "given in the pdb file",
                      &p.vbar, "partial-specific volume (ml/g)");
}

bool WriteOrSay(TXLAWindow* window, const std::string& path, const std::string& text) {
    if (plat::WriteFileAtomically(path, text))
        return true;
    window->MessageBox(("could not open " + path + " for writing").c_str(), "ERROR", MB_OK);
    return false;
}

} // namespace

std::string FindHydroProProgram() {
    const std::string bare = fs::path(kHydroProProgram).stem().string();
    for (const std::string& name : {std::string(kHydroProProgram), bare})
        if (IsFile(ProgramFolder() + name))
            return ProgramFolder() + name;
    if (const char* path = std::getenv("PATH")) {
        std::istringstream dirs(path);
        for (std::string dir; std::getline(dirs, dir, ':');)
            for (const std::string& name : {std::string(kHydroProProgram), bare})
                if (!dir.empty() && IsFile(fs::path(dir) / name))
                    return (fs::path(dir) / name).string();
    }
    return {};
}

void ShowHydroProResults(TXLAWindow* window, const std::string& runFolder,
                         const std::string& name) {
    const std::string resultPath = runFolder + "/" + name + ".res";
    if (!IsFile(resultPath)) {
        window->MessageBox("ERROR - no results file created", "ERROR", MB_OK | MB_ICONSTOP);
        return;
    }
    plat::OpenInTextEditor(resultPath);
    std::string text;
    if (!ReadWholeFile(resultPath.c_str(), &text))
        return;
    const std::string shown = HydroProResultText(ReadHydroProResult(text));
    window->MessageBox(shown.c_str(), "HYDROPRO RESULTS", MB_OK);
}

void TXLAWindow::CmStartHydroPro() {
    const std::string folder = ProgramFolder();
    const std::string quoted = std::string("\"") + kHydroProProgram + "\"";
    std::string program = FindHydroProProgram();
    if (program.empty()) {
        const std::string missing = "Could not find HydroPro file " + quoted + " in folder " +
                                    folder + ".\nPlease locate this file!";
        MessageBox(missing.c_str(), "ERROR", MB_OK | MB_ICONSTOP);
        std::string chosen;
        if (!AskFile(this, ("please locate the file " + quoted).c_str(),
                     "hydropro (hydropro7cmsd.*)", "hydropro7cmsd.*", folder + kHydroProProgram,
                     "exe", &chosen)) {
            const std::string ask = std::string("Download ") + quoted +
                                    " from the HYDROPRO web site? Then save it into the folder " +
                                    folder + " and start this command again.";
            if (MessageBox(ask.c_str(), kNoProgram, MB_YESNO) == IDYES)
                plat::ShellOpen(kHomePage);
            return;
        }
        program = folder + kHydroProProgram;
        if (!plat::CopyFile(chosen, program, false))
            return;
    }
    if (MessageBox("HYDROPRO is an outside program. Please cite its publication whenever you "
                   "use results of this tool.\nContinue?",
                   "HYDROPRO", MB_YESNO) != IDYES)
        return;
    MessageBox("Please select the pdb structure file.\nNote that the structure should describe "
               "exactly the same molecule that was studied in the experiment. \nIf there are, "
               "for example, missing loops in the pdb file, then they should be added in "
               "hypothetical conformations. \nThis may be done both in extremely extended and "
               "compact forms, \nsuch that the results reflect estimates for the upper and lower "
               "limits of the theoretical s-values.",
               "ATTENTION", MB_OK);
    const std::string test = folder + "teststruct.pdb";
    std::string structure;
    if (!AskFile(this, "please select the pdb file", "pdb files (pdb.*)", "*.pdb",
                 IsFile(test) ? test : folder + "*.pdb", "pdb", &structure))
        return;
    std::string name;
    plat::SplitPath(structure, nullptr, nullptr, &name, nullptr);

    // A run folder of its own: an earlier run of the same structure keeps its files. The
    // program's own working folder stays where it is; only the run starts in the run folder.
    std::string run = folder + "HydroPro/" + name;
    if (!plat::MakeDir(folder + "HydroPro"))
        return;
    while (fs::exists(run))
        run += "_";
    if (!plat::MakeDir(run))
        return;
    // The input names the structure name.pdb whatever its extension was.
    if (!plat::CopyFile(program, run + "/" + kHydroProProgram, false) ||
        !plat::CopyFile(structure, run + "/" + name + ".pdb", false))
        return;

    if (MessageBox("Consult the HYDROPRO user guide on its web site before entering the "
                   "parameter values?",
                   kNoProgram, MB_YESNO | MB_DEFBUTTON2) == IDYES)
        plat::ShellOpen(kHomePage);
    if (MessageBox("Read the published paper on HYDROPRO (linked from its web site)?", kNoProgram,
                   MB_YESNO | MB_DEFBUTTON2) == IDYES)
        plat::ShellOpen(kHomePage);

    HydroProParameters p;
    if (!AskParameters(this, p))
        return;
    if (!WriteOrSay(this, run + "/hydropro.dat", HydroProInputText(name, p)))
        return;
    const std::string handOver = "TARNIX now hands over to HYDROPRO, an outside program; please "
                                 "cite its publication.\nResults files will be saved in folder " +
                                 run + " .";
    MessageBox(handOver.c_str(), "ATTENTION", MB_OK | MB_ICONSTOP);
    if (!WriteOrSay(this, run + "/hydropro.bat", HydroProBatchText()) ||
        !WriteOrSay(this, run + "/hydropro.sh", HydroProScriptText()))
        return;
    // The window waits for the run: the command window's "exit" ends it.
    if (plat::StartProgram("cmd.exe", {"/K", run + "/hydropro.bat"}, true, run) <= 31) {
        MessageBox("cannot start HYDROPRO", "ERROR", MB_OK | MB_ICONSTOP);
        return;
    }
    ShowHydroProResults(this, run, name);
}
