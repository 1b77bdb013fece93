#pragma once

#include "transfer/NameRecord.h"
#include "transfer/TransferFile.h"

#include <QByteArray>
#include <QSet>
#include <QString>

// The variables of the data connections and of the retrieval and storing loops.
struct TransferVars {
    // Retrieval loop.
    QString downloadLastFile;
    int downloadExpectedSize = -1;
    bool downloadVerifyGate = true;
    // The server connected for the file whose RETR went out last.
    bool downloadDataConnected = false;
    // The last file verified passed every check, so deleting it on the server
    // is allowed.
    bool downloadLastFilePassed = false;
    // Where the file whose commands are under way starts in the listing, and
    // where the entry after it starts (LIST mode: its entry index). A retry
    // goes back to the file, or on past it, from these, whatever the picker
    // has scanned since.
    int downloadFileScanStart = 1;
    int downloadFileScanNext = 1;
    int downloadFileEntryNext = 0;
    int listingScanPosition = 1;
    int listingScanStart = 1;
    int listingEntryIndex = 0;
    int listingLastIndex = -1;
    // The file a restart after a failed file resumes at, or just past: found
    // by its name in the new listing, since under "Delete After DownLoad" the
    // listing no longer holds the files deleted since the last one was read.
    // Where the name is no longer listed, the restart's positions serve.
    QString downloadResumeName;
    bool downloadResumePastName = false;
    // The session's first pick looks for the restart's file by its name.
    bool downloadResumeByName = false;

    // Storing loop.
    int uploadFileIndex = 0;
    QString uploadFileName;
    qint64 uploadFileLength = 0;
    QByteArray uploadChunkBuffer;
    QByteArray uploadChunk;
    // The reply to the listing's PORT has arrived: the control connection is
    // in step with the session, so the storing phase may begin.
    bool uploadReadyToStore = false;
    // All of the file went out and its data connection was closed; the
    // server's reply to that decides whether it was stored.
    bool uploadAwaitingConfirmation = false;
    // Counts every step of the storing phase, so the job can tell a phase that
    // moves from one that has stalled.
    int uploadActivity = 0;

    // The names recorded "fail" in this job, its restarts included: a file
    // that fails again in a restart gets no second line.
    QSet<QString> downloadFailedNames;
    QSet<QString> uploadFailedNames;

    TransferFile transferFile;
    NameRecord downloadedNames { QStringLiteral("filename2.log") };
    NameRecord uploadedNames { QStringLiteral("fileupl1.log") };
};
