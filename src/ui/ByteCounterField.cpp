#include "ui/ByteCounterField.h"

namespace {

constexpr int kTextRefreshMs = 100;

}

ByteCounterField::ByteCounterField(QWidget* parent)
    : QLineEdit(QStringLiteral("0"), parent)
{
    setReadOnly(true);
    textRefresh.setSingleShot(true);
    textRefresh.setInterval(kTextRefreshMs);
    connect(&textRefresh, &QTimer::timeout, this, &ByteCounterField::showCount);
}

void ByteCounterField::setCount(qint64 count)
{
    bytes = count;
    if (count == 0) {
        textRefresh.stop();
        showCount();
    } else if (!textRefresh.isActive()) {
        textRefresh.start();
    }
}

void ByteCounterField::showCount()
{
    setText(QString::number(bytes));
}
