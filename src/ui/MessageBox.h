#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The program's modal OK box. A test switches it to recording: the texts are
// kept instead of shown, and nothing waits for a click.
class MessageBox {
public:
    void show(QWidget* owner, const QString& text);
    void recordInsteadOfShowing() { recording = true; }
    const QStringList& shown() const { return recorded; }

private:
    bool recording = false;
    QStringList recorded;
};
