#include "app/Program.h"

#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "ftp/ListingRequests.h"
#include "ftp/LoginSequence.h"
#include "ftp/TimedWait.h"
#include "schedule/ScheduleTick.h"
#include "schedule/Supervision.h"
#include "transfer/DataEvents.h"
#include "transfer/RetrievalLoop.h"
#include "transfer/StoringLoop.h"
#include "transfer/UploadDataPhase.h"

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
        QObject::connect(&data, &Winsock::DataArrival, &form, [this, bind] {
            Job job = bind(*this);
            dataArrival(job);
        });
        QObject::connect(&data, &Winsock::Error, &form, [this, bind](int number) {
            Job job = bind(*this);
            dataError(job, number);
        });
    };
    wire(form.ftpclient1, form.ftpclient2, downloadJob);
    wire(form.ftpclient1a, form.ftpclient3, uploadJob);
    QObject::connect(&form.ftpclient3, &Winsock::SendProgress, &form,
                     [this](int bytesSent) { uploadSendProgress(*this, bytesSent); });
    QObject::connect(&form.ftpclient3, &Winsock::SendComplete, &form, [this] { uploadSendComplete(*this); });
}

void Program::connectTimerEvents()
{
    QObject::connect(&form.Timerf, &Timer::Tick, &form, [this] { countWaitSecond(session.downloadWaitSeconds); });
    QObject::connect(&form.Timerg, &Timer::Tick, &form, [this] { countWaitSecond(session.uploadWaitSeconds); });
    QObject::connect(&form.Timer1, &Timer::Tick, &form, [this] { downloadScheduleTick(*this); });
    QObject::connect(&form.Timer2, &Timer::Tick, &form, [this] { uploadScheduleTick(*this); });
    QObject::connect(&form.Timer3, &Timer::Tick, &form, [this] { downloadSupervisionTick(*this); });
    QObject::connect(&form.Timer4, &Timer::Tick, &form, [this] { uploadSupervisionTick(*this); });
}

void Program::dispatchReply(Job& job)
{
    const int state = job.state;
    if (state >= 0 && state <= 7) {
        loginStep(job);
    } else if (state >= 8 && state <= 11) {
        listingStep(job);
    } else if (job.isDownload) {
        if (state >= 12 && state <= 16) {
            if (nextFileTest(*this))
                retrievalStep(*this);
            else
                finishDownloadSession(*this);
        }
    } else if (state == 22) {
        startUploadData(*this);
    } else {
        storingStep(*this);
    }
}

void Program::retryAfterSocketError(Job& job)
{
    if (job.isDownload)
        retryDownloadJob(*this);
    else
        retryUploadJob(*this, transfer.uploadFileIndex);
}
