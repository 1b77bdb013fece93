#include "transfer/TransferRecords.h"

#include "platform/ClockTexts.h"
#include "platform/TextFiles.h"
#include "transfer/LocalPaths.h"
#include "transfer/TransferContext.h"

#include <QFile>

namespace {

const QString kDownloadOutcomeLog = QStringLiteral("dl_file_size.log");
const QString kUploadOutcomeLog = QStringLiteral("fileupl.log");

void appendOutcome(TransferContext& p, JobKind job, const QString& host, const QString& name, const QString& size,
                   const QString& status)
{
    const QDateTime now = p.clock.now();
    const QString line = QStringList { dateWithSlashes(now.date()), timeWithColonsAmPm(now.time()), host, name, size,
                                       status }.join(QLatin1Char(' '));
    appendLine(job == JobKind::Download ? kDownloadOutcomeLog : kUploadOutcomeLog, line.toLatin1());
    p.view.fileRecorded(job, line);
}

// Whether this is the job's first "fail" for the name; it is noted.
bool firstFailure(QSet<QString>& failedNames, const QString& name)
{
    const qsizetype before = failedNames.size();
    failedNames.insert(name);
    return failedNames.size() > before;
}

QString downloadHost(TransferContext& p)
{
    return downloadSiteColumns(p.sites).current(p.sites.downloadHosts);
}

}

void downloadRecordStep(TransferContext& p, const QString& status)
{
    TransferVars& t = p.transfer;
    if (t.downloadLastFile.isEmpty() || (status == kFail && !firstFailure(t.downloadFailedNames, t.downloadLastFile)))
        return;
    QString size;
    if (status == kPass) {
        if (p.options.downloadDupeCheck)
            t.downloadedNames.record(t.downloadLastFile);
        size = QString::number(p.fText6);
    } else {
        size = t.downloadExpectedSize > -1 ? QString::number(t.downloadExpectedSize)
                                           : QStringLiteral("Unknown File Size");
    }
    appendOutcome(p, JobKind::Download, downloadHost(p), t.downloadLastFile, size, status);
}

void recordRefusedDownloadName(TransferContext& p, const QString& name)
{
    if (!firstFailure(p.transfer.downloadFailedNames, name))
        return;
    appendOutcome(p, JobKind::Download, downloadHost(p), name, QStringLiteral("Unknown File Size"), kFail);
}

void uploadRecordStep(TransferContext& p, const QString& status)
{
    TransferVars& t = p.transfer;
    if (status == kFail && !firstFailure(t.uploadFailedNames, t.uploadFileName))
        return;
    appendOutcome(p, JobKind::Upload, uploadSiteColumns(p.sites).current(p.sites.uploadHosts),
                  t.uploadFileName, QString::number(t.uploadFileLength), status);
    if (status == kPass && p.options.deleteAfterUpload)
        removeLocalFile(localFilePath(p.workPath, t.uploadFileName));
}

void uploadedNameRecord(TransferContext& p)
{
    p.transfer.uploadedNames.record(p.transfer.uploadFileName);
}

void loadDownloadedNames(TransferContext& p)
{
    p.transfer.downloadedNames.load();
}

void loadUploadedNames(TransferContext& p)
{
    p.transfer.uploadedNames.load();
}
