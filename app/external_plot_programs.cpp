// Detection of the auxiliary plot programs.
#include "app/external_plot_programs.h"

#include "app/txla_window.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

AuxPlotProgram AuxPlotPaths[kAuxPlotProgramCount] = {
    {"bin/dravon3dst", 878, "", false}, {"bin/dravon3dmo", 879, "", false},
    {"bin/dravonndf", 880, "", false},  {"bin/dravonndfd", 881, "", false},
    {"bin/dravonsas", 882, "", false},  {"bin/dravonbestpt", 883, "", false},
};

namespace {

bool IsFile(const char* path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

void DetectExternalPlotPrograms(TXLAWindow* window) {
    for (AuxPlotProgram& program : AuxPlotPaths) {
        // Installed without the Windows extension; a copy that kept it is found too.
        std::snprintf(program.path, kPathBufferSize, "%s%s", gProgramFolder, program.relativePath);
        program.available = IsFile(program.path);
        if (!program.available) {
            char withExtension[kPathBufferSize];
            std::snprintf(withExtension, sizeof withExtension, "%s.exe", program.path);
            if (IsFile(withExtension)) {
                std::snprintf(program.path, kPathBufferSize, "%s", withExtension);
                program.available = true;
            }
        }
        if (!program.available) {
            if (HMENU menu = window->GetMenu())
                ::DeleteMenu(menu, UINT(program.commandId), MF_BYCOMMAND);
        }
    }
}
