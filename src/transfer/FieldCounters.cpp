#include "transfer/FieldCounters.h"

#include <QLineEdit>

#include <cmath>

double counterValue(const QLineEdit* field)
{
    return field->text().toDouble();
}

void addToCounter(QLineEdit* field, qint64 bytes)
{
    field->setText(QString::number(counterValue(field) + double(bytes), 'f', 0));
}

void showPercentage(QLineEdit* field, double done, double total)
{
    field->setText(QString::number(std::trunc(done / total * 100), 'f', 0) + QStringLiteral(" %"));
}
