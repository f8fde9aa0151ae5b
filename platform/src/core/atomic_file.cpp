// Whole-file writes through a temporary file in the same folder and a rename.
#include "plat/atomic_file.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace plat {

namespace {

std::atomic<int> gFailCommits{0};
std::atomic<int> gFilesBeforeOutOfMemory{-1};
std::atomic<unsigned> gTempCounter{0};
std::atomic<int> gFailSetRenameAt{-1};
std::atomic<int> gKillAtSetStep{-1};
std::atomic<bool> gKillAtCommit{false};
std::string gKillAtCommitOf; // written only while gKillAtCommit is false

// The endings of the hidden names: an AtomicFile's temporary file (then its pid, "_" and a count)
// and a set's file beside its target.
constexpr const char* kTemporaryEnding = ".tmp";
constexpr const char* kPartEnding = ".part";

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

// The hidden name beside target that ends in suffix.
std::string HiddenBase(const std::string& target, const char* suffix) {
    const fs::path path(target);
    const std::string folder = path.has_parent_path() ? path.parent_path().string() + "/" : "";
    return folder + "." + path.filename().string() + suffix;
}

} // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(ResolvedTarget(target)) {
    if (gFilesBeforeOutOfMemory.load() >= 0 && gFilesBeforeOutOfMemory.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (target_.empty())
        return;
    const std::string base = HiddenBase(target_, kTemporaryEnding);
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
    if (ok && gKillAtCommit.load() && fs::path(target_).filename() == gKillAtCommitOf)
        ::raise(SIGKILL);
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

namespace {

// A hidden name made from base on which make (which fails with EEXIST where the name is taken)
// made an entry: base itself, or base and a number when base is a folder, cannot be removed or
// is one of the set's own files (ours). A file or link left there by an earlier write is removed
// first. Empty when make failed otherwise.
template <class Ours, class Make>
std::string MakeHidden(const std::string& base, Ours ours, Make make) {
    for (int n = 0; n < 100; ++n) {
        std::string name = n == 0 ? base : base + std::to_string(n); // returned without a copy
        struct stat st {};
        if (::lstat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !ours(name, st))
            ::unlink(name.c_str());
        if (make(name))
            return name;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

// A new empty file under a hidden name made from base, never opened through a link.
template <class Ours> std::string CreateHiddenFile(const std::string& base, Ours ours) {
    return MakeHidden(base, ours, [](const std::string& name) {
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    });
}

// A second name for the entry at target, hidden, made from base, so that a file renamed over
// target leaves the old one there. Empty when none could be made, as where the file system has
// no hard links.
template <class Ours>
std::string LinkHidden(const std::string& target, const std::string& base, Ours ours) {
    return MakeHidden(base, ours, [&target](const std::string& name) {
        return ::link(target.c_str(), name.c_str()) == 0;
    });
}

// The name of the target whose hidden file an AtomicFile temporary file name was made from
// ("." ".NAME.part", digits or none, ".tmp", pid, "_", a count), and that pid; empty for any
// other name.
std::string_view TargetOfTemporary(std::string_view name, pid_t* pid) {
    const auto digits = [](std::string_view text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const std::string_view ending = kTemporaryEnding;
    const std::size_t tmp = name.rfind(ending);
    if (tmp == std::string_view::npos)
        return {};
    const std::string_view numbers = name.substr(tmp + ending.size());
    const std::size_t cut = numbers.find('_');
    if (cut == std::string_view::npos || !digits(numbers.substr(0, cut)) ||
        !digits(numbers.substr(cut + 1)) ||
        std::from_chars(numbers.data(), numbers.data() + cut, *pid).ec != std::errc())
        return {};
    std::string_view part = name.substr(0, tmp);
    while (!part.empty() && part.back() >= '0' && part.back() <= '9')
        part.remove_suffix(1);
    const std::string_view partEnding = kPartEnding;
    if (!part.starts_with("..") || !part.ends_with(partEnding) ||
        part.size() == 2 + partEnding.size())
        return {};
    return part.substr(2, part.size() - 2 - partEnding.size());
}

// A kill while a file of a set was written leaves its writer's temporary file, a whole file under
// a hidden name; each is removed from the targets' folders (one listing each), but for those of a
// process that still runs, which may be writing them now. Only regular files, never followed.
void RemoveLeftTemporaries(const std::vector<std::string>& targets) {
    std::vector<std::pair<std::string, std::string>> names; // folder, name
    names.reserve(targets.size());
    for (const std::string& target : targets) {
        const fs::path path(target);
        names.emplace_back(path.parent_path().string(), path.filename().string());
    }
    std::sort(names.begin(), names.end());
    for (auto group = names.begin(); group != names.end();) {
        const auto end = std::find_if(group, names.end(),
                                      [&](const auto& name) { return name.first != group->first; });
        DIR* dir = ::opendir(group->first.empty() ? "." : group->first.c_str());
        for (const dirent* item = dir ? ::readdir(dir) : nullptr; item; item = ::readdir(dir)) {
            pid_t pid = 0;
            const std::string_view target = TargetOfTemporary(item->d_name, &pid);
            const auto found =
                std::lower_bound(group, end, target, [](const auto& name, std::string_view t) {
                    return name.second < t;
                });
            struct stat st {};
            if (target.empty() || found == end || found->second != target ||
                (pid != ::getpid() && (::kill(pid, 0) == 0 || errno == EPERM)) ||
                ::fstatat(::dirfd(dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(st.st_mode))
                continue;
            ::unlinkat(::dirfd(dir), item->d_name, 0);
        }
        if (dir)
            ::closedir(dir);
        group = end;
    }
}

} // namespace

AtomicFileSet::~AtomicFileSet() {
    for (const Entry& entry : entries_)
        ::unlink(entry.file.c_str());
}

// The writer of a file replaces it (a temporary file and a rename), so each file is looked up as
// it is now, not as it was made. Only the entries whose file has the last name of name are looked
// up: a set of thousands of scans, a leftover beside each, asks once per scan, not once per entry.
bool AtomicFileSet::Own(std::string_view name, std::uint64_t device, std::uint64_t inode) const {
    const std::string_view last = name.substr(name.rfind('/') + 1);
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        const std::string_view file = entry.file;
        struct stat now {};
        return file.ends_with(last) &&
               (file.size() == last.size() || file[file.size() - last.size() - 1] == '/') &&
               ::lstat(entry.file.c_str(), &now) == 0 && now.st_dev == device &&
               now.st_ino == inode;
    });
}

std::string AtomicFileSet::Add(const std::string& target) {
    const std::string real = ResolvedTarget(target);
    // Two targets that are one file (a link to another of the set): the later is written over
    // the earlier, as writing each through the link in order leaves it.
    std::error_code ec;
    std::string key = fs::weakly_canonical(real, ec).string();
    if (ec)
        key = real;
    entries_.reserve(entries_.size() + 1);
    const auto ours = [this](const std::string& name, const struct stat& st) {
        return Own(name, st.st_dev, st.st_ino);
    };
    std::string file = CreateHiddenFile(HiddenBase(real, kPartEnding), ours);
    if (file.empty())
        return file;
    for (Entry& entry : entries_)
        entry.superseded = entry.superseded || entry.key == key;
    entries_.push_back({real, std::move(file), std::move(key), false});
    return entries_.back().file;
}

std::size_t AtomicFileSet::Commit() {
    const int failAt = gFailSetRenameAt.exchange(-1);
    int killAt = gKillAtSetStep.exchange(-1);
    const auto step = [&killAt] { // before each change of a name
        if (killAt >= 0 && killAt-- == 0)
            ::raise(SIGKILL);
    };
    // The previous file of each target replaced, kept under a second hidden name until the set
    // is whole; empty where there was none (or where a later file of the set replaces the target).
    // Reserved, so that nothing allocates once a target has changed.
    std::vector<std::string> previous;
    previous.reserve(entries_.size());
    const auto putBack = [&] {
        for (std::size_t j = previous.size(); j-- > 0;) {
            const char* to = entries_[j].target.c_str();
            step();
            if (!previous[j].empty())
                std::rename(previous[j].c_str(), to);
            else if (!entries_[j].superseded)
                ::unlink(to);
        }
    };
    const auto ours = [this](const std::string& name, const struct stat& st) {
        return Own(name, st.st_dev, st.st_ino);
    };
    std::size_t k = 0;
    try {
        for (; k < entries_.size(); ++k) {
            const Entry& entry = entries_[k];
            if (entry.superseded) {
                previous.emplace_back();
                continue;
            }
            const char* to = entry.target.c_str();
            std::string kept;
            bool moved = false; // kept by moving the old file aside rather than by a second name
            struct stat old {};
            const bool there = ::lstat(to, &old) == 0;
            if (there && (S_ISREG(old.st_mode) || S_ISLNK(old.st_mode))) {
                // a file, or a link that led nowhere and is replaced as a file is
                if (S_ISREG(old.st_mode))
                    ::chmod(entry.file.c_str(), old.st_mode & 07777);
                step();
                kept = LinkHidden(to, HiddenBase(entry.target, ".old"), ours);
                if (kept.empty()) { // no hard links here: the old file is moved aside
                    kept = CreateHiddenFile(HiddenBase(entry.target, ".old"), ours);
                    step();
                    if (kept.empty() || std::rename(to, kept.c_str()) != 0) {
                        if (!kept.empty())
                            ::unlink(kept.c_str());
                        break;
                    }
                    moved = true;
                }
            } else if (there) {
                break; // a folder or another entry that is not a file stays
            }
            step();
            if (static_cast<int>(k) == failAt || std::rename(entry.file.c_str(), to) != 0) {
                if (!kept.empty()) {
                    step();
                    if (moved)
                        std::rename(kept.c_str(), to);
                    else
                        ::unlink(kept.c_str());
                }
                break;
            }
            previous.push_back(std::move(kept));
        }
    } catch (...) { // memory ran out for a name: no target of this one has changed yet
        putBack();
        throw;
    }
    if (k < entries_.size()) {
        putBack();
        return k;
    }
    for (std::size_t j = 0; j < entries_.size(); ++j)
        if (const std::string& gone = entries_[j].superseded ? entries_[j].file : previous[j];
            !gone.empty()) {
            step();
            ::unlink(gone.c_str());
        }
    try { // the set is whole: what is not removed here stays, as it was
        std::vector<std::string> targets;
        targets.reserve(entries_.size());
        for (Entry& entry : entries_)
            targets.push_back(std::move(entry.target));
        RemoveLeftTemporaries(targets);
    } catch (...) {
    }
    entries_.clear();
    return k;
}

namespace test {
void FailAtomicCommits(int count) {
    gFailCommits.store(count);
}
void OutOfMemoryAfterAtomicFiles(int count) {
    gFilesBeforeOutOfMemory.store(count);
}
void FailSetRenameAt(int index) {
    gFailSetRenameAt.store(index);
}
void KillAtSetStep(int step) {
    gKillAtSetStep.store(step);
}
void KillAtAtomicCommit(const std::string& name) {
    gKillAtCommit.store(false);
    gKillAtCommitOf = name;
    gKillAtCommit.store(!name.empty());
}
} // namespace test

} // namespace plat
