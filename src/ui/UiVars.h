#pragma once

// The values of the rows' site lists, field handlers and dialogs.
struct UiVars {
    int downloadListIndex = -1;
    int uploadListIndex = -1;
    bool downloadFieldsLoading = false;
    bool uploadFieldsLoading = false;
    bool timeDialogForDownload = true;
};
