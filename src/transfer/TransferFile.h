#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The one local file of a transfer, shared by both jobs: a file being retrieved
// is written through it, a file being stored is read through it. Every step
// closes it before opening it again.
class TransferFile {
public:
    // Creates or empties the file and opens it for writing. False when it
    // cannot be created.
    bool openForWriting(const QString& path);
    // Writes the bytes at the end; a failed or short write is remembered.
    void write(const QByteArray& bytes);
    // Some bytes given to write did not reach the file.
    bool writeFailed() const { return failedWrite; }

    bool openForReading(const QString& path);
    qint64 size() const { return file.size(); }
    bool atEnd() const { return file.atEnd(); }
    // The next record of at most recordLength bytes.
    QByteArray readRecord(qint64 recordLength);

    void close();

private:
    QFile file;
    bool failedWrite = false;
};
