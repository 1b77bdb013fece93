#pragma once

struct Window;

// Connects every menu item of the main window to its command.
void connectMenuCommands(Window& window);
