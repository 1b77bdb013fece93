// The three dialogs: the schedule time dialog, the working-path dialog and the
// About window; what each shows, what closing it applies, and that the main
// window takes no input while one is open.
#include "OperatorActions.h"

#include "app/SettingsStore.h"
#include "app/StartUp.h"
#include "config/NumberText.h"
#include "support/ProgramUnderTest.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/Form4.h"

#include <QDir>
#include <QFileSystemModel>
#include <QSet>
#include <QtTest>

using namespace operatorActions;

namespace {

Row rowOf(Program& p, bool download)
{
    return download ? downloadRow(p) : uploadRow(p);
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

void setSiteTime(Row& row, const QString& hour, const QString& halfDay, const QString& active)
{
    const size_t slot = size_t(row.site.index);
    row.site.hours[slot] = hour;
    row.site.amPm[slot] = halfDay;
    row.site.activeFlags[slot] = active;
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

int distinctColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

}

Q_DECLARE_METATYPE(Closing)

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void theTimeDialogShowsTheSiteTime_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QString>("hour");
        QTest::addColumn<QString>("halfDay");
        QTest::addColumn<QString>("active");
        QTest::addColumn<int>("hourItem");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("title");
        QTest::newRow("12 PM shows the last hour item") << true << false << QStringLiteral("12") << QStringLiteral("PM")
                                                        << QStringLiteral("1") << 11 << true
                                                        << QStringLiteral("Download Time");
        QTest::newRow("1 AM shows the first hour item") << true << true << QStringLiteral("1") << QStringLiteral("AM")
                                                        << QStringLiteral("0") << 0 << false
                                                        << QStringLiteral("Download Time");
        QTest::newRow("upload 7 PM") << false << false << QStringLiteral("7") << QStringLiteral("PM")
                                     << QStringLiteral("0") << 6 << false << QStringLiteral("Upload Time");
        QTest::newRow("upload 3 AM active") << false << true << QStringLiteral("3") << QStringLiteral("AM")
                                            << QStringLiteral("1") << 2 << true << QStringLiteral("Upload Time");
    }

