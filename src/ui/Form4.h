#pragma once

#include <QDialog>
#include <QLabel>

class QWidget;

// The About window: a picture of 240 by 240 pixels with one line of text over
// its lower part. Enter, Escape or the close button closes it.
class Form4 : public QDialog {
    Q_OBJECT
public:
    explicit Form4(QWidget* owner);

    QLabel* Picture1;
    QLabel* Label1;
};

// The picture: two arrows, one bringing files in and one sending them out,
// drawn here in 256 colours.
QImage aboutPicture();

void showAboutWindow(QWidget* owner);
