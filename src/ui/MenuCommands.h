#pragma once

class Program;

// Connects every menu item of the main window to its command.
void connectMenuCommands(Program& program);
