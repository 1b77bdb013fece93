#pragma once

// Bounds, in program milliseconds, on the waits that would otherwise last as
// long as a socket or a server chose. When one passes, the session fails
// through its failure flag instead of hanging.

// A control connection to be connected before its reply is read.
constexpr int kConnectedWaitMs = 30'000;
// A socket to report closed after Close.
constexpr int kSocketClosedWaitMs = 30'000;
// A timed wait of a few seconds, counted by a seconds timer. Arrivals that
// restart the count lengthen it, within this bound.
constexpr int kTimedWaitBoundMs = 120'000;
