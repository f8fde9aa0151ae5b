// TARNIX_ASSERT: checks for programming errors, on in debug and sanitizer builds.
#pragma once

#if defined(TARNIX_CHECKS)
#include <cstdio>
#include <cstdlib>
#define TARNIX_ASSERT(cond)                                                                        \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
#else
#define TARNIX_ASSERT(cond) ((void)0)
#endif
