#include "support/MonthSites.h"

#include "support/DuePlan.h"
#include "support/FileBytes.h"
#include "support/RealFtpServer.h"

#include "config/SettingsFiles.h"

#include <QDateTime>
#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int kFileBytes = 4096;

QString folderOf(JobKind kind, int slot)
{
    return QStringLiteral("%1%2").arg(kind == JobKind::Download ? QStringLiteral("in") : QStringLiteral("out"))
        .arg(slot, 2, 10, QLatin1Char('0'));
}

// Unique over a run: the site, the hour it is due in and the file's number.
QString newFileName(JobKind kind, int slot, qint64 hourMs, int number)
{
    const QString hour = QDateTime::fromMSecsSinceEpoch(hourMs, Qt::UTC).toString(QStringLiteral("yyyyMMddhh"));
    return QStringLiteral("%1_%2_%3.%4").arg(folderOf(kind, slot), hour).arg(number)
        .arg(kind == JobKind::Download ? QStringLiteral("dat") : QStringLiteral("txt"));
}

// The hour of the day as a site's time holds it: "12" and "AM" for midnight.
void setSiteTime(SiteColumns& site, int slot, int hourOfDay)
{
    site.hours[size_t(slot)] = QString::number(hourOfDay % 12 == 0 ? 12 : hourOfDay % 12);
    site.amPm[size_t(slot)] = hourOfDay < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
}

}

QString MonthSites::setUp() const
{
    // The servers act as the account their start made, which must own a
    // folder to store into it and delete from it.
    const passwd* account = ::getpwnam(qPrintable(odd.user()));
    if (!account)
        return QStringLiteral("no account ") + odd.user();
    SiteTables tables;
    for (const JobKind kind : { JobKind::Download, JobKind::Upload }) {
        SiteColumns site = kind == JobKind::Download ? downloadSiteColumns(tables) : uploadSiteColumns(tables);
        for (int slot = 1; slot <= kSitesPerJob; ++slot) {
            const RealFtpServer& server = serverOf(slot);
            const QString folder = folderOf(kind, slot);
            const QString path = QDir(server.rootPath()).filePath(folder);
            if (!QDir().mkpath(path) || ::chown(QFile::encodeName(path).constData(), account->pw_uid, account->pw_gid) != 0)
                return QStringLiteral("cannot make the folder ") + path;
            putSite(site, slot, { server.host(), server.user(), server.password(), QLatin1Char('/') + folder,
                                  QString::number(server.port()),
                                  kind == JobKind::Download ? QStringLiteral("*.dat") : QStringLiteral("*.txt"),
                                  QStringLiteral("1"), QStringLiteral("1"), {}, {} });
            setSiteTime(site, slot, DuePlan::hourOfDay(slot));
        }
        site.count = kSitesPerJob;
        if (!saveSiteTable(site, kind == JobKind::Download ? kDownloadSiteFile : kUploadSiteFile, true))
            return QStringLiteral("cannot write the site files");
    }
    return {};
}

void MonthSites::putNewFiles(JobKind kind, int slot, qint64 hourMs, const QString& workPath) const
{
    const QByteArray bytes(kFileBytes, 'x');
    for (int number = 1; number <= kFilesPerDue; ++number) {
        const QString name = newFileName(kind, slot, hourMs, number);
        if (kind == JobKind::Download)
            serverOf(slot).putFile((folderOf(kind, slot) + QLatin1Char('/') + name).toLatin1(), bytes);
        else
            writeFileBytes(QDir(workPath).filePath(name), bytes);
    }
}

void MonthSites::moveEverySiteTo(SiteTables& sites, int hourOfDay)
{
    for (SiteColumns site : { downloadSiteColumns(sites), uploadSiteColumns(sites) }) {
        for (int slot = 1; slot <= site.count; ++slot)
            setSiteTime(site, slot, hourOfDay);
    }
}
