#pragma once

#include "transfer/EngineView.h"
#include "ui/ByteCounterField.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QStringList>

#include <functional>

// The main window, each of its controls under its name: the fields of the two
// job rows, the displays and the menus. It shows what the jobs tell it.
class Form1 : public QMainWindow, public EngineView {
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
    MessageBox messages;

    // Shows the window at its design size in the middle of the screen.
    void openCentred();

    // The row of a job, its schedule display and its last-run line.
    QList<QWidget*> rowFields(JobKind job) const;
    QLabel* scheduleDisplay(JobKind job) const { return job == JobKind::Download ? Label11 : Label12; }
    QLabel* lastRunLine(JobKind job) const { return job == JobKind::Download ? Label18 : Label19; }

    void showCaption(const QString& caption) override;
    void showScheduleDisplay(JobKind job, const QString& text) override;
    void showLastRun(JobKind job, const QString& text) override;
    void showSwitch(JobKind job, bool on, const QString& stateText) override;
    void setRowEnabled(JobKind job, bool enabled) override;
    void showByteCount(JobKind job, qint64 bytes) override;
    void showProgress(JobKind job, const QString& text) override;
    void setProgressVisible(JobKind job, bool visible) override;
    void showMessage(const QString& text) override;
    void fileRecorded(JobKind job, const QString& outcomeLine) override;
    void jobStarted(JobKind job, const QString& host) override;
    void jobEnded(JobKind job, const QString& outcome) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void layOutFields();
};
