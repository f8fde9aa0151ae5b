// Open and save dialogs: the selection written into the caller's buffer in the format the load
// command parses, never past its end, and the scripted answers checked against the flags.
#include "plat/clipboard.hpp"
#include "plat/filedlg.hpp"
#include "plat/testing.hpp"
#include "support/temp_folder.h"

#include <algorithm>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::string Buffer(const std::vector<char>& b) {
    // Up to and including the double NUL.
    for (std::size_t i = 0; i + 1 < b.size(); ++i)
        if (b[i] == '\0' && b[i + 1] == '\0')
            return std::string(b.data(), i + 2);
    return std::string(b.data(), b.size());
}

class FileDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* n : {"00001.RA1", "00002.RA1"})
            folder.write(n, "x");
        rec.lpstrFile = buffer.data();
        rec.nMaxFile = DWORD(buffer.size());
        rec.lpstrTitle = "select files";
        rec.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT;
    }
    TempFolder folder;
    const std::string& dir = folder.path();
    std::vector<char> buffer = std::vector<char>(128000, '\x7f');
    OpenFileRecord rec;
    plat::test::Script script;
};

TEST_F(FileDialog, MultipleSelectionIsFolderThenNamesThenDoubleNul) {
    script.expectFileOpen().title("select files").answer({dir + "/00001.RA1", dir + "/00002.RA1"});
    ASSERT_TRUE(GetOpenFileName(&rec));
    EXPECT_EQ(Buffer(buffer), dir + '\0' + "00001.RA1" + '\0' + "00002.RA1" + '\0' + '\0');
    EXPECT_EQ(rec.nFileOffset, dir.size() + 1);
}

TEST_F(FileDialog, SingleSelectionIsOneFullPath) {
    script.expectFileOpen().answer({dir + "/00002.RA1"}).filterIndex(3);
    ASSERT_TRUE(GetOpenFileName(&rec));
    EXPECT_EQ(std::string(buffer.data()), dir + "/00002.RA1");
    EXPECT_EQ(rec.nFileOffset, dir.size() + 1);
    EXPECT_EQ(std::string(buffer.data() + rec.nFileExtension), "RA1");
    EXPECT_EQ(rec.nFilterIndex, 3u);
}

TEST_F(FileDialog, SelectionTooLongForTheBufferIsAnErrorNotAnOverrun) {
    rec.nMaxFile = DWORD(dir.size() + 12);
    script.expectFileOpen().answer({dir + "/00001.RA1", dir + "/00002.RA1"});
    EXPECT_FALSE(GetOpenFileName(&rec));
    EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
    EXPECT_EQ(buffer[0], '\x7f');
}

TEST_F(FileDialog, CancelIsNoError) {
    script.expectFileOpen().cancel();
    EXPECT_FALSE(GetOpenFileName(&rec));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(FileDialog, PickingAMissingFileWhereOneMustExistFailsTheTest) {
    script.expectFileOpen().answer({dir + "/00009.RA1"});
    EXPECT_NONFATAL_FAILURE(GetOpenFileName(&rec), "00009.RA1\" does not exist");
}

TEST_F(FileDialog, SaveAddsTheDefaultExtensionToABareName) {
    rec.Flags = OFN_OVERWRITEPROMPT;
    rec.lpstrDefExt = "xp";
    script.expectFileSave().title("export data as MIROVAN xp file").answer({dir + "/run"});
    rec.lpstrTitle = "export data as MIROVAN xp file";
    ASSERT_TRUE(GetSaveFileName(&rec));
    EXPECT_EQ(std::string(buffer.data()), dir + "/run.xp");
}

// The dialog opens on the name the caller's buffer holds, read up to a NUL but never past
// nMaxFile bytes: a full buffer need hold no NUL, and what follows it is not the caller's.
TEST_F(FileDialog, OpensOnTheNameWithinTheBufferOnly) {
    struct Case {
        const char* what;
        std::string held; // the first bytes of the buffer, the rest stays '\x7f'
        DWORD size;
        std::string proposed;
    };
    const Case cases[] = {
        {"a name and its NUL", std::string("run.xp") + '\0', 64, "run.xp"},
        {"a buffer full without a NUL", std::string(64, 'n'), 64, std::string(64, 'n')},
        {"a name cut by the buffer's end", "longer name", 6, "longer"},
        {"an empty buffer", std::string(1, '\0'), 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::fill(buffer.begin(), buffer.end(), '\x7f');
        buffer[200] = '\0';
        std::copy(c.held.begin(), c.held.end(), buffer.begin());
        rec.nMaxFile = c.size;
        script.expectFileOpen().cancel();
        EXPECT_FALSE(GetOpenFileName(&rec));
        ASSERT_FALSE(script.log().empty());
        EXPECT_EQ(script.log().back().proposed, c.proposed);
    }
}

TEST(FileFilter, ReadsBarAndNulSeparatedLists) {
    OpenFileRecord r;
    r.SetFilter("MIROVAN Experiments (*.xp)|*.xp|All Files (*.*)|*.*|");
    ASSERT_EQ(r.filters.size(), 2u);
    EXPECT_EQ(r.filters[1], (std::pair<std::string, std::string>{"All Files (*.*)", "*.*"}));
    const char nul[] = "cell 1 (*.*1)\0*.*1\0cell 2 (*.*2)\0*.*2\0";
    r.SetFilter(nul);
    ASSERT_EQ(r.filters.size(), 2u);
    EXPECT_EQ(r.filters[0].second, "*.*1");
}

TEST(Clipboard, KeepsWhatWasSetWhenClosed) {
    plat::test::Script s;
    {
        TClipboard clip;
        clip.EmptyClipboard();
        clip.SetText("r\tsignal\n6.1\t0.25\n");
    }
    EXPECT_EQ(plat::test::clipboard().text, "r\tsignal\n6.1\t0.25\n");
    TClipboard clip;
    clip.SetBitmap(plat::Surface(4, 3, RGB(1, 2, 3)));
    EXPECT_TRUE(plat::test::clipboard().text.has_value()); // not closed yet
    clip.CloseClipboard();
    EXPECT_FALSE(plat::test::clipboard().text.has_value());
    ASSERT_TRUE(plat::test::clipboard().bitmap.has_value());
    EXPECT_EQ(plat::test::clipboard().bitmap->GetPixel(3, 2), RGB(1, 2, 3));
}

} // namespace
