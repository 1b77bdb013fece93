#include "app/StartUp.h"

#include "app/Program.h"
#include "schedule/StartUpShutdown.h"
#include "ui/SiteList.h"

void startUp(Program& p)
{
    const bool sitesRead = startUp(p.engine);
    showStartState(p.window, sitesRead);
}

bool closeRequested(Program& p)
{
    Engine& e = p.engine;
    const bool idle = e.caption == QLatin1String("Tolvane - Idle");
    const bool jobRunning = e.schedule.downloadJobRunning || e.schedule.uploadJobRunning;
    if (!idle && jobRunning && !e.schedule.exitNowRequested)
        return false;
    shutDown(e);
    return true;
}
