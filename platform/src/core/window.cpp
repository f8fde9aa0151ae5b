// TWindow and TFrameWindow: creation, the client surface, invalidation, message dispatch.
#include "plat/window.hpp"

#include "core/msg_queue.hpp"
#include "core/window_paint.hpp"
#include "plat/backend.hpp"

#include <algorithm>

namespace plat {
MsgQueue* MsgQueue::Of(const TWindow* window) {
    return window->queue_.get();
}
} // namespace plat

namespace {
constexpr TSize kDefaultClient{300, 200};
constexpr TSize kDefaultFrameClient{1000, 700};

// The key-down this thread dispatched last, cleared by a key's release or a button press.
thread_local WPARAM gLastKeyDown = 0;

// Whether the message releases Alt or F10 pressed alone: the key that opens the menu bar from
// the keyboard. Follows every key message, so that Alt with another key between opens nothing.
bool ReleasesMenuKeyAlone(UINT message, WPARAM wParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        gLastKeyDown = wParam;
        return false;
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const bool alone = gLastKeyDown == wParam && (wParam == VK_MENU || wParam == VK_F10);
        gLastKeyDown = 0;
        return alone && message == WM_SYSKEYUP;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        gLastKeyDown = 0;
        return false;
    default:
        return false;
    }
}
} // namespace

TWindow::TWindow(TWindow* parent, const char* title)
    : parent_(parent), caption_(title ? title : ""), queue_(plat::MsgQueue::Current()) {
    queue_->AddWindow(this);
}

TWindow::~TWindow() {
    if (created_)
        Destroy();
    queue_->RemoveWindow(this);
}

bool TWindow::Create() {
    if (created_)
        return false;
    created_ = true;
    if (surface_.Empty()) {
        TSize s = dynamic_cast<TFrameWindow*>(this) ? kDefaultFrameClient : kDefaultClient;
        surface_.Resize(s.cx, s.cy);
    }
    plat::GetBackend().createWindow(*this);
    if (hasMenu_)
        plat::GetBackend().buildMenu(*this, menu_);
    invalid_ = GetClientRect();
    erasePending_ = true;
    PostMessage(this, WM_SIZE, SIZE_RESTORED, MAKELPARAM(surface_.Width(), surface_.Height()));
    SetupWindow();
    return true;
}

void TWindow::Destroy(int) {
    if (!created_)
        return;
    CleanupWindow();
    if (HasCapture())
        ReleaseCapture();
    plat::GetBackend().destroyWindow(*this);
    created_ = false;
    invalid_ = {};
    queue_->Forget(this);
    Destroyed();
}

void TWindow::Destroyed() {
    TApplication* app = GetApplicationObject();
    if (app && app->GetMainWindow() == this)
        PostQuitMessage(0);
}

void TWindow::CloseWindow(int) {
    TApplication* app = GetApplicationObject();
    bool main = app && app->GetMainWindow() == this;
    if (CanClose() && (!main || app->CanClose()))
        Destroy();
}

void TWindow::SetClientSize(int width, int height) {
    if (width == surface_.Width() && height == surface_.Height())
        return;
    surface_.Resize(width, height);
    invalid_ = {};
    Invalidate(true);
    if (created_)
        PostMessage(this, WM_SIZE, SIZE_RESTORED, MAKELPARAM(surface_.Width(), surface_.Height()));
}

void TWindow::Invalidate(bool erase) {
    InvalidateRect(GetClientRect(), erase);
}

void TWindow::InvalidateRect(const TRect& rect, bool erase) {
    TRect r = rect.Intersect(GetClientRect());
    if (r.IsEmpty())
        return;
    invalid_ = invalid_.Union(r);
    erasePending_ = erasePending_ || erase;
    // A thread blocked in GetMessage must see the new WM_PAINT.
    if (!queue_->OwnedByCaller())
        plat::GetBackend().wake();
}

void TWindow::Validate() {
    invalid_ = {};
    erasePending_ = false;
}

void TWindow::UpdateWindow() {
    if (created_ && IsInvalid())
        PaintNow();
}

