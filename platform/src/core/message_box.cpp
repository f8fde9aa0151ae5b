// Message boxes and the input-error box of dialogs.
#include "plat/app.hpp"
#include "plat/backend.hpp"
#include "plat/msgbox.hpp"
#include "plat/window.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

int MessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
    std::string body = text ? text : "";
    // An alert character in a text rings the bell instead of showing as a glyph.
    if (body.find('\a') != std::string::npos) {
        std::erase(body, '\a');
        plat::GetBackend().beep(0);
    }
    std::string title;
    if (caption)
        title = caption;
    else if (TApplication* app = GetApplicationObject(); app && !app->GetName().empty())
        title = app->GetName();
    else
        title = "Error";
    int answer;
    if (plat::IsGuiThread()) {
        plat::DispatchPendingPaints();
        answer = plat::GetBackend().messageBox(owner, body, title, flags);
    } else {
        // A worker cannot show a box (the window's thread may be waiting for it to end): the text
        // goes to standard error and the default button answers.
        std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
        answer = (flags & MB_DEFBUTTON2) ? ((flags & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDNO)
                                         : ((flags & MB_TYPEMASK) >= MB_YESNOCANCEL ? IDYES : IDOK);
    }
    // Only the answers the box's buttons allow.
    switch (flags & MB_TYPEMASK) {
    case MB_OK:
        return IDOK;
    case MB_OKCANCEL:
        return answer == IDOK ? IDOK : IDCANCEL;
    case MB_YESNO:
        return answer == IDYES ? IDYES : IDNO;
    case MB_YESNOCANCEL:
        return answer == IDYES || answer == IDNO ? answer : IDCANCEL;
    default:
        return answer;
    }
}

namespace plat {

void ShowInvalidEntry(HWND dialog, bool beep) {
    if (beep)
        GetBackend().beep(MB_ICONASTERISK);
    ::MessageBox(dialog, "Invalid Entry", "Input Error", MB_OK);
}

} // namespace plat
