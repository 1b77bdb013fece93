#pragma once

#include "ftp/SessionContext.h"
#include "platform/Clock.h"
#include "platform/FileListBox.h"
#include "platform/HiddenFields.h"
#include "transfer/EngineView.h"
#include "transfer/TransferVars.h"

#include <QString>

// What the retrieval and storing loops work with besides the control
// sessions: their variables, the working folder and its file list, the
// LIST-mode names, the byte counts of the file in transfer, the clock and the
// view that shows what they do.
struct TransferContext : SessionContext {
    explicit TransferContext(EngineView& view) : view(view) {}

    EngineView& view;
    Clock clock;
    TransferVars transfer;
    QString workPath;
    // The working folder's files that match the upload pattern.
    FileListBox File2;
    // The names of a LIST-mode listing.
    HiddenList Combo1;
    // "Bytes Rec" and "Bytes Sent": the bytes of the file in transfer.
    qint64 fText6 = 0;
    qint64 fText6b = 0;
    // Supervision ticks since the last sign of progress.
    int downloadStallTicks = 0;
    int uploadStallTicks = 0;
    // The caption prefix the loops show while files move.
    QString transferCaptionPrefix;
    // The window's caption as last set: "Tolvane - Idle" once nothing runs.
    QString caption = QStringLiteral("Tolvane");

    void setCaption(const QString& text)
    {
        caption = text;
        view.showCaption(text);
    }
};
