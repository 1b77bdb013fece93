#include "app/Program.h"

#include "app/StartUp.h"
#include "ui/WindowEvents.h"

Program::Program()
{
    connectWindowEvents(window);
    form.closeRequest = [this] {
        if (!closeRequested(*this))
            return false;
        if ((engine.schedule.downloadJobRunning || engine.schedule.uploadJobRunning) && endWhileJobRuns)
            endWhileJobRuns();
        return true;
    };
}
