#include "transfer/PercentageField.h"

#include <QLineEdit>

void showPercentage(QLineEdit* field, qint64 done, qint64 total)
{
    const QString text = QString::number(done * 100 / total) + QStringLiteral(" %");
    if (field->text() != text)
        field->setText(text);
}
