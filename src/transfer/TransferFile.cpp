#include "transfer/TransferFile.h"

bool TransferFile::openForWriting(const QString& path)
{
    close();
    failedWrite = false;
    file.setFileName(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return true;
    failedWrite = true;
    return false;
}

void TransferFile::write(const QByteArray& bytes)
{
    if (!file.isOpen() || !file.isWritable() || file.write(bytes) != bytes.size())
        failedWrite = true;
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
    if (!file.isOpen())
        return;
    const bool writing = file.isWritable();
    file.close();
    if (writing && file.error() != QFileDevice::NoError)
        failedWrite = true;
}
