#pragma once

#include <QLineEdit>
#include <QTimer>

// A read-only field that shows the bytes moved so far for the file in
// transfer. Its text follows the count at most every tenth of a second: an
// upload moves 2000 bytes at a time, and laying the text out again each time
// would cost more than sending the chunk. A count back at 0, for the next
// file, shows at once.
class ByteCounterField : public QLineEdit {
public:
    explicit ByteCounterField(QWidget* parent = nullptr);

    void setCount(qint64 count);

private:
    void showCount();

    qint64 bytes = 0;
    QTimer textRefresh;
};
