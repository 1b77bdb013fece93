#include "schedule/Engine.h"

#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "ftp/TimedWait.h"
#include "schedule/ScheduleTick.h"
#include "schedule/Supervision.h"
#include "transfer/DataEvents.h"
#include "transfer/RetrievalLoop.h"
#include "transfer/StoringLoop.h"
#include "transfer/UploadDataPhase.h"

Engine::Engine(EngineView& view) : TransferContext(view)
{
    transferReply = [this](Job& job) {
        if (!job.isDownload) {
            if (job.state == ProtocolState::StoreAnswered)
                startUploadData(*this);
            else
                storingStep(*this);
        } else if (job.state <= ProtocolState::Retrieving) {
            if (nextFileTest(*this))
                retrievalStep(*this);
            else
                finishDownloadSession(*this);
        }
    };
    socketErrorInTransfer = [this](Job& job) {
        // An error that reaches a socket after its job has ended restarts
        // nothing: only the schedule starts jobs.
        if (job.isDownload && schedule.downloadJobRunning)
            retryDownloadJob(*this);
        else if (!job.isDownload && schedule.uploadJobRunning)
            retryUploadJob(*this, transfer.uploadFileIndex);
    };
    connectSocketEvents();
    connectTimerEvents();
}

void Engine::connectSocketEvents()
{
    auto wire = [this](Winsock& control, Winsock& data, Job (*bind)(SessionContext&)) {
        QObject::connect(&control, &Winsock::DataArrival, &control, [this, bind] {
            Job job = bind(*this);
            controlDataArrival(job);
        });
        QObject::connect(&control, &Winsock::Error, &control, [this, bind](int number) {
            Job job = bind(*this);
            controlError(job, number);
        });
        QObject::connect(&data, &Winsock::ConnectionRequest, &data, [this, bind](int requestID) {
            Job job = bind(*this);
            dataConnectionRequest(*this, job, requestID);
        });
        QObject::connect(&data, &Winsock::DataArrival, &data, [this, bind] {
            Job job = bind(*this);
            dataArrival(*this, job);
        });
        QObject::connect(&data, &Winsock::CloseEvent, &data, [this, bind] {
            Job job = bind(*this);
            dataPeerClosed(job);
        });
        QObject::connect(&data, &Winsock::Error, &data, [this, bind](int number) {
            Job job = bind(*this);
            dataError(job, number);
        });
    };
    wire(ftpclient1, ftpclient2, downloadJob);
    wire(ftpclient1a, ftpclient3, uploadJob);
    QObject::connect(&ftpclient3, &Winsock::SendProgress, &ftpclient3,
                     [this](int bytesSent) { uploadSendProgress(*this, bytesSent); });
    QObject::connect(&ftpclient3, &Winsock::SendComplete, &ftpclient3, [this] { uploadSendComplete(*this); });
}

void Engine::connectTimerEvents()
{
    QObject::connect(&Timerf, &Timer::Tick, &Timerf, [this] { countWaitSecond(session.downloadWaitSeconds); });
    QObject::connect(&Timerg, &Timer::Tick, &Timerg, [this] { countWaitSecond(session.uploadWaitSeconds); });
    QObject::connect(&Timer1, &Timer::Tick, &Timer1, [this] { downloadScheduleTick(*this); });
    QObject::connect(&Timer2, &Timer::Tick, &Timer2, [this] { uploadScheduleTick(*this); });
    QObject::connect(&Timer3, &Timer::Tick, &Timer3, [this] { downloadSupervisionTick(*this); });
    QObject::connect(&Timer4, &Timer::Tick, &Timer4, [this] { uploadSupervisionTick(*this); });
}
