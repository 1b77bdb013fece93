#pragma once

class Program;

// The engine's start-up, then the window's: the sites in the host lists and
// the rows filled.
void startUp(Program& program);

// The window's close request. Refused (false) while a job runs, unless the
// caption reads "Tolvane - Idle" or "eXit Now!" was chosen. Otherwise the
// engine shuts down: the sockets close (within a bound), and the sites and the
// working folder are saved.
bool closeRequested(Program& program);
