#pragma once

#include <QString>

// The values of the rows' site lists, field handlers and dialogs.
struct UiVars {
    int downloadListIndex = -1;
    int uploadListIndex = -1;
    bool downloadFieldsLoading = false;
    bool uploadFieldsLoading = false;
    QString downloadActiveText = QStringLiteral("InActive");
    QString uploadActiveText = QStringLiteral("InActive");
    bool timeDialogForDownload = true;
};
