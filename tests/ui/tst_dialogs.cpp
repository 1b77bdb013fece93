// The dialogs: what the schedule time dialog shows and what closing it leaves
// in the site, and the folder the working-path dialog keeps.
#include "OperatorActions.h"

#include "app/StartUp.h"
#include "support/ProgramUnderTest.h"
#include "ui/Form2.h"
#include "ui/Form3.h"

#include <QDir>
#include <QFileSystemModel>
#include <QtTest>

using namespace operatorActions;

namespace {

Row rowOf(Program& p, bool download)
{
    return download ? downloadRow(p.window) : uploadRow(p.window);
}

// The time dialog of a job, opened by a double click on its schedule display
// or from the "Schedules" menu.
void openTimeDialog(Program& p, bool download, bool byMenu)
{
    if (byMenu)
        choose(download ? p.form.ai_down : p.form.ai_up);
    else
        QTest::mouseDClick(rowOf(p, download).scheduleDisplay, Qt::LeftButton);
}

// The dialog just opened, once it is the active window, as the window system
// makes a dialog it shows: only then do keys reach it. (A dialog counts as
// active while its main window is, so this waits for the dialog itself.)
template <typename Dialog>
Dialog* openedDialog(const Form1& form)
{
    auto* dialog = form.findChild<Dialog*>();
    return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }, kWaitMs)
        ? dialog
        : nullptr;
}

// A key pressed while the control has the focus, delivered through its window
// as the operator's keys are.
void press(QWidget* control, Qt::Key key)
{
    control->setFocus();
    QTest::keyClick(control->window()->windowHandle(), key);
}

enum class Closing { Escape, Enter, KeypadEnter, CloseButton };

// Closes a dialog as the operator does: a key pressed in one of its controls
// (or in the dialog itself), or the window's close button.
void closeDialog(QDialog* dialog, Closing how, QWidget* control)
{
    switch (how) {
    case Closing::Escape: press(control, Qt::Key_Escape); break;
    case Closing::Enter: press(control, Qt::Key_Return); break;
    case Closing::KeypadEnter: press(control, Qt::Key_Enter); break;
    case Closing::CloseButton: dialog->close(); break;
    }
}

QWidget* timeDialogControl(Form2* dialog, const QString& name)
{
    return name == QLatin1String("hour list") ? dialog->Combo1
        : name == QLatin1String("half-day list") ? dialog->Combo2
        : name == QLatin1String("check box")     ? static_cast<QWidget*>(dialog->Check1)
                                                 : dialog;
}

}

