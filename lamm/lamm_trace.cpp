// Trace files of the Lamm solvers.
#include "lamm/lamm_trace.h"

#include "foundations/show_error.h"
#include "state/diagnostics.h"

#include <cstdio>
#include <string>

bool AppendTrace(const char* fileName, const char* text, bool& created) {
    const std::string path = std::string(gDiagnosticsFolder) + fileName;
    std::FILE* f = std::fopen(path.c_str(), created ? "at" : "wt");
    if (f == nullptr) {
        const std::string message =
            "\n\aAttention: could not open " + path + " to write debugging info";
        ShowError(message.c_str(), 0);
        return false;
    }
    created = true;
    std::fputs(text, f);
    std::fflush(f);
    std::fclose(f);
    return true;
}
