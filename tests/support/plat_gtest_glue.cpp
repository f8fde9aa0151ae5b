// Makes layer faults (unexpected prompts, bad resources) fail the running test, and gives every
// test executable the headless backend.
#include <gtest/gtest.h>

#include "plat/backend.hpp"
#include "plat/fault.hpp"

namespace {

class PlatEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        plat::SetBackend(plat::MakeHeadlessBackend());
        plat::SetFaultHandler([](const std::string& text) { ADD_FAILURE() << text; });
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PlatEnvironment);

} // namespace
