#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The one local file of a transfer, shared by both jobs: a file being retrieved
// is written through it, a file being stored is read through it. Every step
// closes it before opening it again.
//
// A retrieved file is written into a hidden partner file beside its name and
// takes its name only once the transfer is confirmed, so a failed retrieval
// never empties or cuts short an older copy under that name.
class TransferFile {
public:
    // Creates a new, empty partner file for the given path, never one that
    // exists already. The path is the file system's bytes, so a name that is
    // not valid UTF-8 keeps them. False when no partner can be created.
    bool openForWriting(const QByteArray& path);
    // Writes the bytes at the end; a failed or short write is remembered.
    void write(const QByteArray& bytes);
    // Gives the written file its name, replacing an older copy. False when the
    // file was not written whole or cannot be moved; it is then discarded.
    bool keepWritten();
    // Removes what was written; an older copy under the name stays as it was.
    void discardWritten();

    // Opens the file at a byte path for reading.
    bool openForReading(const QByteArray& path);
    qint64 size() const { return file.size(); }
    bool atEnd() const { return file.atEnd(); }
    // The next record of at most recordLength bytes.
    QByteArray readRecord(qint64 recordLength);

    // Closes the handle; a written file not yet kept is discarded.
    void close();

private:
    void closeHandle();

    QFile file;
    QByteArray partnerFile;
    QByteArray finalPath;  // set while a written file waits to be kept or discarded
    bool failedWrite = false;
};
