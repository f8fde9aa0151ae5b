// Makes layer faults (unexpected prompts, bad resources) fail the running test, gives every
// test executable the headless backend, and keeps the prompt log of a failed test in
// testlogs/<suite>.<test>.prompts.txt.
#include "plat/backend.hpp"
#include "plat/fault.hpp"
#include "plat/testing.hpp"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

void WriteLogOfFailedTest(const plat::test::Script& script) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!info || !::testing::Test::HasFailure() || script.log().empty())
        return;
    std::error_code ec;
    std::filesystem::create_directories("testlogs", ec);
    std::ofstream out(std::string("testlogs/") + info->test_suite_name() + "." + info->name() +
                      ".prompts.txt");
    out << script.logText();
}

class PlatEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        plat::SetBackend(plat::MakeHeadlessBackend());
        plat::SetFaultHandler([](const std::string& text) { ADD_FAILURE() << text; });
        plat::test::SetScriptEndHook(WriteLogOfFailedTest);
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PlatEnvironment);

} // namespace
