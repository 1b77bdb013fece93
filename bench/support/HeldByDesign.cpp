#include "support/HeldByDesign.h"

#include "support/Measure.h"

#include "schedule/Engine.h"

qint64 heldByDesignBytes(const Engine& engine)
{
    TransferVars freshNames;
    FileListBox freshList;
    const qint64 before = footprintNow().mallocInUseBytes;
    freshNames.downloadedNames.load();
    freshNames.uploadedNames.load();
    freshList.setPath(engine.File2.Path());
    freshList.setPattern(engine.File2.Pattern());
    return footprintNow().mallocInUseBytes - before;
}