Q_DECLARE_METATYPE(Closing)

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    // The site's time (hour, half-day, active flag) as the settings held it;
    // the hour item the dialog shows; what the operator picks and how the
    // dialog is closed; the schedule display afterwards, which is also what
    // the site then holds. Hand-edited settings can hold any text: a site the
    // dialog shows at "AM" must not keep a half-day the schedule never matches.
    void timeDialog_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QStringList>("site");
        QTest::addColumn<bool>("pathEmptied");
        QTest::addColumn<int>("hourShown");
        QTest::addColumn<int>("hourPicked");
        QTest::addColumn<int>("halfDayPicked");
        QTest::addColumn<bool>("activeClicked");
        QTest::addColumn<Closing>("closing");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("display");
        const auto row = [](const char* name, bool download, bool byMenu, const QStringList& site) -> QTestData& {
            return QTest::newRow(name) << download << byMenu << site;
        };
        row("12 PM is the last hour item, Escape keeps it", true, false, { "12", "PM", "1" })
            << false << 11 << -1 << -1 << false << Closing::Escape << "hour list" << "12PM Active";
        row("1 AM is the first item, 5 PM picked then Enter", true, true, { "1", "AM", "0" })
            << false << 0 << 4 << 1 << false << Closing::Enter << "half-day list" << "5PM InActive";
        row("upload 3 AM made active, the close button", false, true, { "3", "AM", "0" })
            << false << 2 << -1 << -1 << true << Closing::CloseButton << "" << "3AM Active";
        row("upload 7 PM made inactive, Enter in the dialog", false, false, { "7", "PM", "1" })
            << false << 6 << -1 << -1 << true << Closing::Enter << "dialog" << "7PM InActive";
        row("made active with the path field empty ends InActive", true, false, { "1", "AM", "0" })
            << true << 0 << -1 << -1 << true << Closing::KeypadEnter << "check box" << "1AM InActive";
        row("hour 99 shows no item and stays", true, false, { "99", "PM", "1" })
            << false << -1 << -1 << -1 << false << Closing::Escape << "hour list" << "99PM Active";
        row("hour beyond any integer", true, false, { "1e30", "AM", "0" })
            << false << -1 << -1 << -1 << false << Closing::Escape << "hour list" << "1e30AM InActive";
        row("hour 12.5", true, false, { "12.5", "AM", "0" })
            << false << -1 << -1 << -1 << false << Closing::Escape << "hour list" << "12.5AM InActive";
        row("half-day in lower case is shown and kept as AM", true, false, { "4", "pm", "0" })
            << false << 3 << -1 << -1 << false << Closing::Escape << "hour list" << "4AM InActive";
        row("active flag 7 is shown and kept as inactive", true, false, { "4", "PM", "7" })
            << false << 3 << -1 << -1 << false << Closing::Escape << "hour list" << "4PM InActive";
        row("hour 99 then 5 picked gives the site a good hour", true, false, { "99", "PM", "1" })
            << false << -1 << 4 << -1 << false << Closing::Enter << "hour list" << "5PM Active";
    }

    void timeDialog()
    {
        QFETCH(bool, download);
        QFETCH(bool, byMenu);
        QFETCH(QStringList, site);
        QFETCH(bool, pathEmptied);
        QFETCH(int, hourShown);
        QFETCH(int, hourPicked);
        QFETCH(int, halfDayPicked);
        QFETCH(bool, activeClicked);
        QFETCH(Closing, closing);
        QFETCH(QString, control);
        QFETCH(QString, display);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        Row row = rowOf(p.program, download);
        typeSite(row, { .host = QStringLiteral("h") });
        row.site.hours[1] = site[0];
        row.site.amPm[1] = site[1];
        row.site.activeFlags[1] = site[2];
        if (pathEmptied)
            type(row.path, QString());

        openTimeDialog(p.program, download, byMenu);
        QPointer<Form2> dialog = openedDialog<Form2>(p.program.form);
        QVERIFY(dialog);
        QCOMPARE(dialog->Combo1->currentIndex(), hourShown);
        if (hourPicked >= 0)
            pick(dialog->Combo1, hourPicked);
        if (halfDayPicked >= 0)
            pick(dialog->Combo2, halfDayPicked);
        if (activeClicked)
            click(dialog->Check1);
        closeDialog(dialog, closing, timeDialogControl(dialog, control));

        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(row.scheduleDisplay->text(), display);
        QCOMPARE(row.site.hours[1] + row.site.amPm[1], display.section(QLatin1Char(' '), 0, 0));
        QCOMPARE(row.site.activeFlags[1], QString::number(display.endsWith(QLatin1String(" Active"))));
        QCOMPARE(row.activeText, display.section(QLatin1Char(' '), 1));
    }

    void theTimeDialogOpensOnlyForASiteShown_data()
    {
        QTest::addColumn<bool>("siteTyped");
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("double click before any site") << false << false;
        QTest::newRow("Schedules Download with the host box emptied") << true << true;
    }

    void theTimeDialogOpensOnlyForASiteShown()
    {
        QFETCH(bool, siteTyped);
        QFETCH(bool, byMenu);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        Row row = downloadRow(p.program.window);
        if (siteTyped) {
            typeSite(row, { .host = QStringLiteral("h") });
            clearHost(row.hostList);
        }

        openTimeDialog(p.program, true, byMenu);

        QVERIFY(!p.program.form.findChild<Form2*>());
    }

    // The dialog opens on the current folder; closing it, however the
    // operator does, keeps the folder highlighted then, also after a restart.
    void thePathDialogKeepsTheFolderHighlighted_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<Closing>("closing");
        QTest::addColumn<bool>("inList");
        QTest::addColumn<bool>("subfolderPicked");
        QTest::newRow("Set Path, Escape in the folder list") << true << Closing::Escape << true << false;
        QTest::newRow("double click, keypad Enter in the dialog") << false << Closing::KeypadEnter << false << false;
        QTest::newRow("Set Path, the close button") << true << Closing::CloseButton << true << false;
        QTest::newRow("a subfolder picked, Enter in the folder list") << true << Closing::Enter << true << true;
    }

    void thePathDialogKeepsTheFolderHighlighted()
    {
        QFETCH(bool, byMenu);
        QFETCH(Closing, closing);
        QFETCH(bool, inList);
        QFETCH(bool, subfolderPicked);
        ProgramUnderTest p;
        Program& program = p.program;
        QVERIFY(showWindow(program.form));
        QVERIFY(program.engine.workPath != QDir::currentPath());
        QVERIFY(QDir::current().mkdir(QStringLiteral("incoming")));
        const QString chosen = subfolderPicked ? p.logFile(QStringLiteral("incoming")) : QDir::currentPath();
        if (byMenu)
            choose(program.form.ai_path);
        else
            QTest::mouseDClick(program.form.Label15, Qt::LeftButton);
        QPointer<Form3> dialog = openedDialog<Form3>(program.form);
        QVERIFY(dialog);
        QCOMPARE(dialog->Label1->text(), QDir::currentPath());
        if (subfolderPicked) {
            // The folder list fills in the background; the subfolder is
            // clicked once it is listed.
            const auto* folders = qobject_cast<const QFileSystemModel*>(dialog->Dir1->model());
            QVERIFY(folders);
            QModelIndex entry;
            QTRY_VERIFY_WITH_TIMEOUT((entry = folders->index(chosen)).isValid()
                                         && dialog->Dir1->visualRect(entry).isValid(),
                                     kWaitMs);
            QTest::mouseDClick(dialog->Dir1->viewport(), Qt::LeftButton, {}, dialog->Dir1->visualRect(entry).center());
            QCOMPARE(dialog->Label1->text(), chosen);
        }

        closeDialog(dialog, closing, inList ? static_cast<QWidget*>(dialog->Dir1) : dialog.data());

        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(program.engine.workPath, chosen);
        QCOMPARE(program.engine.File2.Path(), chosen);
        QCOMPARE(program.form.Label15->text(), QStringLiteral("Working Path is ") + chosen);
        Program restarted;
        restarted.form.messages.recordInsteadOfShowing();
        startUp(restarted);
        QCOMPARE(restarted.engine.workPath, chosen);
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
