#include "ui/Form1.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>

namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* label(const char* name, const QString& caption)
{
    return named(new QLabel(caption), name);
}

QLineEdit* field(const char* name, const QString& text = QString())
{
    return named(new QLineEdit(text), name);
}

QComboBox* hostList(const char* name)
{
    QComboBox* box = named(new QComboBox, name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // A host typed letter by letter is the host as typed, never completed from
    // another site's name.
    box->setCompleter(nullptr);
    return box;
}

QCheckBox* checkBox(const char* name)
{
    return named(new QCheckBox, name);
}

QAction* menuItem(QMenu* menu, const char* name, const QString& caption, bool checkable = false,
                  bool checked = false)
{
    QAction* action = named(menu->addAction(caption), name);
    action->setCheckable(checkable);
    action->setChecked(checked);
    return action;
}

QIcon tolvaneIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/tolvane-%1.png").arg(size));
    return icon;
}

void colourText(const QList<QLineEdit*>& fields, const char* colour)
{
    for (QLineEdit* f : fields)
        f->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
}

}

Form1::Form1()
    : Check1(checkBox("Check1")), Check2(checkBox("Check2")),
      Label6(label("Label6", QStringLiteral("Downloads Off"))),
      Label7(label("Label7", QStringLiteral("Uploads Off"))),
      Label1(label("Label1", QStringLiteral("Host Name / IP"))),
      Label2(label("Label2", QStringLiteral("USER"))),
      Label3(label("Label3", QStringLiteral("PASS"))),
      Label4(label("Label4", QStringLiteral("Path"))),
      Label5(label("Label5", QStringLiteral("Pattern"))),
      Label13(label("Label13", QStringLiteral("Port"))),
      Label8(label("Label8", QStringLiteral("Dupe Chk"))),
      Label17(label("Label17", QStringLiteral("Retries"))),
      Combo2(hostList("Combo2")), Text1(field("Text1")), fText3(field("fText3")),
      fText4(field("fText4")), Text2(field("Text2")), Text7(field("Text7")), Text9(field("Text9")),
      Check3(checkBox("Check3")), Text11(field("Text11", QStringLiteral("0"))),
      Combo3(hostList("Combo3")), Text3(field("Text3")), Text4(field("Text4")),
      Text5(field("Text5")), Text6(field("Text6")), Text8(field("Text8")), Text10(field("Text10")),
      Check4(checkBox("Check4")), Text12(field("Text12", QStringLiteral("0"))),
      Label15(label("Label15", QString())),
      Label9(label("Label9", QStringLiteral("Download at"))),
      Label11(label("Label11", QStringLiteral("Not Set"))),
      Label10(label("Label10", QStringLiteral("Upload at"))),
      Label12(label("Label12", QStringLiteral("Not Set"))),
      Label14(label("Label14", QStringLiteral("Bytes Rec"))),
      fText6(named(new ByteCounterField, "fText6")),
      Label16(label("Label16", QStringLiteral("Bytes Sent"))),
      fText6b(named(new ByteCounterField, "fText6b")),
      Text13(field("Text13")), Text14(field("Text14")),
      Label18(label("Label18", QStringLiteral("Last Download on"))),
      Label19(label("Label19", QStringLiteral("Last Upload on")))
{
    setWindowTitle(QStringLiteral("Tolvane"));
    setWindowIcon(tolvaneIcon());
    fText4->setEchoMode(QLineEdit::Password);
    Text5->setEchoMode(QLineEdit::Password);
    for (QLineEdit* display : { Text13, Text14 })
        display->setReadOnly(true);
    colourText({ fText3, fText4, Text2, Text7, Text9 }, "blue");
    colourText({ Text4, Text5, Text6, Text8, Text10 }, "red");
    Combo2->setStyleSheet(QStringLiteral("color: blue;"));
    Combo3->setStyleSheet(QStringLiteral("color: red;"));
    for (QLineEdit* counter : { fText6, fText6b })
        counter->setStyleSheet(QStringLiteral("color: red; background: #ffe0b0;"));
    for (QLineEdit* progress : { Text13, Text14 })
        progress->setStyleSheet(QStringLiteral("color: green; font-weight: bold; background: #80c8c0;"));
    createMenus();
    layOutFields();
    Text13->setVisible(false);
    Text14->setVisible(false);
}

