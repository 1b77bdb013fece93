#include "ftp/TimedWait.h"

#include "ftp/Job.h"
#include "ftp/WaitBounds.h"
#include "platform/Timer.h"
#include "platform/Yield.h"

void waitForSeconds(Job& job, int target, const std::function<bool()>& keepWaiting)
{
    const bool wasRunning = job.secondsTimer.Enabled();
    job.secondsTimer.setEnabled(true);
    yieldUntil([&] { return job.waitSeconds >= target || (keepWaiting && !keepWaiting()); },
               kTimedWaitBoundMs);
    job.secondsTimer.setEnabled(wasRunning);
}

void countWaitSecond(int& counter)
{
    if (counter < 10)
        ++counter;
}
