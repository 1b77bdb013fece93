#pragma once

#include "platform/FileListBox.h"
#include "platform/Timer.h"
#include "platform/Winsock.h"
#include "ui/ByteCounterField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QStringList>

#include <functional>

// The text of a hidden multi-line field that only the program reads and writes.
// It is never shown, so it holds its text as a plain string: the listing of a
// large folder is appended and scanned without a text document behind it.
class HiddenTextField {
public:
    const QString& text() const { return content; }
    void setText(const QString& text) { content = text; }
    void append(const QString& more) { content.append(more); }

private:
    QString content;
};

// A hidden list that only the program fills and reads.
class HiddenList {
public:
    void Clear() { items.clear(); }
    void AddItem(const QString& item) { items.append(item); }
    int ListCount() const { return int(items.size()); }
    QString List(int index) const { return items.value(index); }

private:
    QStringList items;
};

// The main window and every object the program works with, each under its
// name: the fields of the two job rows, the displays, the menus, the four
// socket objects and the six timers.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    Form1();

    // Job switches and their state labels.
    QCheckBox* Check1;
    QCheckBox* Check2;
    QLabel* Label6;
    QLabel* Label7;

    // Column headings.
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label13;
    QLabel* Label8;
    QLabel* Label17;

    // Download row.
    QComboBox* Combo2;
    QLineEdit* Text1;
    QLineEdit* fText3;
    QLineEdit* fText4;
    QLineEdit* Text2;
    QLineEdit* Text7;
    QLineEdit* Text9;
    QCheckBox* Check3;
    QLineEdit* Text11;

    // Upload row.
    QComboBox* Combo3;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QLineEdit* Text6;
    QLineEdit* Text8;
    QLineEdit* Text10;
    QCheckBox* Check4;
    QLineEdit* Text12;

    // Status, schedule displays, counters, progress and last-run lines.
    QLabel* Label15;
    QLabel* Label9;
    QLabel* Label11;
    QLabel* Label10;
    QLabel* Label12;
    QLabel* Label14;
    ByteCounterField* fText6;
    QLabel* Label16;
    ByteCounterField* fText6b;
    QLineEdit* Text13;
    QLineEdit* Text14;
    QLabel* Label18;
    QLabel* Label19;

    // Hidden working controls.
    FileListBox File2;
    HiddenList Combo1;
    HiddenTextField fText5;

    // Socket objects.
    Winsock ftpclient1;
    Winsock ftpclient2;
    Winsock ftpclient1a;
    Winsock ftpclient3;

    // Timers.
    Timer Timer1 { 60000, false };
    Timer Timer2 { 60000, false };
    Timer Timer3 { 20000, true };
    Timer Timer4 { 20000, true };
    Timer Timerf { 1000, true };
    Timer Timerg { 1000, true };

    // Menus.
    QMenu* ai_sched;
    QAction* ai_down;
    QAction* ai_up;
    QAction* ai_hr;
    QAction* ai_exit;
    QMenu* ai_op;
    QAction* ai_path;
    QAction* ai_pass;
    QAction* ai_del;
    QAction* ai_del2;
    QAction* ai_dstamp;
    QAction* ai_ustamp;
    QAction* ai_fsize;
    QMenu* ai_type;
    QAction* ai_list;
    QAction* ai_nlst;
    QMenu* ai_trans;
    QAction* ai_bin;
    QAction* ai_asc;
    QAction* ai_pasv;
    QMenu* ai_mang;
    QAction* ai_rem;
    QAction* ai_rem2;
    QAction* ai_about;

    // Asked whenever the window is to close; false keeps it open.
    std::function<bool()> closeRequest;

    // Shows the window at its design size in the middle of the screen.
    void openCentred();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void layOutFields();
};
