// The headless backend: surfaces without a desktop, prompts answered by the test script (or by
// their default button), services recorded instead of performed.
#pragma once

#include "plat/backend.hpp"
#include "plat/testing.hpp"

#include <map>
#include <vector>

namespace plat::test {

class HeadlessBackend : public Backend {
  public:
    void pump(bool wait) override;
    void createWindow(TWindow&) override {}
    void destroyWindow(TWindow& window) override;
    void present(TWindow& window, const TRect& dirty) override;
    void setCaption(TWindow&, const std::string&) override {}
    void setCursor(TWindow& window, int cursorId) override { cursors[&window].push_back(cursorId); }
    void setCapture(TWindow*) override {}
    void buildMenu(TWindow&, const MenuModel&) override {}
    void startTimer(TWindow& window, UINT id, UINT milliseconds) override;
    void stopTimer(TWindow& window, UINT id) override;

    int messageBox(TWindow* owner, const std::string& text, const std::string& caption,
                   UINT flags) override;
    bool inputBox(TWindow* owner, const std::string& title, const std::string& prompt,
                  std::string& io, int limit) override;
    int runDialog(TDialog& dialog) override;
    bool fileDialog(const OpenFileRecord& record, bool save, std::vector<std::string>& paths,
                    DWORD& filterIndex) override;
    bool editText(std::string& io, std::size_t limit) override;

    void clipboardSet(const ClipData& data) override {
        clip = data;
        if (data.text)
            clipTexts.push_back(*data.text);
    }
    void beep(UINT type) override { beepCalls.push_back(type); }
    void playSound(const std::string& path, bool sync) override {
        soundCalls.push_back({path, sync});
    }
    int startProcess(const ProcessRequest& request) override;
    void showHelp(const std::string& file, UINT command, std::uintptr_t data) override {
        help.push_back({file, command, data});
    }

    // Printing asks the script for an image file (a save dialog titled as the job) and writes
    // each page there as PNG.
    bool printDialog(TWindow* owner, const std::string& title, PrintTarget& target) override;
    bool printPage(const PrintTarget& target, const Surface& page, bool first) override;

    void AdvanceTimers(DWORD milliseconds);
    void Clear();

    struct Timer {
        TWindow* window;
        UINT id;
        DWORD interval;
        std::uint64_t next;
    };
    std::uint64_t now = 0;
    std::vector<Timer> timers;
    std::map<const TWindow*, std::vector<int>> cursors;
    std::map<const TWindow*, std::pair<int, TRect>> presents;
    std::vector<SoundCall> soundCalls;
    std::vector<UINT> beepCalls;
    std::vector<ProcessRequest> processCalls;
    int processResult = 33;
    std::vector<HelpCall> help;
    ClipData clip;
    std::vector<std::string> clipTexts;
};

// The installed headless backend; installs one when another backend is in place.
HeadlessBackend& Headless();

// Default answers without a script.
int DefaultBoxAnswer(UINT flags);

} // namespace plat::test
