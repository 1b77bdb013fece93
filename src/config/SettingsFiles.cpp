#include "config/SettingsFiles.h"

#include "platform/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool loadSiteTable(SiteColumns& table, const QString& fileName)
{
    table.count = 0;
    const auto lines = readLines(fileName);
    if (!lines)
        return true;
    for (const QByteArray& line : *lines) {
        const auto site = parseSiteLine(line);
        if (table.count >= kMaxSites || !site) {
            QFile::remove(fileName + QStringLiteral(".bad"));
            QFile::copy(fileName, fileName + QStringLiteral(".bad"));
            return false;
        }
        ++table.count;
        putSite(table, table.count, *site);
    }
    return true;
}

bool saveSiteTable(const SiteColumns& table, const QString& fileName, bool recallPassword)
{
    QList<QByteArray> lines;
    for (int slot = 1; slot <= table.count; ++slot)
        lines.append(siteLine(siteAt(table, slot), recallPassword));
    QSaveFile file(fileName);
    return writeSettingsFile(file, lines);
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

QString readWorkPath()
{
    const auto lines = readLines(kWorkPathFile);
    if (!lines || lines->isEmpty())
        return {};
    return parseWorkPathLine(lines->first()).value_or(QString());
}

bool saveWorkPath(const QString& folder)
{
    QSaveFile file(kWorkPathFile);
    return writeSettingsFile(file, { workPathLine(folder) });
}

QString settingsFolderProblem()
{
    const QString folder = QDir::currentPath();
    const QFileInfo info(folder);
    if (!info.isReadable() || !info.isExecutable())
        return QStringLiteral("cannot read the settings folder %1").arg(folder);
    if (!info.isWritable())
        return QStringLiteral("cannot write into the settings folder %1, where closing saves the settings").arg(folder);
    for (const QString& name : { kDownloadSiteFile, kUploadSiteFile, kWorkPathFile }) {
        QFile file(name);
        if (!file.exists())
            continue;
        const QString path = QDir(folder).filePath(name);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read the settings file %1: %2").arg(path, file.errorString());
        // A save never replaces a file its owner may not write.
        if (!QFileInfo(name).isWritable())
            return QStringLiteral("cannot write the settings file %1, which closing saves").arg(path);
    }
    return {};
}
