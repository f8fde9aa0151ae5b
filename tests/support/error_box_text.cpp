#include "support/error_box_text.h"

#include "foundations/error_box_log.h"

std::string TakeErrorBoxText() {
    std::string text;
    for (const ErrorBoxEntry& e : TakeErrorBoxes())
        text += e.text + "\n";
    return text;
}
