// Queue of modal answers given ahead of time.
#include "qt/modal_answers.hpp"

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QDialog>
#include <deque>

namespace plat::qt {
namespace {

std::deque<ModalScript>& Scripts() {
    static std::deque<ModalScript> scripts;
    return scripts;
}

} // namespace

void ScheduleModalScript(ModalScript script) {
    Scripts().push_back(std::move(script));
}

bool ModalScriptsPending() {
    return !Scripts().empty();
}

void ModalOpened(QDialog& dialog) {
    if (Scripts().empty())
        return;
    ModalScript script = std::move(Scripts().front());
    Scripts().pop_front();
    QPointer<QDialog> target(&dialog);
    QTimer::singleShot(0, &dialog, [target, script = std::move(script)] {
        if (target)
            script(*target);
    });
}

} // namespace plat::qt
