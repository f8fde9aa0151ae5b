// Faults the program must not run past silently: a resource that names an unknown command, a
// dialog whose controls do not match its template, an unexpected prompt in a scripted test.
#pragma once

#include <functional>
#include <string>

namespace plat {

// Without a handler a fault is written to standard error and the process aborts. Tests install
// a handler that fails the running test instead.
using FaultHandler = std::function<void(const std::string& text)>;
FaultHandler SetFaultHandler(FaultHandler handler);
void ReportFault(const std::string& text);

} // namespace plat
