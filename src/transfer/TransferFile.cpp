#include "transfer/TransferFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The longest file name, in bytes, that the usual file systems take.
constexpr qsizetype kMaxNameBytes = 255;
// Partner names tried before giving up on a folder full of them.
constexpr int kPartnerAttempts = 100;

// ".NAME.part", then ".NAME.1.part" and on, in the file's folder, with NAME
// cut short when the whole would be too long for the file system.
QByteArray partnerPath(const QByteArray& path, int attempt)
{
    const qsizetype nameStart = path.lastIndexOf('/') + 1;
    const QByteArray suffix = attempt == 0 ? QByteArray(".part") : '.' + QByteArray::number(attempt) + ".part";
    return path.left(nameStart) + '.' + path.mid(nameStart).left(kMaxNameBytes - 1 - suffix.size()) + suffix;
}

}

// The partner is always a new file: whatever already bears its name (an older
// partner, or a file downloaded earlier that is named like one) stays as it
// was.
bool TransferFile::openForWriting(const QByteArray& path)
{
    close();
    failedWrite = false;
    for (int attempt = 0; attempt < kPartnerAttempts; ++attempt) {
        const QByteArray partner = partnerPath(path, attempt);
        const int descriptor = ::open(partner.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno == EEXIST)
            continue;
        if (descriptor < 0)
            break;
        if (!file.open(descriptor, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            ::close(descriptor);
            ::unlink(partner.constData());
            break;
        }
        partnerFile = partner;
        finalPath = path;
        return true;
    }
    failedWrite = true;
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
    if (failedWrite || std::rename(partnerFile.constData(), finalPath.constData()) != 0) {
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
    ::unlink(partnerFile.constData());
    finalPath.clear();
}

bool TransferFile::openForReading(const QByteArray& path)
{
    close();
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    if (file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(descriptor);
    return false;
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
