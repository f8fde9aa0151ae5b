// The outside hydrodynamic program's input file field by field, its scripts, and the error and
// result lines read from its result file.
#include "foundations/text_lines.h"
#include "tools/hydropro_files.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(HydroProFiles, InputFileFieldByField) {
    HydroProParameters p; // the standard conditions
    p.nsig = 6;
    const std::string text = HydroProInputText("lysozyme", p);
    const std::vector<std::string> expected = {
        "lysozyme",
        "lysozyme",
        "lysozyme.pdb",
        "3.20,\t\t!AER, radius of atomic elements",
        "6,\t\t!NSIG",
        "1.00,\t\t!NSIG",
        "2.00,\t\t!NSIG",
        "293.1,\t\t!Temperature (K)", // 293.15 in single precision lies below it
        "0.01002,\t\t!Solvent viscosity (Poise)",
        "-1.0,\t\t!Mw (Da)",
        "0.7300,\t\t!vbar (ml/g)",
        "0.99823,\t\t!Solvent density (g/ml)",
        "0,",
        "0,",
        "0,",
        "0,",
        "*                   ",
    };
    EXPECT_EQ(TextLines(text), expected);
    EXPECT_NE(text.back(), '\n') << "the closing line has no line end";

    // NSIG -1 lets the program choose: no SIGMIN or SIGMAX line.
    p.nsig = -1;
    const auto lines = TextLines(HydroProInputText("a", p));
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[4], "-1,\t\t!NSIG");
    EXPECT_EQ(lines[5], "293.1,\t\t!Temperature (K)");
}

TEST(HydroProFiles, NsigEntries) {
    const std::pair<float, int> cases[] = {{-1.0f, -1}, {0.0f, 2},  {1.0f, 2}, {6.7f, 6},
                                           {-0.5f, -1}, {-3.0f, 2}, {2.0f, 2}, {1e30f, 1000000}};
    for (const auto& [entry, nsig] : cases)
        EXPECT_EQ(NsigFromEntry(entry), nsig) << entry;
}

TEST(HydroProFiles, ScriptsRunTheProgramAndPause) {
    EXPECT_EQ(TextLines(HydroProBatchText()),
              (std::vector<std::string>{"echo starting hydropro", "hydropro7cmsd.exe",
                                        "timeout /t 3 /nobreak > nul", "exit"}));
    EXPECT_EQ(TextLines(HydroProScriptText()),
              (std::vector<std::string>{"echo starting hydropro", "./hydropro7cmsd.exe", "sleep 3",
                                        "exit"}));
}

TEST(HydroProFiles, ErrorAndResultLines) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> errors;
        std::string result;
    };
    const Case cases[] = {
        {"result without errors",
         "HYDROPRO results\r\nSedimentation coefficient:   1.912E-13  sec\r\nmore\n",
         {},
         "Sedimentation coefficient:   1.912E-13  sec"},
        {"errors from the fourth character on, each to its line end",
         "***x\n*** too many minibeads\nok\n  ***** again ***\n",
         {"*** too many minibeads", "***** again ***", "***"},
         ""},
        {"an over-long line is cut at 999 characters",
         "....Sedimentation coefficient: " + std::string(2000, '7') + "\n",
         {},
         "Sedimentation coefficient: " + std::string(999 - 27, '7')},
    };
    for (const Case& c : cases) {
        const HydroProResult r = ReadHydroProResult(c.text);
        EXPECT_EQ(r.errorLines, c.errors) << c.name;
        EXPECT_EQ(r.resultLine, c.result) << c.name;
    }

    HydroProResult r;
    r.resultLine = "Sedimentation coefficient: 1.9E-13";
    const std::string plain = HydroProResultText(r);
    EXPECT_EQ(plain.rfind("Sedimentation coefficient: 1.9E-13\n\n(Compare experimental", 0), 0u);
    r.errorLines.assign(25, "*** bad");
    const std::string withErrors = HydroProResultText(r);
    EXPECT_EQ(withErrors.rfind("Error Messages:\n*** bad\n", 0), 0u);
    EXPECT_NE(withErrors.find("*** bad\n... and 5 more (see the results file)\n\n\nSedimentation"),
              std::string::npos)
        << withErrors;
}

} // namespace
