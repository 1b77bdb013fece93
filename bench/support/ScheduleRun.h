#pragma once

#include <QDateTime>

#include <functional>

class Engine;

// Leaves the engine's schedule running as the operator leaves it: both
// switches on, the program's own timers at the time scale, the engine's clock
// running from start at the same scale. everyMinute is given the clock's
// reading at the start and then once a program minute, whatever runs. When
// the clock reaches end the schedule ticks stop; once the job under way has
// ended, both switches are turned off and the run returns. False, at once,
// when a switch refused to turn on, or when that job has not ended within
// its bound.
bool runSchedule(Engine& engine, const QDateTime& start, const QDateTime& end,
                 const std::function<void(const QDateTime&)>& everyMinute);
