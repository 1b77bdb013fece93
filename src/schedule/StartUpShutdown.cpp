#include "schedule/StartUpShutdown.h"

#include "config/SettingsFiles.h"
#include "platform/Yield.h"
#include "schedule/Engine.h"
#include "schedule/ErrorLogs.h"
#include "transfer/TransferRecords.h"

#include <QDir>
#include <QFileInfo>

namespace {

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

void closeAllSockets(Engine& e)
{
    for (Winsock* socket : { &e.ftpclient1, &e.ftpclient2, &e.ftpclient1a, &e.ftpclient3 })
        socket->Close();
}

// Each file is read on its own: a fault in one never keeps the other's sites
// out (they would be lost at the next save). Unattended, the operator learns
// of a file that did not load whole from the job's error log.
bool loadSites(Engine& e)
{
    SiteColumns download = downloadSiteColumns(e.sites);
    SiteColumns upload = uploadSiteColumns(e.sites);
    const bool downloadRead = loadSiteTable(download, kDownloadSiteFile);
    const bool uploadRead = loadSiteTable(upload, kUploadSiteFile);
    if (!downloadRead)
        logDownloadError(e, QStringLiteral("Invalid Site File"));
    if (!uploadRead)
        logUploadError(e, QStringLiteral("Invalid Site File"));
    return downloadRead && uploadRead;
}

}

bool startUp(Engine& e)
{
    for (Timer* timer : { &e.Timer1, &e.Timer2, &e.Timer3, &e.Timer4, &e.Timerf, &e.Timerg })
        timer->setEnabled(false);
    closeAllSockets(e);
    loadDownloadedNames(e);
    loadUploadedNames(e);
    for (int slot = 1; slot <= kMaxSites; ++slot) {
        e.sites.downloadLastRunDates[size_t(slot)] = QStringLiteral("20000101");
        e.sites.uploadLastRunDates[size_t(slot)] = QStringLiteral("20000101");
    }
    if (!QFileInfo::exists(kWorkPathFile))
        saveWorkPath(QDir::currentPath());
    e.workPath = workingFolder();
    e.File2.setPath(e.workPath);
    const bool sitesRead = loadSites(e);
    SiteColumns download = downloadSiteColumns(e.sites);
    SiteColumns upload = uploadSiteColumns(e.sites);
    giveFreeSlotsDefaults(download, QStringLiteral("1"));
    giveFreeSlotsDefaults(upload, QStringLiteral("3"));
    return sitesRead;
}

void useFirstSites(Engine& e)
{
    for (const auto& [site, fields] : { std::pair { downloadSiteColumns(e.sites), &e.downloadFields },
                                        std::pair { uploadSiteColumns(e.sites), &e.uploadFields } }) {
        if (site.count < 1)
            continue;
        site.index = 1;
        *fields = { site.hosts[1], site.users[1], site.passwords[1], site.paths[1], site.patterns[1], site.ports[1],
                    fields->retries };
    }
}

void shutDown(Engine& e)
{
    e.session.appClosing = true;
    e.Timer1.setEnabled(false);
    e.Timerf.setEnabled(false);
    e.Timer2.setEnabled(false);
    closeAllSockets(e);
    yieldUntil([&e] {
        return e.ftpclient1.State() == 0 && e.ftpclient2.State() == 0 && e.ftpclient1a.State() == 0
            && e.ftpclient3.State() == 0;
    }, kClosingSocketsWaitMs);
    e.transfer.transferFile.close();
    saveSiteTable(downloadSiteColumns(e.sites), kDownloadSiteFile, e.options.recallPassword);
    saveSiteTable(uploadSiteColumns(e.sites), kUploadSiteFile, e.options.recallPassword);
    saveWorkPath(e.workPath);
}
