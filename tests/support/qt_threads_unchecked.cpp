// Under the race checker, the threads Qt starts for itself (its thread pool, the file dialog's
// file-information thread) run with their memory accesses unchecked; their locking is still
// followed.
//
// The system Qt is not built with the checker: the locks and atomics with which Qt hands work to
// its own threads are invisible to it, so every hand-off looks like a race on Qt's own memory.
// The report's frames inside Qt carry no names (the library keeps only its exported symbols), so
// no suppression rule can tell those reports apart from a race of ours in which Qt copies our
// memory on our threads; a rule for every call Qt makes into the checked C library would hide
// such a race (a worker writing a buffer while the main thread hands it to Qt). Here only the
// threads Qt created go unchecked; everything Qt does on our threads is still checked.
#if defined(TARNIX_UNDER_RACE_CHECKER)

#include <cstring>
#include <dlfcn.h>
#include <pthread.h>

extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();

namespace {

struct ThreadStart {
    void* (*routine)(void*);
    void* argument;
};

void* RunUnchecked(void* start) {
    const ThreadStart s = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    __tsan_ignore_thread_begin();
    void* const result = s.routine(s.argument);
    __tsan_ignore_thread_end();
    return result;
}

bool CalledFromQt(const void* caller) {
    Dl_info info;
    return dladdr(caller, &info) != 0 && info.dli_fname != nullptr &&
           std::strstr(info.dli_fname, "/libQt6") != nullptr;
}

} // namespace

// Every thread creation of the process passes here first, then goes on to the checker's own.
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*routine)(void*), void* argument) {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Create next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (!CalledFromQt(__builtin_return_address(0)))
        return next(thread, attributes, routine, argument);
    auto* start = new ThreadStart{routine, argument};
    const int error = next(thread, attributes, RunUnchecked, start);
    if (error != 0)
        delete start;
    return error;
}

#endif
