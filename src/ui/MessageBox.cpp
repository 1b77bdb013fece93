#include "ui/MessageBox.h"

#include <QMessageBox>

void MessageBox::show(QWidget* owner, const QString& text)
{
    if (recording) {
        recorded.append(text);
        return;
    }
    QMessageBox::information(owner, QStringLiteral("Tolvane"), text, QMessageBox::Ok);
}
