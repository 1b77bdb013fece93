#pragma once

#include <functional>

class Engine;

// A recovery (a restart after a timeout or a socket error, or giving up) must
// wait until the ended job has wound down: its end steps have run and the
// window is back to "Tolvane - Idle". It is never run inside that job's
// procedure, which it would wait for without end; it runs once the procedure
// has returned.
void runAfterJobEnds(Engine& engine, std::function<void()> recovery);

// Runs a job procedure, then every recovery its end has left behind (each may
// run the job again and leave another).
void runJobWithRecoveries(Engine& engine, void (*jobProcedure)(Engine&));