    void theTimeDialogShowsTheSiteTime()
    {
        QFETCH(bool, download);
        QFETCH(bool, byMenu);
        QFETCH(QString, hour);
        QFETCH(QString, halfDay);
        QFETCH(QString, active);
        QFETCH(int, hourItem);
        QFETCH(bool, checked);
        QFETCH(QString, title);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        Row row = rowOf(p.program, download);
        typeSite(row, { .host = QStringLiteral("h") });
        setSiteTime(row, hour, halfDay, active);

        openTimeDialog(p.program, download, byMenu);

        auto* dialog = openedDialog<Form2>(p.program.form);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), title);
        QCOMPARE(dialog->Combo1->currentIndex(), hourItem);
        QCOMPARE(dialog->Combo2->currentText(), halfDay);
        QCOMPARE(dialog->Check1->isChecked(), checked);
        QCOMPARE(dialog->Check1->text(), checked ? QStringLiteral("Active") : QStringLiteral("InActive"));
    }

    void closingTheTimeDialogShowsTheTimeAndChecksTheRow_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<bool>("pathEmptied");
        QTest::addColumn<int>("hourPicked");
        QTest::addColumn<int>("halfDayPicked");
        QTest::addColumn<bool>("activeClicked");
        QTest::addColumn<Closing>("closing");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("activeFlag");
        QTest::newRow("Active then Escape keeps it active")
            << false << false << -1 << -1 << true << Closing::Escape << QStringLiteral("hour list")
            << QStringLiteral("3AM Active") << QStringLiteral("1");
        QTest::newRow("5 PM picked then Enter") << true << false << 4 << 1 << false << Closing::Enter
                                                << QStringLiteral("half-day list") << QStringLiteral("5PM InActive")
                                                << QStringLiteral("0");
        QTest::newRow("Active then the close button")
            << true << false << -1 << -1 << true << Closing::CloseButton << QString() << QStringLiteral("1AM Active")
            << QStringLiteral("1");
        QTest::newRow("Enter with the path field empty ends InActive")
            << true << true << -1 << -1 << true << Closing::KeypadEnter << QStringLiteral("check box")
            << QStringLiteral("1AM InActive") << QStringLiteral("0");
        QTest::newRow("upload Enter with the path field empty ends InActive")
            << false << true << -1 << -1 << true << Closing::Enter << QStringLiteral("dialog")
            << QStringLiteral("3AM InActive") << QStringLiteral("0");
    }

    void closingTheTimeDialogShowsTheTimeAndChecksTheRow()
    {
        QFETCH(bool, download);
        QFETCH(bool, pathEmptied);
        QFETCH(int, hourPicked);
        QFETCH(int, halfDayPicked);
        QFETCH(bool, activeClicked);
        QFETCH(Closing, closing);
        QFETCH(QString, control);
        QFETCH(QString, display);
        QFETCH(QString, activeFlag);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        Row row = rowOf(p.program, download);
        typeSite(row, { .host = QStringLiteral("h") });
        if (pathEmptied)
            type(row.path, QString());
        openTimeDialog(p.program, download, true);
        QPointer<Form2> dialog = openedDialog<Form2>(p.program.form);
        QVERIFY(dialog);

        if (hourPicked >= 0)
            pick(dialog->Combo1, hourPicked);
        if (halfDayPicked >= 0)
            pick(dialog->Combo2, halfDayPicked);
        if (activeClicked)
            click(dialog->Check1);
        closeDialog(dialog, closing, timeDialogControl(dialog, control));

        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(row.scheduleDisplay->text(), display);
        QCOMPARE(row.site.activeFlags[1], activeFlag);
        QCOMPARE(row.activeText, display.section(QLatin1Char(' '), 1));
    }

    // Hand-edited settings can hold any text. The dialog shows what it can,
    // and what it shows is what the site then holds: a site the dialog shows
    // at "AM" must not keep a half-day the schedule never matches.
    void outOfRangeValuesOpenTheTimeDialogWithoutHarm_data()
    {
        QTest::addColumn<QString>("hour");
        QTest::addColumn<QString>("halfDay");
        QTest::addColumn<QString>("active");
        QTest::addColumn<int>("hourItem");
        QTest::addColumn<QString>("display");
        QTest::newRow("hour 99") << QStringLiteral("99") << QStringLiteral("PM") << QStringLiteral("1") << -1
                                 << QStringLiteral("99PM Active");
        QTest::newRow("hour 0") << QStringLiteral("0") << QStringLiteral("AM") << QStringLiteral("0") << -1
                                << QStringLiteral("0AM InActive");
        QTest::newRow("hour -3") << QStringLiteral("-3") << QStringLiteral("AM") << QStringLiteral("0") << -1
                                 << QStringLiteral("-3AM InActive");
        QTest::newRow("hour beyond any integer") << QStringLiteral("1e30") << QStringLiteral("AM")
                                                 << QStringLiteral("0") << -1 << QStringLiteral("1e30AM InActive");
        QTest::newRow("hour not a number") << QStringLiteral("abc") << QStringLiteral("AM") << QStringLiteral("0")
                                           << -1 << QStringLiteral("abcAM InActive");
        QTest::newRow("hour empty") << QString() << QStringLiteral("AM") << QStringLiteral("0") << -1
                                    << QStringLiteral("AM InActive");
        QTest::newRow("hour 12.5") << QStringLiteral("12.5") << QStringLiteral("AM") << QStringLiteral("0") << -1
                                   << QStringLiteral("12.5AM InActive");
        QTest::newRow("half-day in lower case is shown and kept as AM")
            << QStringLiteral("4") << QStringLiteral("pm") << QStringLiteral("0") << 3 << QStringLiteral("4AM InActive");
        QTest::newRow("active flag 7 is shown and kept as inactive")
            << QStringLiteral("4") << QStringLiteral("PM") << QStringLiteral("7") << 3
            << QStringLiteral("4PM InActive");
    }

    void outOfRangeValuesOpenTheTimeDialogWithoutHarm()
    {
        QFETCH(QString, hour);
        QFETCH(QString, halfDay);
        QFETCH(QString, active);
        QFETCH(int, hourItem);
        QFETCH(QString, display);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        Row row = downloadRow(p.program);
        typeSite(row, { .host = QStringLiteral("h") });
        setSiteTime(row, hour, halfDay, active);

        openTimeDialog(p.program, true, false);
        QPointer<Form2> dialog = openedDialog<Form2>(p.program.form);
        QVERIFY(dialog);
        QCOMPARE(dialog->Combo1->currentIndex(), hourItem);
        press(dialog->Combo1, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);

        QCOMPARE(row.scheduleDisplay->text(), display);
        QCOMPARE(row.site.hours[1] + row.site.amPm[1], display.section(QLatin1Char(' '), 0, 0));
        QCOMPARE(valueOf(row.site.activeFlags[1]) == 1, display.endsWith(QLatin1String(" Active")));

        // Picking an hour gives the site a good one.
        openTimeDialog(p.program, true, false);
        dialog = openedDialog<Form2>(p.program.form);
        QVERIFY(dialog);
        pick(dialog->Combo1, 4);
        press(dialog->Combo1, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(row.site.hours[1], QStringLiteral("5"));
    }

    void theTimeDialogOpensOnlyForASiteShown_data()
    {
        QTest::addColumn<bool>("siteTyped");
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("double click before any site") << false << false;
        QTest::newRow("Schedules Download before any site") << false << true;
        QTest::newRow("double click with the host box emptied") << true << false;
        QTest::newRow("Schedules Download with the host box emptied") << true << true;
    }

    void theTimeDialogOpensOnlyForASiteShown()
    {
        QFETCH(bool, siteTyped);
        QFETCH(bool, byMenu);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        Row row = downloadRow(p.program);
        if (siteTyped) {
            typeSite(row, { .host = QStringLiteral("h") });
            clearHost(row.hostList);
        }

        openTimeDialog(p.program, true, byMenu);

        QVERIFY(!p.program.form.findChild<Form2*>());
    }

    void theMainWindowTakesNoInputWhileADialogIsOpen_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("time dialog") << QStringLiteral("time");
        QTest::newRow("working-path dialog") << QStringLiteral("path");
        QTest::newRow("About window") << QStringLiteral("about");
    }

    void theMainWindowTakesNoInputWhileADialogIsOpen()
    {
        QFETCH(QString, dialog);
        ProgramUnderTest p;
        Form1& form = p.program.form;
        QVERIFY(showWindow(form));
        typeSite(downloadRow(p.program), { .host = QStringLiteral("h") });
        if (dialog == QLatin1String("time"))
            openTimeDialog(p.program, true, false);
        else if (dialog == QLatin1String("path"))
            QTest::mouseDClick(form.Label15, Qt::LeftButton);
        else
            choose(form.ai_about);
        QPointer<QDialog> open = openedDialog<QDialog>(form);
        QVERIFY(open);

        // Through the window, as the operator's clicks and keys arrive.
        const auto clickDupeBox = [&] {
            QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {},
                              form.Check3->mapTo(&form, clickPoint(form.Check3)));
        };
        const auto typeIntoUser = [&] {
            form.fText3->setFocus();
            QTest::keyClick(form.windowHandle(), Qt::Key_Q);
        };
        const QString user = form.fText3->text();
        clickDupeBox();
        typeIntoUser();
        QVERIFY(form.Check3->isChecked());
        QCOMPARE(form.fText3->text(), user);

        press(open, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!open, kWaitMs);
        clickDupeBox();
        typeIntoUser();
        QVERIFY(!form.Check3->isChecked());
        QCOMPARE(form.fText3->text(), user + QLatin1Char('q'));
    }

    void closingThePathDialogAtOnceChoosesTheCurrentFolder_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<Closing>("closing");
        QTest::addColumn<bool>("inList");
        QTest::newRow("Set Path, Escape in the folder list") << true << Closing::Escape << true;
        QTest::newRow("double click, Escape in the dialog") << false << Closing::Escape << false;
        QTest::newRow("Set Path, Enter in the folder list") << true << Closing::Enter << true;
        QTest::newRow("double click, keypad Enter in the dialog") << false << Closing::KeypadEnter << false;
        QTest::newRow("Set Path, the close button") << true << Closing::CloseButton << true;
    }

    void closingThePathDialogAtOnceChoosesTheCurrentFolder()
    {
        QFETCH(bool, byMenu);
        QFETCH(Closing, closing);
        QFETCH(bool, inList);
        ProgramUnderTest p;
        Program& program = p.program;
        QVERIFY(showWindow(program.form));
        QVERIFY(program.workPath != QDir::currentPath());
        if (byMenu)
            choose(program.form.ai_path);
        else
            QTest::mouseDClick(program.form.Label15, Qt::LeftButton);
        QPointer<Form3> dialog = openedDialog<Form3>(program.form);
        QVERIFY(dialog);
        QCOMPARE(dialog->Label1->text(), QDir::currentPath());

        closeDialog(dialog, closing, inList ? static_cast<QWidget*>(dialog->Dir1) : dialog.data());

        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(program.workPath, QDir::currentPath());
        QCOMPARE(readWorkPath(), QDir::currentPath());
        QCOMPARE(program.form.File2.Path(), QDir::currentPath());
        QCOMPARE(program.form.Label15->text(), QStringLiteral("Working Path is ") + QDir::currentPath());
    }

    void aSubfolderPickedInThePathDialogSurvivesARestart()
    {
        ProgramUnderTest p;
        Program& program = p.program;
        QVERIFY(showWindow(program.form));
        QVERIFY(QDir::current().mkdir(QStringLiteral("incoming")));
        const QString subfolder = p.logFile(QStringLiteral("incoming"));
        choose(program.form.ai_path);
        QPointer<Form3> dialog = openedDialog<Form3>(program.form);
        QVERIFY(dialog);

        // The folder list fills in the background; the subfolder is clicked
        // once it is listed.
        const auto* folders = qobject_cast<const QFileSystemModel*>(dialog->Dir1->model());
        QVERIFY(folders);
        QModelIndex entry;
        QTRY_VERIFY_WITH_TIMEOUT((entry = folders->index(subfolder)).isValid()
                                     && dialog->Dir1->visualRect(entry).isValid(),
                                 kWaitMs);
        QTest::mouseDClick(dialog->Dir1->viewport(), Qt::LeftButton, {},
                           dialog->Dir1->visualRect(entry).center());
        QCOMPARE(dialog->Label1->text(), subfolder);
        QCOMPARE(program.workPath, subfolder);
        press(dialog->Dir1, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(program.form.Label15->text(), QStringLiteral("Working Path is ") + subfolder);

        Program restarted;
        restarted.messages.recordInsteadOfShowing();
        startUp(restarted);
        QCOMPARE(restarted.workPath, subfolder);
        QCOMPARE(restarted.form.Label15->text(), QStringLiteral("Working Path is ") + subfolder);
    }

    void theAboutWindowShowsItsPictureAndClosesOnAKey_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Return);
    }

    void theAboutWindowShowsItsPictureAndClosesOnAKey()
    {
        QFETCH(int, key);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        choose(p.program.form.ai_about);
        QPointer<Form4> about = openedDialog<Form4>(p.program.form);
        QVERIFY(about);

        const QPixmap picture = about->Picture1->pixmap();
        QCOMPARE(picture.size(), QSize(240, 240));
        QVERIFY(about->Picture1->contentsRect().contains(QRect(QPoint(0, 0), picture.size())));
        QVERIFY(distinctColours(picture.toImage()) > 16);
        QVERIFY(!about->Label1->text().isEmpty());
        QVERIFY(about->Label1->isVisible());
        QVERIFY(about->Picture1->rect().contains(about->Label1->geometry()));
        QVERIFY(about->Label1->geometry().top() >= 120);

        press(about->Picture1, Qt::Key(key));
        QTRY_VERIFY_WITH_TIMEOUT(!about, kWaitMs);
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
