// The C-locale scope now lives with the foundations' text files; kept for the scan files.
#pragma once

#include "foundations/c_locale.h"
