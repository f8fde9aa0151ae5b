// The registry of dialog templates.
#include "plat/dialog.hpp"

#include <map>
#include <mutex>

namespace plat {

namespace {
std::mutex gMutex;
std::map<int, DialogTemplate>& Templates() {
    static std::map<int, DialogTemplate> templates;
    return templates;
}
} // namespace

const ControlSpec* DialogTemplate::Find(int controlId) const {
    for (const ControlSpec& c : controls)
        if (c.id == controlId)
            return &c;
    return nullptr;
}

void RegisterDialogTemplate(DialogTemplate dialog) {
    std::lock_guard lock(gMutex);
    Templates()[dialog.id] = std::move(dialog);
}

const DialogTemplate* FindDialogTemplate(int id) {
    std::lock_guard lock(gMutex);
    auto it = Templates().find(id);
    return it == Templates().end() ? nullptr : &it->second;
}

} // namespace plat
