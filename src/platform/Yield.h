#pragma once

#include <functional>

// Waiting by yielding: the caller's handler stays on the stack while timer ticks
// and socket events keep being delivered (and may re-enter other handlers).
// A waiting program sleeps in the event loop; it never spins.

// Processes the events already pending, without blocking.
void yieldOnce();

// Processes events until condition() holds or boundMs (program milliseconds,
// scaled by TimeScale) have passed. Returns whether the condition held.
bool yieldUntil(const std::function<bool()>& condition, int boundMs);
