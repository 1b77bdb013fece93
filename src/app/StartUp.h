#pragma once

class Program;

// Puts every value in its start state, switches every timer and socket off,
// reads the transfer records, restores the working folder and loads the sites.
void startUp(Program& program);

// The window's close request. Refused (false) while a job runs, unless the
// caption reads "Tolvane - Idle" or "eXit Now!" was chosen. Otherwise the
// sockets are closed (within a bound), and the sites and the working folder
// saved.
bool closeRequested(Program& program);
