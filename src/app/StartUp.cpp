#include "app/StartUp.h"

#include "app/Program.h"
#include "app/SettingsStore.h"
#include "platform/Yield.h"
#include "transfer/TransferRecords.h"

#include <QDir>
#include <QFileInfo>

namespace {

// How long closing waits for the four sockets to report closed.
constexpr int kClosingSocketsWaitMs = 10'000;

void giveFreeSlotsDefaults(SiteColumns& site, const QString& hour)
{
    for (int slot = site.count + 1; slot <= kMaxSites; ++slot) {
        const size_t s = size_t(slot);
        site.hours[s] = hour;
        site.amPm[s] = QStringLiteral("AM");
        site.activeFlags[s] = QStringLiteral("0");
        site.dupeFlags[s] = QStringLiteral("1");
    }
}

// The folder "pather.log" names, or the current folder when it names none
// that exists.
QString workingFolder()
{
    const QString stored = readWorkPath();
    return !stored.isEmpty() && QFileInfo(stored).isDir() ? stored : QDir::currentPath();
}

void closeAllSockets(Form1& f)
{
    for (Winsock* socket : { &f.ftpclient1, &f.ftpclient2, &f.ftpclient1a, &f.ftpclient3 })
        socket->Close();
}

}

void startUp(Program& p)
{
    Form1& f = p.form;
    p.ui.downloadListIndex = -1;
    p.ui.uploadListIndex = -1;
    p.options.transferTypeCommand = QStringLiteral("TYPE I");
    p.options.fileSizeExistsOption = false;
    f.Timerg.setEnabled(false);
    f.Timerf.setEnabled(false);
    p.transfer.downloadVerifyGate = true;
    p.options.deleteAfterDownload = f.ai_del->isChecked();
    p.options.deleteAfterUpload = f.ai_del2->isChecked();
    p.options.recallPassword = true;
    p.schedule.downloadJobRunning = p.schedule.uploadJobRunning = false;
    p.session.appClosing = false;
    p.exitNowRequested = false;
    p.schedule.downloadStallTicks = p.schedule.uploadStallTicks = 0;
    p.session.recoveryInProgress = false;
    p.transfer.uploadFileIndex = 0;
    p.session.downloadState = 0;
    f.ftpclient1.Close();
    p.transfer.downloadDataIsFile = p.transfer.uploadDataIsFile = false;
    p.transfer.downloadCurrentFile = QStringLiteral("notdone");
    f.Timer3.setEnabled(false);
    f.Timer4.setEnabled(false);
    loadDownloadedNames(p);
    loadUploadedNames(p);
    p.ui.downloadActiveText = p.ui.uploadActiveText = QStringLiteral("InActive");
    for (int slot = 1; slot <= kMaxSites; ++slot) {
        p.sites.downloadLastRunDates[size_t(slot)] = QStringLiteral("20000101");
        p.sites.uploadLastRunDates[size_t(slot)] = QStringLiteral("20000101");
    }
    p.options.downloadDupeCheck = p.options.uploadDupeCheck = true;
    f.Check3->setChecked(true);
    f.Check4->setChecked(true);

    if (!QFileInfo::exists(QStringLiteral("pather.log"))) {
        p.workPath = QDir::currentPath();
        saveWorkPath(p);
    }
    p.workPath = workingFolder();
    f.File2.setPath(p.workPath);
    p.sites.downloadSiteCount = p.sites.uploadSiteCount = 0;
    f.Label15->setText(QStringLiteral("Working Path is ") + p.workPath);
    if (QFileInfo::exists(QStringLiteral("valuesd.log")) || QFileInfo::exists(QStringLiteral("valuesu.log")))
        loadSites(p);
    SiteColumns download = downloadSiteColumns(p.sites);
    SiteColumns upload = uploadSiteColumns(p.sites);
    giveFreeSlotsDefaults(download, QStringLiteral("1"));
    giveFreeSlotsDefaults(upload, QStringLiteral("3"));
    closeAllSockets(f);
}

bool closeRequested(Program& p)
{
    Form1& f = p.form;
    const bool idle = f.windowTitle() == QLatin1String("Tolvane - Idle");
    const bool jobRunning = p.schedule.downloadJobRunning || p.schedule.uploadJobRunning;
    if (!idle && jobRunning && !p.exitNowRequested)
        return false;
    p.session.appClosing = true;
    f.Timer1.setEnabled(false);
    f.Timerf.setEnabled(false);
    f.Timer2.setEnabled(false);
    closeAllSockets(f);
    yieldUntil([&f] {
        return f.ftpclient1.State() == 0 && f.ftpclient2.State() == 0 && f.ftpclient1a.State() == 0
            && f.ftpclient3.State() == 0;
    }, kClosingSocketsWaitMs);
    p.transfer.transferFile.close();
    saveSites(p);
    saveWorkPath(p);
    return true;
}
