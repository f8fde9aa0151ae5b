// The menus' pixel-placed button.
#include "display/menu_button.h"

#include "display/plot_coordinates.h"
#include "plotting/screen_button.h"
#include "state/window_services.h"

namespace {

constexpr COLORREF kMenuFace = 0x9696FF;

} // namespace

CScreenButton* MakeMenuButton(TXLAWindow* w, const std::string& label, double top, double bottom,
                              double left, double right) {
    auto* b = new CScreenButton;
    b->SetRect(float(PixelToLogicalY(int(top), WindowServices::ClientHeight(w))),
               float(PixelToLogicalX(int(left), WindowServices::ClientWidth(w))),
               float(PixelToLogicalY(int(bottom), WindowServices::ClientHeight(w))),
               float(PixelToLogicalX(int(right), WindowServices::ClientWidth(w))));
    b->SetTexts(label.c_str(), int(label.size()), label.c_str(), int(label.size()));
    b->onFaceColour = kMenuFace;
    b->Rebuild();
    return b;
}
