#pragma once

// Every timer interval and every wait bound of the program passes through here,
// so a test or a benchmark can run a whole job with one second lasting a few
// milliseconds. The program itself never changes the scale.
namespace TimeScale {

void set(double factor);
double factor();

// Program milliseconds to real milliseconds, at least 1 for any positive input.
int scaledMs(int programMs);

}
