#pragma once

struct Window;

// Connects the window's controls to their handlers: each row's fields, host
// list, switch and duplicate-check box, the double clicks on the displays and
// the status line, and the menus.
void connectWindowEvents(Window& window);
