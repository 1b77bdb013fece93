#include "transfer/LocalPaths.h"

#include "platform/ClockTexts.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

QString folderWithoutSlash(const QString& path)
{
    if (path.endsWith(QLatin1Char('\\')) || path.endsWith(QLatin1Char('/')))
        return path.left(path.size() - 1);
    return path;
}

QByteArray localFilePath(const QString& workPath, const QString& fileName)
{
    return QFile::encodeName(folderWithoutSlash(workPath)) + '/' + fileName.toLatin1();
}

QString datedName(const QDate& today, bool stamped, const QString& name)
{
    return stamped ? dateDigits(today) + QLatin1Char('_') + name : name;
}

qint64 localFileSize(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 ? qint64(info.st_size) : -1;
}

bool removeLocalFile(const QByteArray& path)
{
    return ::unlink(path.constData()) == 0;
}
