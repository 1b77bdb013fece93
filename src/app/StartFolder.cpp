#include "app/StartFolder.h"

#include "app/StandardStreams.h"

#include <QDir>
#include <QStandardPaths>

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool enterStartFolder(const QString& folder)
{
    if (folder.isEmpty())
        return true;
    if (!QDir().mkpath(folder)) {
        printProblem(QStringLiteral("cannot create the folder %1").arg(folder));
        return false;
    }
    if (!QDir::setCurrent(folder)) {
        printProblem(QStringLiteral("cannot start in the folder %1").arg(folder));
        return false;
    }
    return true;
}
