// Progress line state; its pixels come with the main window's painting.
#include "display/progress_line.h"

void CProgressLine::Show(TXLAWindow* window, int x, int y)
{
    (void)window;
    (void)x;
    (void)y;
    shown = true;
    fraction = 0.0f;
}

void CProgressLine::Draw(float f, TXLAWindow* window)
{
    (void)window;
    fraction = f;
}

void CProgressLine::Hide(TXLAWindow* window)
{
    (void)window;
    shown = false;
}
