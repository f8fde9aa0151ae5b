// Files written whole or not at all: a temporary file in the target's folder, renamed over the
// target only after every write and the close succeeded.
#pragma once

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

// Renames each of files over its target, in order, as Commit() does: a replaced file keeps its
// mode and a symbolic link is written through. Every target is resolved before the first rename,
// so an exception renames none. How many were renamed: all, or those before the first that
// could not be.
std::size_t ReplaceFiles(const std::vector<std::string>& files,
                         const std::vector<std::string>& targets);

namespace test {
// The next count commits fail at the close, as a full disk found at the last flush does.
void FailAtomicCommits(int count);
// After the next count files are begun, the one begun next throws std::bad_alloc, as the
// allocation of its names does once memory has run out; a negative count: none.
void OutOfMemoryAfterAtomicFiles(int count);
} // namespace test

} // namespace plat
