// The edit commands hand the file to the text editor as one argument. They used to build
// 'notepad.exe "<path>"' and the process layer split it at the quotes inside the name, so a file
// named 'a" -c "!cmd' gave the editor a command to run.
#include "plat/process.hpp"
#include "support/main_window_fixture.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

TEST(EditFileCommand, ThePathIsOneEditorArgumentWhateverItHolds) {
    MainWindowFixture f;
    const char* visual = std::getenv("VISUAL");
    const std::string saved = visual ? visual : "";
    ::setenv("VISUAL", "vim", 1);
    const std::vector<std::string> names = {"a\" -c \"!cmd", "with blanks.ra1", "-c quit",
                                            "plain.ra1"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        plat::test::clearRecords();
        const std::string path = f.data.write(name, "1 2\n");
        f.script.expectFileOpen().title("Select File to Edit").answer(Args{path});
        plat::test::command(f.window.get(), 201); // Edit Data Files
        f.script.pumpUntilIdle();
        ASSERT_EQ(plat::test::processes().size(), 1u) << f.script.logText();
        EXPECT_EQ(plat::test::processes()[0].argv, (Args{"vim", path}));
    }
    // The layer alone: a relative name that starts like an option stays a file name.
    plat::test::clearRecords();
    EXPECT_GT(plat::OpenInTextEditor("-c!rm"), 31);
    EXPECT_EQ(plat::test::processes().at(0).argv, (Args{"vim", "./-c!rm"}));
    if (visual)
        ::setenv("VISUAL", saved.c_str(), 1);
    else
        ::unsetenv("VISUAL");
}

} // namespace
