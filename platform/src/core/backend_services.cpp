// The real sound and process services behind the desktop backend.
#include "plat/backend.hpp"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace plat {

namespace {

// posix_spawnp with an argument vector and an optional working folder; the pid, or -1.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& workingDir) {
    if (argv.empty())
        return -1;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t gSoundChild = -1;

} // namespace

void Backend::playSound(const std::string& path, bool sync) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return;
    // A newer sound cuts off the one still playing.
    if (gSoundChild > 0) {
        kill(gSoundChild, SIGTERM);
        WaitFor(gSoundChild);
        gSoundChild = -1;
    }
    pid_t pid = Spawn({"aplay", "-q", path}, {});
    if (pid < 0)
        return;
    if (sync)
        WaitFor(pid);
    else
        gSoundChild = pid;
}

int Backend::startProcess(const ProcessRequest& request) {
    pid_t pid = Spawn(request.argv, request.workingDir);
    if (pid < 0)
        return 2; // "file not found"
    if (!request.wait) {
        // Reap it when it ends, so no zombie stays behind.
        std::thread([pid] { WaitFor(pid); }).detach();
        return 33;
    }
    int status = WaitFor(pid);
    return status < 0 ? 31 : 32 + std::min(status, 200);
}

} // namespace plat
