#pragma once

#include <QLineEdit>
#include <QTimer>

// A read-only field that shows the bytes moved so far for the file in
// transfer. The count itself is kept as a number, and the text follows it at
// most every tenth of a second: an upload adds to the count every 2000 bytes,
// and laying the text out again each time would cost more than sending the
// chunk. Whoever needs the count reads count(), never the text.
class ByteCounterField : public QLineEdit {
public:
    explicit ByteCounterField(QWidget* parent = nullptr);

    qint64 count() const { return bytes; }
    void add(qint64 moved);
    // Back to 0 for the next file, shown at once.
    void reset();

private:
    void showCount();

    qint64 bytes = 0;
    QTimer textRefresh;
};
