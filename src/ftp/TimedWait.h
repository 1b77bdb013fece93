#pragma once

#include <functional>

struct Job;

// Runs the job's seconds timer and yields until its counter reaches target or
// keepWaiting() turns false. The caller sets the counter first (usually to 0).
// The timer is left as it was found, so a wait nested inside another does not
// stop the outer wait's count.
void waitForSeconds(Job& job, int target, const std::function<bool()>& keepWaiting = {});

// The seconds timer's tick: counts up to 10 and stays there.
void countWaitSecond(int& counter);
