#include "transfer/LocalPaths.h"

#include <QDir>
#include <QFile>

QString folderWithoutSlash(const QString& path)
{
    if (path.endsWith(QLatin1Char('\\')) || path.endsWith(QLatin1Char('/')))
        return path.left(path.size() - 1);
    return path;
}

QString localFilePath(const QString& workPath, const QString& fileName)
{
    return folderWithoutSlash(workPath) + QDir::separator() + QFile::decodeName(fileName.toLatin1());
}
