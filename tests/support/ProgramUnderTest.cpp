#include "support/ProgramUnderTest.h"

#include "app/StartUp.h"
#include "platform/TimeScale.h"

#include <QDir>

namespace {

void pointSite(SiteColumns site, const SiteLogin& login, QLineEdit* patternField, QLineEdit* portField)
{
    // The fields first: their handlers' completeness check marks the current
    // site inactive while the row's other fields are empty, and site 1 is not
    // current yet.
    patternField->setText(login.pattern);
    portField->setText(QString::number(login.port));
    site.hosts[1] = login.host;
    site.ports[1] = QString::number(login.port);
    site.users[1] = login.user;
    site.passwords[1] = login.password;
    site.paths[1] = login.path;
    site.patterns[1] = login.pattern;
    site.count = 1;
    site.index = 1;
}

}

ProgramUnderTest::ProgramUnderTest(double timeScale)
{
    TimeScale::set(timeScale);
    program.messages.recordInsteadOfShowing();
    startUp(program);
    QDir(folder.path()).mkdir(QStringLiteral("work"));
    program.workPath = folder.file(QStringLiteral("work"));
    program.form.File2.setPath(program.workPath);
}

QString ProgramUnderTest::workFile(const QString& name) const
{
    return QDir(program.workPath).filePath(name);
}

void pointDownloadSite(Program& p, const SiteLogin& login)
{
    pointSite(downloadSiteColumns(p.sites), login, p.form.Text7, p.form.Text9);
}

void pointUploadSite(Program& p, const SiteLogin& login)
{
    pointSite(uploadSiteColumns(p.sites), login, p.form.Text8, p.form.Text10);
}
