#include "support/EngineUnderTest.h"

#include "platform/TimeScale.h"
#include "schedule/StartUpShutdown.h"

#include <QDir>

namespace {

void pointSite(SiteColumns site, RowFields& fields, const SiteLogin& login)
{
    const QString port = QString::number(login.port);
    fields = { login.host, login.user, login.password, login.path, login.pattern, port, fields.retries };
    site.hosts[1] = login.host;
    site.ports[1] = port;
    site.users[1] = login.user;
    site.passwords[1] = login.password;
    site.paths[1] = login.path;
    site.patterns[1] = login.pattern;
    site.count = 1;
    site.index = 1;
}

}

EngineUnderTest::EngineUnderTest(double timeScale)
{
    TimeScale::set(timeScale);
    startUp(engine);
    QDir(folder.path()).mkdir(QStringLiteral("work"));
    engine.workPath = folder.file(QStringLiteral("work"));
    engine.File2.setPath(engine.workPath);
}

QString EngineUnderTest::workFile(const QString& name) const
{
    return QDir(engine.workPath).filePath(name);
}

void pointDownloadSite(Engine& e, const SiteLogin& login)
{
    pointSite(downloadSiteColumns(e.sites), e.downloadFields, login);
}

void pointUploadSite(Engine& e, const SiteLogin& login)
{
    pointSite(uploadSiteColumns(e.sites), e.uploadFields, login);
}
