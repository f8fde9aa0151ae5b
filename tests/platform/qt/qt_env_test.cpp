// The platform plugin is chosen before the toolkit starts: offscreen only without any display.
#include "platform/src/qt/qt_env.hpp"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

// Sets or clears variables for one test and puts the old values back.
class EnvGuard {
  public:
    void Set(const char* name, const char* value) {
        Remember(name);
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvGuard() {
        for (auto& [name, old] : saved_) {
            if (old)
                setenv(name.c_str(), old->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

  private:
    void Remember(const char* name) {
        const char* v = std::getenv(name);
        saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string Qpa() {
    const char* v = std::getenv("QT_QPA_PLATFORM");
    return v ? v : "";
}

struct Case {
    const char* name;
    const char* qpa;
    const char* display;
    const char* wayland;
    std::string expected;
};

TEST(QtEnv, OffscreenOnlyWhenNoDisplayAndNoChoice) {
    const Case cases[] = {
        {"nothing set", nullptr, nullptr, nullptr, "offscreen"},
        {"empty display counts as none", nullptr, "", nullptr, "offscreen"},
        {"X display", nullptr, ":0", nullptr, ""},
        {"wayland display", nullptr, nullptr, "wayland-0", ""},
        {"user's choice kept", "xcb", nullptr, nullptr, "xcb"},
    };
    for (const Case& c : cases) {
        EnvGuard env;
        env.Set("QT_QPA_PLATFORM", c.qpa);
        env.Set("DISPLAY", c.display);
        env.Set("WAYLAND_DISPLAY", c.wayland);
        plat::qt::ChoosePlatformPlugin();
        EXPECT_EQ(Qpa(), c.expected) << c.name;
    }
}

} // namespace
