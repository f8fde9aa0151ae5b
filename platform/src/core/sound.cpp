// Wave files and beeps through the backend (played on the desktop, recorded headless).
#include "plat/sound.hpp"

#include "plat/backend.hpp"
#include "plat/paths.hpp"

namespace plat {
void PlaySound(const std::string& path, bool sync) {
    GetBackend().playSound(NativePath(path), sync);
}
} // namespace plat

BOOL sndPlaySound(const char* path, UINT flags) {
    if (!path)
        return FALSE;
    plat::PlaySound(path, (flags & SND_ASYNC) == 0);
    return TRUE;
}

BOOL MessageBeep(UINT type) {
    plat::GetBackend().beep(type);
    return TRUE;
}
