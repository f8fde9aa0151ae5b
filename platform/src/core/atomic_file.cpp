// Whole-file writes through a temporary file in the same folder and a rename.
#include "plat/atomic_file.hpp"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace plat {

namespace {

std::atomic<int> gFailCommits{0};
std::atomic<int> gFilesBeforeOutOfMemory{-1};
std::atomic<unsigned> gTempCounter{0};

// A link is replaced by writing its final target, so the link itself survives.
std::string ResolvedTarget(const std::string& target) {
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path real = fs::weakly_canonical(target, ec);
        if (!ec)
            return real.string();
    }
    return target;
}

// The permission bits of the regular file at target, which a file replacing it keeps; -1 when
// there is none.
int ReplacedMode(const std::string& target) {
    struct stat old {};
    return ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)
               ? static_cast<int>(old.st_mode & 07777)
               : -1;
}

} // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(ResolvedTarget(target)) {
    if (gFilesBeforeOutOfMemory.load() >= 0 && gFilesBeforeOutOfMemory.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (target_.empty())
        return;
    const fs::path path(target_);
    const std::string folder = path.has_parent_path() ? path.parent_path().string() + "/" : "";
    const std::string base = folder + "." + path.filename().string() + ".tmp";
    // O_EXCL with a fresh name each try; the mode of the new file follows the umask, as the
    // target's would, and a replaced file keeps its own.
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
        std::string name =
            base + std::to_string(::getpid()) + "_" + std::to_string(gTempCounter.fetch_add(1));
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return;
        }
        if (const int mode = ReplacedMode(target_); mode >= 0)
            ::fchmod(fd, static_cast<mode_t>(mode));
        file_ = ::fdopen(fd, "w");
        if (!file_) {
            ::close(fd);
            ::unlink(name.c_str());
            return;
        }
        temp_ = std::move(name);
    }
}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool AtomicFile::Commit() {
    if (!file_)
        return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    ok = ok && closed;
    if (ok && gFailCommits.load() > 0 && gFailCommits.fetch_sub(1) > 0) {
        errno = ENOSPC;
        ok = false;
    }
    if (ok && std::rename(temp_.c_str(), target_.c_str()) == 0) {
        temp_.clear();
        return true;
    }
    const int error = errno;
    Discard();
    errno = error;
    return false;
}

bool WriteFileAtomically(const std::string& path, std::string_view text) {
    AtomicFile out(path);
    if (!out.file())
        return false;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), out.file()) != text.size()) {
        out.Discard();
        return false;
    }
    return out.Commit();
}

std::size_t ReplaceFiles(const std::vector<std::string>& files,
                         const std::vector<std::string>& targets) {
    std::vector<std::string> real;
    real.reserve(targets.size());
    for (const std::string& target : targets)
        real.push_back(ResolvedTarget(target));
    std::size_t renamed = 0;
    for (; renamed < files.size() && renamed < real.size(); ++renamed) {
        const char* to = real[renamed].c_str();
        if (const int mode = ReplacedMode(to); mode >= 0)
            ::chmod(files[renamed].c_str(), static_cast<mode_t>(mode));
        if (std::rename(files[renamed].c_str(), to) != 0)
            break;
    }
    return renamed;
}

namespace test {
void FailAtomicCommits(int count) {
    gFailCommits.store(count);
}
void OutOfMemoryAfterAtomicFiles(int count) {
    gFilesBeforeOutOfMemory.store(count);
}
} // namespace test

} // namespace plat
