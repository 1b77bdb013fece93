#include "schedule/FieldLocks.h"

#include "app/Program.h"

namespace {

void setRowEnabled(Program& p, bool download, bool enabled)
{
    Form1& f = p.form;
    const QList<QWidget*> row = download
        ? QList<QWidget*> { f.Combo2, f.Text1, f.fText3, f.fText4, f.Text2, f.Text7, f.Text9 }
        : QList<QWidget*> { f.Combo3, f.Text3, f.Text4, f.Text5, f.Text6, f.Text8, f.Text10 };
    for (QWidget* field : row)
        field->setEnabled(enabled);
    f.ai_type->setEnabled(enabled);
}

}

void lockDownloadFields(Program& p) { setRowEnabled(p, true, false); }
void unlockDownloadFields(Program& p) { setRowEnabled(p, true, true); }
void lockUploadFields(Program& p) { setRowEnabled(p, false, false); }
void unlockUploadFields(Program& p) { setRowEnabled(p, false, true); }