void Form1::createMenus()
{
    QMenuBar* bar = menuBar();
    ai_sched = named(bar->addMenu(QStringLiteral("Schedules")), "ai_sched");
    ai_down = menuItem(ai_sched, "ai_down", QStringLiteral("Download"));
    ai_up = menuItem(ai_sched, "ai_up", QStringLiteral("Upload"));
    ai_hr = menuItem(ai_sched, "ai_hr", QStringLiteral("Every Hour"), true);
    ai_exit = menuItem(ai_sched, "ai_exit", QStringLiteral("eXit Now!"));

    ai_op = named(bar->addMenu(QStringLiteral("Options")), "ai_op");
    ai_path = menuItem(ai_op, "ai_path", QStringLiteral("Set Path"));
    ai_pass = menuItem(ai_op, "ai_pass", QStringLiteral("Recall PASS"), true, true);
    ai_del = menuItem(ai_op, "ai_del", QStringLiteral("Delete After DownLoad"), true);
    ai_del2 = menuItem(ai_op, "ai_del2", QStringLiteral("Delete After UpLoad"), true);
    ai_dstamp = menuItem(ai_op, "ai_dstamp", QStringLiteral("Download Timestamp"), true);
    ai_ustamp = menuItem(ai_op, "ai_ustamp", QStringLiteral("Upload Timestamp"), true);
    ai_fsize = menuItem(ai_op, "ai_fsize", QStringLiteral("File Size Exists"), true);
    ai_type = named(ai_op->addMenu(QStringLiteral("Type")), "ai_type");
    ai_list = menuItem(ai_type, "ai_list", QStringLiteral("LIST"), true);
    ai_nlst = menuItem(ai_type, "ai_nlst", QStringLiteral("NLST"), true, true);
    ai_trans = named(ai_op->addMenu(QStringLiteral("Transfer type")), "ai_trans");
    ai_bin = menuItem(ai_trans, "ai_bin", QStringLiteral("Binary"), true, true);
    ai_asc = menuItem(ai_trans, "ai_asc", QStringLiteral("ASCII"), true);
    ai_pasv = menuItem(ai_op, "ai_pasv", QStringLiteral("PASV"), true);
    ai_pasv->setEnabled(false);

    ai_mang = named(bar->addMenu(QStringLiteral("Site Manager")), "ai_mang");
    ai_rem = menuItem(ai_mang, "ai_rem", QStringLiteral("Remove Download Site"));
    ai_rem2 = menuItem(ai_mang, "ai_rem2", QStringLiteral("Remove Upload Site"));

    ai_about = named(bar->addAction(QStringLiteral("About")), "ai_about");
}

