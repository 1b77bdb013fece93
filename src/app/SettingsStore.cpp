#include "app/SettingsStore.h"

#include "app/Program.h"
#include "config/SettingsFormat.h"
#include "platform/TextFiles.h"
#include "schedule/ErrorLogs.h"
#include "ui/Row.h"
#include "ui/SiteList.h"

#include <QFile>
#include <QSaveFile>

namespace {

const QString kDownloadSites = QStringLiteral("valuesd.log");
const QString kUploadSites = QStringLiteral("valuesu.log");
const QString kWorkPathFile = QStringLiteral("pather.log");

// Reads one site file into the row's table and host list. False when the
// file held something that is not a site (or a 201st site).
bool loadTable(Row& row, const QString& fileName)
{
    row.site.count = 0;
    const auto lines = readLines(fileName);
    if (!lines)
        return true;
    for (const QByteArray& line : *lines) {
        const auto site = parseSiteLine(line);
        if (row.site.count >= kMaxSites || !site) {
            QFile::remove(fileName + QStringLiteral(".bad"));
            QFile::copy(fileName, fileName + QStringLiteral(".bad"));
            return false;
        }
        ++row.site.count;
        putSite(row.site, row.site.count, *site);
        row.hostList->addItem(site->host);
    }
    return true;
}

void fillRowFromFirstSite(Row& row)
{
    if (row.site.count < 1)
        return;
    row.coveredHost->setText(row.site.hosts[1]);
    row.user->setText(row.site.users[1]);
    row.password->setText(row.site.passwords[1]);
    row.path->setText(row.site.paths[1]);
    row.pattern->setText(row.site.patterns[1]);
    row.port->setText(row.site.ports[1]);
    selectHost(row, 0);
}

bool saveTable(const Row& row, const QString& fileName, bool recallPassword)
{
    QList<QByteArray> lines;
    for (int slot = 1; slot <= row.site.count; ++slot)
        lines.append(siteLine(siteAt(row.site, slot), recallPassword));
    QSaveFile file(fileName);
    return writeSettingsFile(file, lines);
}

}

SiteRecord siteAt(const SiteColumns& site, int slot)
{
    const size_t s = size_t(slot);
    return { site.hosts[s], site.users[s], site.passwords[s], site.paths[s], site.ports[s], site.patterns[s],
             site.dupeFlags[s], site.activeFlags[s], site.hours[s], site.amPm[s] };
}

void putSite(SiteColumns& site, int slot, const SiteRecord& r)
{
    const size_t s = size_t(slot);
    site.hosts[s] = r.host;
    site.users[s] = r.user;
    site.passwords[s] = r.password;
    site.paths[s] = r.path;
    site.ports[s] = r.port;
    site.patterns[s] = r.pattern;
    site.dupeFlags[s] = r.dupeFlag;
    site.activeFlags[s] = r.activeFlag;
    site.hours[s] = r.hour;
    site.amPm[s] = r.amPm;
}

void loadSites(Program& p)
{
    Row download = downloadRow(p);
    Row upload = uploadRow(p);
    // Each file is read on its own: a fault in one never keeps the other's
    // sites out (they would be lost at the next save).
    const bool downloadRead = loadTable(download, kDownloadSites);
    const bool uploadRead = loadTable(upload, kUploadSites);
    // Unattended, the operator learns of a site file that did not load whole
    // from the job's error log; the file itself is kept beside as ".bad".
    if (!downloadRead)
        logDownloadError(p, QStringLiteral("Invalid Site File"));
    if (!uploadRead)
        logUploadError(p, QStringLiteral("Invalid Site File"));
    // A list selects the first host added to it by itself; no site is current
    // until its row is filled, and a host shown over empty fields would take
    // edits that no site receives.
    download.hostList->setCurrentIndex(-1);
    upload.hostList->setCurrentIndex(-1);
    if (!downloadRead || !uploadRead)
        return;
    fillRowFromFirstSite(download);
    fillRowFromFirstSite(upload);
}

bool saveSites(Program& p)
{
    const bool downloadSaved = saveTable(downloadRow(p), kDownloadSites, p.options.recallPassword);
    const bool uploadSaved = saveTable(uploadRow(p), kUploadSites, p.options.recallPassword);
    return downloadSaved && uploadSaved;
}

QString readWorkPath()
{
    const auto lines = readLines(kWorkPathFile);
    if (!lines || lines->isEmpty())
        return {};
    return parseWorkPathLine(lines->first()).value_or(QString());
}

bool saveWorkPath(Program& p)
{
    QSaveFile file(kWorkPathFile);
    return writeSettingsFile(file, { workPathLine(p.workPath) });
}
