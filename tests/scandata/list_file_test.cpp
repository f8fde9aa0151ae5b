// List files: stride line in any case, the older layout with '_' for '.', '%' comments (a comment
// after a name keeps the next name on its own line), CR LF, blank lines and the length limit.
#include "scandata/list_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Case {
    const char* name;
    std::string text;
    int stride;
    std::vector<std::string> strings;
};

const Case kCases[] = {
    {"StrideTwo",
     "newformat n=2\n/data/run1\na.RA1\nb.RA1\nc.RA1\n",
     2,
     {"/data/run1", "a.RA1", "b.RA1", "c.RA1"}},
    {"StrideLineInAnyCase", "NewFormat N=3\n/d\nx.RA1\n", 3, {"/d", "x.RA1"}},
    {"StrideZeroCountsAsOne", "newformat n=0\n/d\nx.RA1\n", 1, {"/d", "x.RA1"}},
    {"OlderLayoutUnderscoresArePoints",
     "/data/my_run\n00001_RA1\n00002_RA1\n",
     1,
     {"/data/my.run", "00001.RA1", "00002.RA1"}},
    {"WholeLineCommentRemoved",
     "newformat n=1\n/d\na.RA1\n% skip this\nb.RA1\n",
     1,
     {"/d", "a.RA1", "b.RA1"}},
    // Joining "a.RA1" with "b.RA1" would make both unreadable and the whole load fail.
    {"CommentAfterNameKeepsNextNameApart",
     "newformat n=1\n/d\na.RA1 % good one\nb.RA1\n",
     1,
     {"/d", "a.RA1", "b.RA1"}},
    {"TextStartingWithPercentKeepsComments",
     "newformat n=1\n%d\na.RA1 %x\n",
     1,
     {"%d", "a.RA1 %x"}},
    {"LastLineWithoutLineBreak", "newformat n=1\n/d\na.RA1\nb.RA1", 1, {"/d", "a.RA1", "b.RA1"}},
    {"CrLfLineEnds", "newformat n=2\r\n/d\r\na.RA1\r\nb.RA1\r\n", 2, {"/d", "a.RA1", "b.RA1"}},
    {"BlankLinesDoNotEndTheList",
     "newformat n=1\n/d\na.RA1\n\n\nb.RA1\n\n",
     1,
     {"/d", "a.RA1", "b.RA1"}},
    {"SpacesAndNonAsciiKept",
     "newformat n=1\n/data/Zürich run\nprobe 1.RA1\n",
     1,
     {"/data/Zürich run", "probe 1.RA1"}},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ListFileParse : public ::testing::TestWithParam<Case> {};

TEST_P(ListFileParse, GivesStrideAndStrings) {
    const Case& c = GetParam();
    ListFileText list = ParseListText(c.text);
    EXPECT_EQ(list.stride, c.stride);
    EXPECT_EQ(list.strings, c.strings);
}

INSTANTIATE_TEST_SUITE_P(Cases, ListFileParse, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListFile, WrittenTextReadsBack) {
    std::vector<std::string> strings{"/data/run 1", "00001.RA1", "00004.RA1"};
    std::string text = ListText(3, strings);
    EXPECT_EQ(text, "newformat n=3\n/data/run 1\n00001.RA1\n00004.RA1\n");
    ListFileText list = ParseListText(text);
    EXPECT_EQ(list.stride, 3);
    EXPECT_EQ(list.strings, strings);
}

TEST(ListFile, LongerThanTheLimitIsRefusedAndMissingIsUnopenable) {
    TempFolder folder;
    std::string path = folder.file("list.RA1");
    WriteTextFile(path, "newformat n=1\n/d\n" + std::string(200, 'x') + "\n");
    ListFileText list;
    EXPECT_EQ(ReadListFileText(path, 100, list), ListReadResult::TooLong);
    EXPECT_EQ(ReadListFileText(path, 1000, list), ListReadResult::Ok);
    EXPECT_EQ(ReadListFileText(folder.file("none"), 1000, list), ListReadResult::Unopenable);
    EXPECT_EQ(ReadListFileText(folder.path(), 1000, list), ListReadResult::Unopenable);
}

} // namespace