void Form1::layOutFields()
{
    auto* central = new QWidget;
    auto* grid = new QGridLayout(central);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);

    Label15->setFrameShape(QFrame::StyledPanel);
    Label15->setMinimumHeight(24);
    grid->addWidget(Label15, 0, 0, 1, 10);

    // Column by column: the heading, then the field's width in the two rows.
    const QList<std::pair<QLabel*, int>> headings { { Label1, 180 }, { Label2, 110 }, { Label3, 100 },
                                                    { Label4, 150 }, { Label5, 110 }, { Label13, 50 },
                                                    { Label8, 0 }, { Label17, 44 } };
    for (int column = 0; column < headings.size(); ++column) {
        QLabel* heading = headings[column].first;
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        grid->addWidget(heading, 1, column + 2);
    }

    auto addRow = [&](int row, QLabel* state, QCheckBox* jobSwitch, QComboBox* host, QLineEdit* covered,
                      const QList<QWidget*>& rest) {
        grid->addWidget(state, row, 0);
        grid->addWidget(jobSwitch, row, 1);
        grid->addWidget(covered, row, 2);
        grid->addWidget(host, row, 2);
        host->raise();
        host->setMinimumWidth(headings[0].second);
        for (int i = 0; i < rest.size(); ++i) {
            grid->addWidget(rest[i], row, i + 3, i == 5 ? Qt::AlignHCenter : Qt::Alignment());
            if (const int width = headings[i + 1].second; width > 0)
                rest[i]->setMinimumWidth(width);
        }
        Text9->setMaximumWidth(70);
        Text10->setMaximumWidth(70);
        Text11->setMaximumWidth(50);
        Text12->setMaximumWidth(50);
    };
    addRow(2, Label6, Check1, Combo2, Text1, { fText3, fText4, Text2, Text7, Text9, Check3, Text11 });
    addRow(3, Label7, Check2, Combo3, Text3, { Text4, Text5, Text6, Text8, Text10, Check4, Text12 });

    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    grid->addWidget(rule, 4, 0, 1, 10);

    for (QLineEdit* display : { fText6, fText6b })
        display->setMaximumWidth(110);
    for (QLineEdit* progress : { Text13, Text14 })
        progress->setMaximumWidth(60);
    auto addLowerRow = [grid](int row, QLabel* heading, QLabel* schedule, QLabel* counterHeading,
                              QLineEdit* counter, QLineEdit* progress, QLabel* lastRun) {
        grid->addWidget(heading, row, 0);
        grid->addWidget(schedule, row, 1, 1, 2);
        grid->addWidget(counterHeading, row, 3, Qt::AlignRight);
        grid->addWidget(counter, row, 4);
        grid->addWidget(progress, row, 5);
        grid->addWidget(lastRun, row, 6, 1, 4);
    };
    addLowerRow(5, Label9, Label11, Label14, fText6, Text13, Label18);
    addLowerRow(6, Label10, Label12, Label16, fText6b, Text14, Label19);
    grid->setRowStretch(7, 1);

    setCentralWidget(central);
}

void Form1::openCentred()
{
    adjustSize();
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->availableGeometry().center());
    move(frame.topLeft());
    show();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (closeRequest && !closeRequest())
        event->ignore();
    else
        event->accept();
}

QList<QWidget*> Form1::rowFields(JobKind job) const
{
    if (job == JobKind::Download)
        return { Combo2, Text1, fText3, fText4, Text2, Text7, Text9 };
    return { Combo3, Text3, Text4, Text5, Text6, Text8, Text10 };
}

void Form1::showCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void Form1::showScheduleDisplay(JobKind job, const QString& text)
{
    scheduleDisplay(job)->setText(text);
}

void Form1::showLastRun(JobKind job, const QString& text)
{
    lastRunLine(job)->setText(text);
}

void Form1::showSwitch(JobKind job, bool on, const QString& stateText)
{
    QCheckBox* jobSwitch = job == JobKind::Download ? Check1 : Check2;
    // Only the operator's clicks turn the switch; this shows where it stands.
    const QSignalBlocker quiet(jobSwitch);
    jobSwitch->setChecked(on);
    (job == JobKind::Download ? Label6 : Label7)->setText(stateText);
}

void Form1::setRowEnabled(JobKind job, bool enabled)
{
    for (QWidget* field : rowFields(job))
        field->setEnabled(enabled);
    ai_type->setEnabled(enabled);
}

void Form1::showByteCount(JobKind job, qint64 bytes)
{
    (job == JobKind::Download ? fText6 : fText6b)->setCount(bytes);
}

void Form1::showProgress(JobKind job, const QString& text)
{
    QLineEdit* progress = job == JobKind::Download ? Text13 : Text14;
    // Most chunks leave the whole percentage as it was.
    if (progress->text() != text)
        progress->setText(text);
}

void Form1::setProgressVisible(JobKind job, bool visible)
{
    (job == JobKind::Download ? Text13 : Text14)->setVisible(visible);
}

void Form1::showMessage(const QString& text)
{
    messages.show(this, text);
}

// The caption, the schedule display and the last-run line already say what
// the window has to say about a job; the outcome log holds the rest.
void Form1::fileRecorded(JobKind, const QString&) {}
void Form1::jobStarted(JobKind, const QString&) {}
void Form1::jobEnded(JobKind, const QString&) {}
