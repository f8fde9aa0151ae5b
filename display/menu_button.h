// A button of the on-plot menus laid over a rectangle of client pixels.
#pragma once

#include <string>

class CScreenButton;
class TXLAWindow;

// A new button over the client pixels top..bottom, left..right, labelled label on and off, in the
// menus' face colour when on, its picture recorded once. The caller owns it.
CScreenButton* MakeMenuButton(TXLAWindow* window, const std::string& label, double top,
                              double bottom, double left, double right);
