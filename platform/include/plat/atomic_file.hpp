// Files written whole or not at all: a temporary file in the target's folder, renamed over the
// target only after every write and the close succeeded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Write through file(), then Commit(). Until Commit() succeeds the target keeps its previous
// contents; a failed or missing Commit() removes the temporary file. A new file gets the mode
// the umask allows, a replaced one keeps its mode; a symbolic link is written through.
class AtomicFile {
  public:
    explicit AtomicFile(const std::string& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // The stream to write to; null when the temporary file could not be made.
    std::FILE* file() const { return file_; }
    // Checks the stream's error flag, flushes, closes and renames. False when any step failed:
    // the target is as it was and the temporary file is gone.
    bool Commit();
    // Drops what was written (the target stays as it was).
    void Discard();

  private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
};

// The whole text to path through an AtomicFile; true when the file now holds exactly text.
bool WriteFileAtomically(const std::string& path, std::string_view text);

// Files that replace their targets together, all or none. Each is written under a hidden name
// beside its target (beside a link's final target, so that the link is written through), and the
// set is renamed once every file is written; files not renamed are removed with the set.
class AtomicFileSet {
  public:
    AtomicFileSet() = default;
    ~AtomicFileSet();
    AtomicFileSet(const AtomicFileSet&) = delete;
    AtomicFileSet& operator=(const AtomicFileSet&) = delete;

    // The file to write for target: new and empty. A file or link left under its hidden name is
    // replaced, never followed; a folder there, or a file of this set, is passed over. Empty when
    // none could be made. A target added again (a link to another target) gets the file added
    // last, as writing each through the link in order would leave it.
    std::string Add(const std::string& target);
    // Renames every file over its target; a replaced file keeps its mode, a link that leads
    // nowhere is replaced by the file. Each target holds its previous file or its new one at every
    // moment: the previous one is kept under a second hidden name (moved aside where the file
    // system has no hard links) until the set is whole. When one cannot be renamed, the targets
    // renamed before it get their previous files back (a new one is removed). Once the set is
    // whole, the temporary files a killed writer left beside the targets' hidden files are removed,
    // but those of a process that still runs. The index of the target that could not be replaced;
    // the count when all were.
    std::size_t Commit();

  private:
    struct Entry {
        std::string target, file, key; // key: the target's canonical path
        bool superseded = false;       // a later entry has the same target
    };
    // Whether name, the file of that identity, is one of the set's own files as they are now.
    bool Own(std::string_view name, std::uint64_t device, std::uint64_t inode) const;

    std::vector<Entry> entries_;
};

namespace test {
// The next count commits fail at the close, as a full disk found at the last flush does.
void FailAtomicCommits(int count);
// After the next count files are begun, the one begun next throws std::bad_alloc, as the
// allocation of its names does once memory has run out; a negative count: none.
void OutOfMemoryAfterAtomicFiles(int count);
// In the next set committed, the file at index cannot be renamed, as on a full disk; a negative
// index: none.
void FailSetRenameAt(int index);
// In the next set committed, the process is killed before the step-th change of a name (0 the
// first), as a kill or a power cut between two renames ends it; a negative step: none.
void KillAtSetStep(int step);
// The process is killed as a file of that name (the last part of its path) is committed, its
// temporary file whole and not yet renamed, as a kill or a power cut while it is written ends it;
// an empty name: none.
void KillAtAtomicCommit(const std::string& name);
} // namespace test

} // namespace plat
