#pragma once

#include <QString>

// The run-time options of both jobs. The menu's check marks show them; the
// jobs read them here. They are not saved: every start begins here.
struct Options {
    QString transferTypeCommand = QStringLiteral("TYPE I");
    bool deleteAfterDownload = false;
    bool deleteAfterUpload = false;
    bool recallPassword = true;
    bool fileSizeExistsOption = false;
    bool downloadDupeCheck = true;
    bool uploadDupeCheck = true;
    // The menu items whose check the jobs read, under their names: NLST
    // rather than LIST, the dated remote and local names, and every-hour mode.
    bool ai_nlst = true;
    bool ai_dstamp = false;
    bool ai_ustamp = false;
    bool ai_hr = false;
};
