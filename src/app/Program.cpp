#include "app/Program.h"

#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "ftp/LoginSequence.h"
#include "ftp/TimedWait.h"
#include "transfer/DataEvents.h"

Program::Program()
{
    connectSocketEvents();
    connectTimerEvents();
}

Program::~Program() = default;

void Program::connectSocketEvents()
{
    auto wire = [this](Winsock& control, Winsock& data, Job (*bind)(Program&)) {
        QObject::connect(&control, &Winsock::DataArrival, &form, [this, bind] {
            Job job = bind(*this);
            controlDataArrival(job);
        });
        QObject::connect(&control, &Winsock::Error, &form, [this, bind](int number) {
            Job job = bind(*this);
            controlError(job, number);
        });
        QObject::connect(&data, &Winsock::ConnectionRequest, &form, [this, bind](int requestID) {
            Job job = bind(*this);
            dataConnectionRequest(job, requestID);
        });
    };
    wire(form.ftpclient1, form.ftpclient2, downloadJob);
    wire(form.ftpclient1a, form.ftpclient3, uploadJob);
}

void Program::connectTimerEvents()
{
    QObject::connect(&form.Timerf, &Timer::Tick, &form, [this] { countWaitSecond(session.downloadWaitSeconds); });
    QObject::connect(&form.Timerg, &Timer::Tick, &form, [this] { countWaitSecond(session.uploadWaitSeconds); });
}

void Program::dispatchReply(Job& job)
{
    if (job.state >= 0 && job.state <= 7)
        loginStep(job);
}

void Program::retryDownloadJob()
{
}

void Program::retryUploadJob(int)
{
}
