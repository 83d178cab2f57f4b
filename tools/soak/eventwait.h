#pragma once

#include <functional>

// Runs the event loop until done() holds or timeoutMs pass; done() is asked every pollMs.
bool WaitFor(const std::function<bool()>& done, int timeoutMs, int pollMs = 50);
// Runs the event loop for ms milliseconds.
void RunEventsFor(int ms);
