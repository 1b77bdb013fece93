#pragma once

#include "config/JobKind.h"

class Engine;

// The job's switch (Check1 / Check2) turned on or off, by the operator or by
// the program. Either way the job's sockets close. Off stops the schedule tick
// and makes every site eligible again today. On checks the row's fields first:
// an empty field or a port that is no number turns the switch back off, with
// a message; otherwise the schedule tick starts, its first tick on site 1.
// Returns whether the switch is on afterwards.
bool turnJobSwitch(Engine& engine, JobKind job, bool on);
