#pragma once

#include "app/Program.h"
#include "app/StartUp.h"

#include <memory>

// A program started in the process's current folder over whatever settings
// files the test put there (the widget tests start in a folder of their own);
// message boxes are recorded, not shown.
inline std::unique_ptr<Program> startedProgram()
{
    auto program = std::make_unique<Program>();
    program->form.messages.recordInsteadOfShowing();
    startUp(*program);
    return program;
}
