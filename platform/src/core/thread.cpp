// TThread on std::thread.
#include "plat/thread.hpp"

TThread::~TThread() {
    if (thread_.joinable())
        thread_.join();
}

bool TThread::Start() {
    if (status_ != Created)
        return false;
    status_ = Running;
    thread_ = std::thread([this] {
        exitCode_ = Run();
        status_ = Finished;
    });
    return true;
}

int TThread::WaitForExit(DWORD) {
    if (thread_.joinable())
        thread_.join();
    return exitCode_;
}

int TThread::SetPriority(int priority) {
    priority_ = priority;
    return 1;
}
