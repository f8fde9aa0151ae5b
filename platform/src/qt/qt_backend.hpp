// The Backend implementation on Qt 6 widgets.
#pragma once

#include "plat/backend.hpp"

namespace plat::qt {

class QtBackend : public plat::Backend {
  public:
    QtBackend();
    ~QtBackend() override;

    void pump(bool wait) override;
    void wake() override;

    void createWindow(TWindow& window) override;
    void destroyWindow(TWindow& window) override;
    void present(TWindow& window, const TRect& dirty) override;
    void setCaption(TWindow& window, const std::string& caption) override;
    void setCursor(TWindow& window, int cursorId) override;
    void setCapture(TWindow* window) override;
    void buildMenu(TWindow& window, const plat::MenuModel& menu) override;
    void enterMenuBar(TWindow& window) override;
    void startTimer(TWindow& window, UINT id, UINT milliseconds) override;
    void stopTimer(TWindow& window, UINT id) override;
    void acceptDrops(TWindow& window, bool accept) override;

    int messageBox(TWindow* owner, const std::string& text, const std::string& caption,
                   UINT flags) override;
    bool inputBox(TWindow* owner, const std::string& title, const std::string& prompt,
                  std::string& io, int limit) override;
    int runDialog(TDialog& dialog) override;
    bool fileDialog(const OpenFileRecord& record, bool save, std::vector<std::string>& paths,
                    DWORD& filterIndex) override;
    bool editText(std::string& io, std::size_t limit) override;

    void clipboardSet(const plat::ClipData& data) override;
    void beep(UINT type) override;

    bool printDialog(TWindow* owner, const std::string& title, PrintTarget& target) override;
    void printerSetup(TWindow* owner, PrintTarget& target) override;
    bool printPage(const PrintTarget& target, const Surface& page, bool first) override;
    bool endPrint(const PrintTarget& target) override;

  private:
    TWindow* capture_ = nullptr;
};

} // namespace plat::qt
