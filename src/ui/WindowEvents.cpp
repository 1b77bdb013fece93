#include "ui/WindowEvents.h"

#include "schedule/Engine.h"
#include "ui/DoubleClick.h"
#include "ui/FieldValidation.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/MenuCommands.h"
#include "ui/Row.h"
#include "ui/SiteList.h"
#include "ui/Window.h"

#include <QComboBox>

namespace {

void connectRowEvents(Window& w, JobKind job)
{
    const Row row = rowOf(w, job);
    auto bind = [&w, job] { return rowOf(w, job); };
    const QList<std::pair<QLineEdit*, RowField>> fields {
        { row.coveredHost, RowField::Host }, { row.user, RowField::User }, { row.password, RowField::Password },
        { row.path, RowField::Path }, { row.pattern, RowField::Pattern }, { row.port, RowField::Port } };
    for (const auto& [edit, field] : fields) {
        QObject::connect(edit, &QLineEdit::textChanged, &w.form, [bind, field = field] {
            Row r = bind();
            rowFieldChanged(r, field);
        });
    }
    QLineEdit* retries = row.retries;
    double& retriesValue = row.fields.retries;
    QObject::connect(retries, &QLineEdit::textChanged, &w.form,
                     [retries, &retriesValue] { retriesChanged(retries, retriesValue); });
    QObject::connect(row.jobSwitch, &QCheckBox::toggled, &w.form, [bind] {
        Row r = bind();
        jobSwitchClicked(r);
    });
    QObject::connect(row.dupeBox, &QCheckBox::toggled, &w.form, [bind] {
        Row r = bind();
        dupeBoxChanged(r);
    });
    // The host the jobs read is whatever the list shows, typed or picked.
    QString& host = row.fields.host;
    QObject::connect(row.hostList, &QComboBox::currentTextChanged, &w.form, [&host](const QString& text) { host = text; });
    // Only the operator's own typing and picking arrive here; the program
    // raises the same handling itself through setHostText and selectHost.
    QObject::connect(row.hostList->lineEdit(), &QLineEdit::textEdited, &w.form, [bind](const QString& text) {
        Row r = bind();
        hostTextChanged(r, text);
    });
    QObject::connect(row.hostList, &QComboBox::activated, &w.form, [bind] {
        Row r = bind();
        hostPicked(r);
    });
    onDoubleClick(row.scheduleDisplay, [&w, bind, job] {
        const Row r = bind();
        if (r.hostList->currentText().isEmpty() || r.site.count < 1)
            return;
        w.ui.timeDialogForDownload = job == JobKind::Download;
        showTimeDialog(w);
    });
}

}

void connectWindowEvents(Window& w)
{
    connectRowEvents(w, JobKind::Download);
    connectRowEvents(w, JobKind::Upload);
    onDoubleClick(w.form.Label15, [&w] { showPathDialog(w); });
    connectMenuCommands(w);
}
