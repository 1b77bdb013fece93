#pragma once

#include "ui/UiVars.h"

class Engine;
class Form1;

// What the window's handlers work with: the engine whose values they set, the
// window's controls, and the window's own values.
struct Window {
    Engine& engine;
    Form1& form;
    UiVars ui;
};
