// Command lines of Windows programs mapped to argument vectors started here.
#include "plat/process.hpp"

#include "plat/paths.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace plat {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool LooksWindowsPath(const std::string& a) {
    return a.find('\\') != std::string::npos ||
           (a.size() >= 3 && std::isalpha(static_cast<unsigned char>(a[0])) && a[1] == ':' &&
            (a[2] == '\\' || a[2] == '/'));
}

std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == ' ' || c == '\t') {
            if (!cur.empty())
                out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        out.push_back(cur);
    return out;
}

std::string Editor() {
    for (const char* var : {"VISUAL"})
        if (const char* v = std::getenv(var); v && *v)
            return v;
    return "xdg-open";
}

// A companion program: the name without ".exe" when that file exists, else as given.
std::string Companion(const std::string& program) {
    std::string dir, name, ext;
    SplitPath(program, nullptr, &dir, &name, &ext);
    std::string folder = dir.empty() ? ProgramFolder() : NativePath(dir);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    std::string bare = folder + name;
    std::error_code ec;
    if (Lower(ext) == ".exe" && std::filesystem::exists(bare, ec))
        return bare;
    return folder + name + ext;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any)
                args.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any)
        args.push_back(cur);
    return args;
}

namespace {

// The program (args[0]) mapped as MapCommandLine maps it, the other arguments kept one by one.
std::vector<std::string> MapArguments(std::vector<std::string> args) {
    if (args.empty())
        return args;
    for (std::size_t i = 1; i < args.size(); ++i)
        if (LooksWindowsPath(args[i]))
            args[i] = NativePath(args[i]);
    std::string base;
    SplitPath(args[0], nullptr, nullptr, &base, nullptr);
    std::string ext;
    SplitPath(args[0], nullptr, nullptr, nullptr, &ext);
    std::string program = Lower(base + ext);
    std::vector<std::string> out;
    auto rest = [&](std::size_t from) {
        for (std::size_t i = from; i < args.size(); ++i)
            out.push_back(args[i]);
    };
    if (program == "notepad.exe" || program == "notepad") {
        out = Words(Editor());
        rest(1);
    } else if (program == "firefox.exe" || program == "explorer.exe" || program == "iexplore.exe" ||
               program == "firefox" || program == "explorer") {
        out = {"xdg-open"};
        rest(1);
    } else if (program == "cmd.exe" || program == "cmd") {
        std::size_t i = 1;
        while (i < args.size() && (Lower(args[i]) == "/k" || Lower(args[i]) == "/c"))
            ++i;
        out = {"sh"};
        if (i < args.size()) {
            std::string script = args[i];
            if (EndsWith(Lower(script), ".bat"))
                script = script.substr(0, script.size() - 4) + ".sh";
            out.push_back(script);
            rest(i + 1);
        }
    } else if (Lower(ext) == ".exe") {
        out = {Companion(args[0])};
        rest(1);
    } else {
        out = {LooksWindowsPath(args[0]) ? NativePath(args[0]) : args[0]};
        rest(1);
    }
    return out;
}

} // namespace

std::vector<std::string> MapCommandLine(const std::string& commandLine) {
    return MapArguments(SplitCommandLine(commandLine));
}

int StartProgram(const std::string& program, const std::vector<std::string>& args, bool wait,
                 const std::string& workingDir) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessRequest request{MapArguments(std::move(argv)),
                           workingDir.empty() ? "" : NativePath(workingDir), wait};
    if (request.argv.empty())
        return 2;
    const int r = GetBackend().startProcess(request);
    return r < 0 ? 0 : r;
}

int CreateProcessAndWait(const std::string& commandLine, const std::string& workingDir) {
    ProcessRequest request{MapCommandLine(commandLine),
                           workingDir.empty() ? "" : NativePath(workingDir), true};
    if (request.argv.empty())
        return 2;
    return GetBackend().startProcess(request);
}

int ShellOpen(const std::string& target) {
    std::string t = LooksWindowsPath(target) ? NativePath(target) : target;
    return GetBackend().startProcess(ProcessRequest{{"xdg-open", t}, {}, false});
}

int OpenInTextEditor(const std::string& path) {
    std::vector<std::string> argv = Words(Editor());
    std::string file = LooksWindowsPath(path) ? NativePath(path) : path;
    // A name that starts like an option is handed over as a relative path.
    if (!file.empty() && file[0] == '-')
        file = "./" + file;
    argv.push_back(file);
    const int r = GetBackend().startProcess(ProcessRequest{argv, {}, false});
    return r < 0 ? 0 : r;
}

} // namespace plat

UINT WinExec(const char* commandLine, UINT) {
    if (!commandLine)
        return 2;
    plat::ProcessRequest request{plat::MapCommandLine(commandLine), {}, false};
    if (request.argv.empty())
        return 2;
    int r = plat::GetBackend().startProcess(request);
    return r < 0 ? 0 : UINT(r);
}
