#pragma once

#include "schedule/ScheduleVars.h"
#include "transfer/TransferContext.h"

// The jobs without a window: every value the program decides from, the four
// socket objects and the six timers, and the wiring of their events to the
// procedures that handle them. What the jobs show goes to the view. The
// window and the headless service each drive one.
class Engine : public TransferContext {
public:
    explicit Engine(EngineView& view);

    ScheduleVars schedule;

    // Schedule ticks, and the supervision of each job's session.
    Timer Timer1 { 60000, false };
    Timer Timer2 { 60000, false };
    Timer Timer3 { 20000, false };
    Timer Timer4 { 20000, false };

    // What calls deferred to the event loop belong to: they go with the engine.
    QObject deferredCalls;

private:
    void connectSocketEvents();
    void connectTimerEvents();
};
