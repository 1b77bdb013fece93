#pragma once

#include <QString>

// The variables of the data connections and of the retrieval and storing loops.
struct TransferVars {
    bool downloadDataIsFile = false;
    bool uploadDataIsFile = false;
    QString downloadCurrentFile = QStringLiteral("notdone");
    bool downloadFileInProgress = false;
    int uploadFileIndex = 0;
};
