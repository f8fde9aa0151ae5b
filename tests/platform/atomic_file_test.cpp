// Whole-file writes: the target changes only when every write, the close and the rename
// succeeded; a cut write, a failing close or a read-only folder keeps the previous bytes and
// leaves no temporary file behind.
#include "plat/atomic_file.hpp"
#include "support/temp_folder.h"
#include "support/write_faults.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kPrevious = "previous contents\nkept byte for byte\n";
const std::string kNew(4000, 'x');

TEST(AtomicFile, ReplacesTheTargetKeepingItsModeAndLinks) {
    TempFolder folder;
    const std::string fresh = folder.file("fresh.txt");
    ASSERT_TRUE(plat::WriteFileAtomically(fresh, kNew));
    EXPECT_EQ(ReadTextFile(fresh), kNew);

    const std::string kept = folder.write("kept.txt", kPrevious);
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    ASSERT_TRUE(plat::WriteFileAtomically(kept, "short"));
    struct stat st {};
    ASSERT_EQ(::stat(kept.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadTextFile(kept), "short");

    const std::string link = folder.file("link.txt");
    ASSERT_EQ(::symlink(kept.c_str(), link.c_str()), 0);
    ASSERT_TRUE(plat::WriteFileAtomically(link, "through the link"));
    struct stat ls {};
    ASSERT_EQ(::lstat(link.c_str(), &ls), 0);
    EXPECT_TRUE(S_ISLNK(ls.st_mode));
    EXPECT_EQ(ReadTextFile(kept), "through the link");

    {
        plat::AtomicFile dropped(kept);
        ASSERT_NE(dropped.file(), nullptr);
        std::fputs("never committed", dropped.file());
    }
    EXPECT_EQ(ReadTextFile(kept), "through the link");
    EXPECT_EQ(FolderEntries(folder.path()),
              (std::vector<std::string>{"fresh.txt", "kept.txt", "link.txt"}));
}

TEST(AtomicFile, AFailedWriteKeepsThePreviousFileAndNoTemporaryFile) {
    for (WriteFault fault : AllWriteFaults()) {
        SCOPED_TRACE(WriteFaultName(fault));
        TempFolder folder;
        const std::string target = folder.write("target.dat", kPrevious);
        // Both ways in: the whole-text helper and a stream written piecewise.
        EXPECT_TRUE(ChildReportsFailure(fault, folder.path(),
                                        [&] { return !plat::WriteFileAtomically(target, kNew); }));
        EXPECT_TRUE(ChildReportsFailure(fault, folder.path(), [&] {
            plat::AtomicFile out(target);
            for (int k = 0; out.file() && k < 1000; ++k)
                std::fprintf(out.file(), "%d\n", k);
            return !out.Commit();
        }));
        EXPECT_EQ(ReadTextFile(target), kPrevious);
        EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"target.dat"});
    }
}

// A target that is a link to another target of the set: the set knew its files by the identity
// they had when added, so the second Add took the first target's written file for a leftover.
TEST(AtomicFileSet, ALinkToAnotherTargetLeavesThatTargetsWrittenFile) {
    TempFolder folder;
    const std::string first = folder.write("first.dat", kPrevious), link = folder.file("link.dat");
    ASSERT_EQ(::symlink("first.dat", link.c_str()), 0);
    plat::AtomicFileSet set;
    const std::string firstPart = set.Add(first);
    ASSERT_TRUE(plat::WriteFileAtomically(firstPart, "first")); // as the scan writer does
    EXPECT_NE(set.Add(link), firstPart);
    EXPECT_EQ(ReadTextFile(firstPart), "first");
}

} // namespace
