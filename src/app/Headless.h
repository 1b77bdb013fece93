#pragma once

// The program without a window, as a service runs it (tolvane --headless):
// start-up from the settings, records and logs of the current folder (or of
// the one the command line names, entered first), each job's first site
// current, the switches the command line chooses turned on, and the jobs run
// by their schedule until SIGTERM or SIGINT closes it as "eXit Now!" closes
// the window. Needs no display; also answers --help and --version. Returns
// the exit code: 0 once closed, 1 when the settings folder cannot be made,
// entered or used or a switch refuses to turn on, each said on standard error
// before any job runs.
int runHeadless(int& argc, char* argv[]);
