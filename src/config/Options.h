#pragma once

#include <QString>

// Run-time options of both jobs that live in values rather than in the check
// marks of their menu items. They are not saved: every start begins here.
struct Options {
    QString transferTypeCommand = QStringLiteral("TYPE I");
    bool deleteAfterDownload = false;
    bool deleteAfterUpload = false;
    bool recallPassword = true;
    bool fileSizeExistsOption = false;
    bool downloadDupeCheck = true;
    bool uploadDupeCheck = true;
};
