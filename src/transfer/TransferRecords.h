#pragma once

#include <QString>

struct TransferContext;

// The traces every transferred file leaves: a line in the outcome log of its
// job, and, for a confirmed transfer under the duplicate check, its name in the
// job's name record.

inline const QString kPass = QStringLiteral("pass");
inline const QString kFail = QStringLiteral("fail");

// Records the outcome of downloadLastFile ("pass" or "fail").
void downloadRecordStep(TransferContext& context, const QString& status);
// Records "fail" for a listed name that is never retrieved.
void recordRefusedDownloadName(TransferContext& context, const QString& name);
// Records the outcome of uploadFileName; after a pass under "Delete After
// UpLoad" the local file is deleted.
void uploadRecordStep(TransferContext& context, const QString& status);
// Records uploadFileName as uploaded.
void uploadedNameRecord(TransferContext& context);

void loadDownloadedNames(TransferContext& context);
void loadUploadedNames(TransferContext& context);
