// Wave files and beeps.
#pragma once

#include "plat/messages.hpp"

#include <string>

constexpr UINT SND_SYNC = 0x0000;
constexpr UINT SND_ASYNC = 0x0001;
constexpr UINT SND_NODEFAULT = 0x0002;

// Plays a wave file; SND_ASYNC returns at once (cutting off a sound still playing), without it
// the call returns when the sound has ended. A missing file plays nothing.
BOOL sndPlaySound(const char* path, UINT flags);
BOOL MessageBeep(UINT type);

namespace plat {
void PlaySound(const std::string& path, bool sync);
} // namespace plat
