#include "transfer/TransferFile.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

QString partnerPath(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".part"));
}

}

bool TransferFile::openForWriting(const QString& path)
{
    close();
    failedWrite = false;
    finalPath = path;
    file.setFileName(partnerPath(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return true;
    failedWrite = true;
    finalPath.clear();
    return false;
}

void TransferFile::write(const QByteArray& bytes)
{
    if (!file.isOpen() || !file.isWritable() || file.write(bytes) != bytes.size())
        failedWrite = true;
}

bool TransferFile::keepWritten()
{
    if (finalPath.isEmpty())
        return false;
    closeHandle();
    // rename() replaces an older copy in one step: there is no moment at which
    // neither the old nor the new file is there.
    if (failedWrite
        || std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(finalPath).constData()) != 0) {
        discardWritten();
        return false;
    }
    finalPath.clear();
    return true;
}

void TransferFile::discardWritten()
{
    closeHandle();
    if (finalPath.isEmpty())
        return;
    QFile::remove(file.fileName());
    finalPath.clear();
}

bool TransferFile::openForReading(const QString& path)
{
    close();
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
}

QByteArray TransferFile::readRecord(qint64 recordLength)
{
    return file.isOpen() ? file.read(recordLength) : QByteArray();
}

void TransferFile::close()
{
    discardWritten();
    closeHandle();
}

void TransferFile::closeHandle()
{
    if (!file.isOpen())
        return;
    const bool writing = file.isWritable();
    file.close();
    if (writing && file.error() != QFileDevice::NoError)
        failedWrite = true;
}
