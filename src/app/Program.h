#pragma once

#include "schedule/Engine.h"
#include "ui/Form1.h"
#include "ui/Window.h"

#include <functional>

// The program: the engine, the main window that shows it, and the window's
// handlers wired to the engine's values. A test builds a fresh one for each
// case.
class Program {
public:
    Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Form1 form;
    Engine engine { form };
    Window window { engine, form, {} };
    // Ends the process when the window has closed while a job procedure is
    // still waiting further up the stack (after "eXit Now!"); the waits would
    // otherwise keep it alive. Empty in tests.
    std::function<void()> endWhileJobRuns;
};
