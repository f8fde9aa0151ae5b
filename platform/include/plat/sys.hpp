// The system services the program calls: sounds, processes, files, paths, clocks, memory, help.
#pragma once

#include "plat/clock.hpp"
#include "plat/files.hpp"
#include "plat/paths.hpp"
#include "plat/process.hpp"
#include "plat/sound.hpp"
