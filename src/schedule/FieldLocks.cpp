#include "schedule/FieldLocks.h"

#include "schedule/Engine.h"

void lockDownloadFields(Engine& e) { e.view.setRowEnabled(JobKind::Download, false); }
void unlockDownloadFields(Engine& e) { e.view.setRowEnabled(JobKind::Download, true); }
void lockUploadFields(Engine& e) { e.view.setRowEnabled(JobKind::Upload, false); }
void unlockUploadFields(Engine& e) { e.view.setRowEnabled(JobKind::Upload, true); }
