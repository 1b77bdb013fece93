#include "app/Program.h"

#include "app/StartUp.h"

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
#include "ui/DoubleClick.h"
#include "ui/FieldValidation.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/MenuCommands.h"
#include "ui/Row.h"
#include "ui/SiteList.h"

Program::Program()
{
    connectSocketEvents();
    connectTimerEvents();
    connectRowEvents(true);
    connectRowEvents(false);
    connectWindowEvents();
    connectMenuCommands(*this);
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
        QObject::connect(&data, &Winsock::CloseEvent, &form, [this, bind] {
            Job job = bind(*this);
            dataPeerClosed(job);
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

void Program::connectRowEvents(bool download)
{
    const Row row = download ? downloadRow(*this) : uploadRow(*this);
    auto bind = [this, download] { return download ? downloadRow(*this) : uploadRow(*this); };
    const QList<std::pair<QLineEdit*, RowField>> fields {
        { row.coveredHost, RowField::Host }, { row.user, RowField::User }, { row.password, RowField::Password },
        { row.path, RowField::Path }, { row.pattern, RowField::Pattern }, { row.port, RowField::Port } };
    for (const auto& [edit, field] : fields) {
        QObject::connect(edit, &QLineEdit::textChanged, &form, [bind, field = field] {
            Row r = bind();
            rowFieldChanged(r, field);
        });
    }
    QLineEdit* retries = row.retries;
    QObject::connect(retries, &QLineEdit::textChanged, &form, [retries] { retriesChanged(retries); });
    QObject::connect(row.jobSwitch, &QCheckBox::toggled, &form, [bind] {
        Row r = bind();
        jobSwitchClicked(r);
    });
    QObject::connect(row.dupeBox, &QCheckBox::toggled, &form, [bind] {
        Row r = bind();
        dupeBoxChanged(r);
    });
    // Only the operator's own typing and picking arrive here; the program
    // raises the same handling itself through setHostText and selectHost.
    QObject::connect(row.hostList->lineEdit(), &QLineEdit::textEdited, &form, [bind](const QString& text) {
        Row r = bind();
        hostTextChanged(r, text);
    });
    QObject::connect(row.hostList, &QComboBox::activated, &form, [bind] {
        Row r = bind();
        hostPicked(r);
    });
    onDoubleClick(row.scheduleDisplay, [this, bind, download] {
        const Row r = bind();
        if (r.hostList->currentText().isEmpty() || r.site.count < 1)
            return;
        ui.timeDialogForDownload = download;
        showTimeDialog(*this);
    });
}

void Program::connectWindowEvents()
{
    onDoubleClick(form.Label15, [this] { showPathDialog(*this); });
    form.closeRequest = [this] {
        if (!closeRequested(*this))
            return false;
        if ((schedule.downloadJobRunning || schedule.uploadJobRunning) && endWhileJobRuns)
            endWhileJobRuns();
        return true;
    };
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
    // An error that reaches a socket after its job has ended restarts nothing:
    // only the schedule starts jobs.
    if (job.isDownload && schedule.downloadJobRunning)
        retryDownloadJob(*this);
    else if (!job.isDownload && schedule.uploadJobRunning)
        retryUploadJob(*this, transfer.uploadFileIndex);
}
