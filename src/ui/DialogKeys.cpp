#include "ui/DialogKeys.h"

#include <QDialog>
#include <QShortcut>

void closeOnEnter(QDialog* dialog)
{
    for (const QKeySequence& key : { QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) }) {
        auto* shortcut = new QShortcut(key, dialog);
        QObject::connect(shortcut, &QShortcut::activated, dialog, &QDialog::accept);
    }
}
