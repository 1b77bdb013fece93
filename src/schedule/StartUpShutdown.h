#pragma once

class Engine;

// Start-up: every timer and socket off, the transfer records read, the
// working folder restored (the current folder when "pather.log" names none
// that exists, and written there at the very first start) and the sites
// loaded. A site file that does not load whole is logged "Invalid Site File".
// Returns whether both site files loaded whole.
bool startUp(Engine& engine);

// Without a window, each job's current site is its first, with the row's
// fields as the window shows them after start-up.
void useFirstSites(Engine& engine);

// How long closing waits for the four sockets to report closed.
constexpr int kClosingSocketsWaitMs = 10'000;

// Shutdown: all handling of replies stops, the timers and sockets close
// (waiting, within a bound, until they report closed), a file half-way is
// dropped, and the sites and the working folder are saved.
void shutDown(Engine& engine);