void TWindow::PaintNow() {
    TRect rect = invalid_;
    bool erase = erasePending_;
    Validate();
    if (erase) {
        std::uint32_t white = plat::Surface::ToNative(RGB(255, 255, 255));
        for (int y = rect.top; y < rect.bottom; ++y)
            std::fill(surface_.Row(y) + rect.left, surface_.Row(y) + rect.right, white);
    }
    plat::PaintThroughDC(*this, erase, rect);
    Present(rect);
}

void TWindow::Present(const TRect& dirty) {
    TRect r = dirty.Intersect(GetClientRect());
    if (created_ && !r.IsEmpty())
        plat::GetBackend().present(*this, r);
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool menuKey = ReleasesMenuKeyAlone(message, wParam);
    switch (message) {
    case WM_PAINT:
        UpdateWindow();
        return 0;
    case WM_CLOSE:
        CloseWindow(0);
        return 0;
    case WM_COMMAND:
        if (const plat::MapEntry* e = Find(WM_COMMAND, LOWORD(wParam)))
            return e->call(*this, wParam, lParam);
        return 0;
    case WM_DROPFILES: {
        HDROP drop = reinterpret_cast<HDROP>(wParam);
        LRESULT r = 0;
        if (const plat::MapEntry* e = Find(message, 0))
            r = e->call(*this, wParam, lParam);
        DragFinish(drop);
        return r;
    }
    default:
        if (const plat::MapEntry* e = Find(message, 0))
            return e->call(*this, wParam, lParam);
        // Unhandled, Alt or F10 alone hands the keyboard to the menu bar.
        if (menuKey && created_ && hasMenu_)
            plat::GetBackend().enterMenuBar(*this);
        return 0;
    }
}

void TWindow::SetCaption(const char* caption) {
    caption_ = caption ? caption : "";
    if (created_)
        plat::GetBackend().setCaption(*this, caption_);
}

void TWindow::SetCursor(int cursorId) {
    cursor_ = cursorId;
    if (created_)
        plat::GetBackend().setCursor(*this, cursorId);
}

namespace {
thread_local TWindow* gCapture = nullptr;
}

void TWindow::SetCapture() {
    gCapture = this;
    plat::GetBackend().setCapture(this);
}

void TWindow::ReleaseCapture() {
    if (gCapture != this)
        return;
    gCapture = nullptr;
    plat::GetBackend().setCapture(nullptr);
}

bool TWindow::HasCapture() const {
    return gCapture == this;
}

bool TWindow::SetTimer(UINT id, UINT milliseconds) {
    if (!created_)
        return false;
    queue_->SetTimer(this, id);
    plat::GetBackend().startTimer(*this, id, milliseconds);
    return true;
}

bool TWindow::KillTimer(UINT id) {
    bool had = queue_->KillTimer(this, id);
    if (had && created_)
        plat::GetBackend().stopTimer(*this, id);
    return had;
}

void TWindow::DragAcceptFiles(bool accept) {
    acceptsFiles_ = accept;
    if (created_)
        plat::GetBackend().acceptDrops(*this, accept);
}

void TWindow::AssignMenu(plat::MenuModel menu) {
    menu_ = std::move(menu);
    hasMenu_ = true;
    menu_.SetChangeHook([this] {
        if (created_)
            plat::GetBackend().buildMenu(*this, menu_);
    });
    if (created_)
        plat::GetBackend().buildMenu(*this, menu_);
}

void TWindow::SetAcceleratorTable(plat::AcceleratorTable table) {
    accelerators_ = std::move(table);
    hasAccelerators_ = true;
}

int TWindow::MessageBox(const char* text, const char* caption, UINT flags) {
    return ::MessageBox(this, text, caption, flags);
}

std::vector<int> TWindow::UnhandledCommands() const {
    auto handled = [this](int id) { return Find(WM_COMMAND, UINT(id)) != nullptr; };
    std::vector<int> bad = hasMenu_ ? menu_.UnknownCommands(handled) : std::vector<int>{};
    if (hasAccelerators_)
        for (int id : accelerators_.CommandIds())
            if (!handled(id) && std::find(bad.begin(), bad.end(), id) == bad.end())
                bad.push_back(id);
    return bad;
}

TFrameWindow::TFrameWindow(TWindow* parent, const char* title) : TWindow(parent, title) {}

namespace plat {
TWindow* CaptureWindow() {
    return gCapture;
}
} // namespace plat
