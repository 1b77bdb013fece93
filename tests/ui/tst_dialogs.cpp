// The dialogs: what the schedule time dialog shows and what closing it, in
// every way the operator may close it, leaves in the site; and the folder the
// working-path dialog keeps.
#include "OperatorActions.h"

#include "ui/Form2.h"
#include "ui/Form3.h"

#include <QFileSystemModel>

using namespace operatorActions;

namespace {

// The time dialog opened on site 1 of a row whose time the settings held as
// they are here, what the operator picks there and how the dialog is closed
// (a key, or the close button), and what the schedule display shows
// afterwards, which is also what the site then holds.
struct TimeDialogCase {
    JobKind job = JobKind::Download;
    bool byMenu = false;
    QStringList site;  // hour, half-day, active flag; none: the host box emptied
    QString path = QStringLiteral("/in");
    int hourShown = -1;
    int hourPicked = -1;
    int halfDayPicked = -1;
    bool activeClicked = false;
    Qt::Key closingKey = Qt::Key_Escape;
    QString display;
};

// The dialog just opened, once it is the active window, as the window system
// makes a dialog it shows: only then do keys reach it. (A dialog counts as
// active while its main window is, so this waits for the dialog itself.)
template <typename Dialog>
Dialog* openedDialog(const Form1& form)
{
    auto* dialog = form.findChild<Dialog*>();
    return dialog && QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }, kWaitMs) ? dialog
                                                                                                          : nullptr;
}

}

Q_DECLARE_METATYPE(TimeDialogCase)

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    // Hand-edited settings can hold any text: a site the dialog shows at "AM"
    // must not keep a half-day the schedule never matches.
    void timeDialog_data()
    {
        QTest::addColumn<TimeDialogCase>("c");
        QTest::newRow("12 PM is the last hour item, Escape keeps it")
            << TimeDialogCase { .site = { "12", "PM", "1" }, .hourShown = 11, .display = "12PM Active" };
        QTest::newRow("1 AM is the first item, 5 PM picked then Enter")
            << TimeDialogCase { .byMenu = true, .site = { "1", "AM", "0" }, .hourShown = 0, .hourPicked = 4, .halfDayPicked = 1,
                                .closingKey = Qt::Key_Return, .display = "5PM InActive" };
        QTest::newRow("upload made active, the close button")
            << TimeDialogCase { .job = JobKind::Upload, .byMenu = true, .site = { "3", "AM", "0" }, .hourShown = 2,
                                .activeClicked = true, .closingKey = Qt::Key_unknown, .display = "3AM Active" };
        QTest::newRow("made active with the path field empty ends InActive, keypad Enter")
            << TimeDialogCase { .site = { "1", "AM", "0" }, .path = "", .hourShown = 0, .activeClicked = true,
                                .closingKey = Qt::Key_Enter, .display = "1AM InActive" };
        QTest::newRow("hour 4.5 shows no item and stays; a half-day in lower case and active flag 7 are kept as AM and inactive")
            << TimeDialogCase { .site = { "4.5", "pm", "7" }, .display = "4.5AM InActive" };
        QTest::newRow("no dialog for a double click while no site is shown") << TimeDialogCase {};
        QTest::newRow("no dialog from Schedules Download while no site is shown") << TimeDialogCase { .byMenu = true };
    }

    void timeDialog()
    {
        QFETCH(TimeDialogCase, c);
        ProgramUnderTest p;
        Row row = rowOf(p.program.window, c.job);
        typeSite(row, { .host = QStringLiteral("h"), .path = c.path });
        c.site.isEmpty() ? clearHost(row) : putSite(row.site, 1, { "h", "alice", "s3cret", c.path, "2121", "*.dat", "1", c.site[2], c.site[0], c.site[1] });

        c.byMenu ? choose(c.job == JobKind::Download ? p.program.form.ai_down : p.program.form.ai_up)
                 : QTest::mouseDClick(row.scheduleDisplay, Qt::LeftButton);
        QPointer<Form2> dialog = openedDialog<Form2>(p.program.form);
        QCOMPARE(bool(dialog), !c.site.isEmpty());
        if (!dialog)
            return;
        QCOMPARE(dialog->Combo1->currentIndex(), c.hourShown);
        pick(dialog->Combo1, c.hourPicked);
        pick(dialog->Combo2, c.halfDayPicked);
        if (c.activeClicked)
            click(dialog->Check1);
        // A key goes through the dialog's window as the operator's keys do.
        c.closingKey == Qt::Key_unknown ? (void)dialog->close() : QTest::keyClick(dialog->windowHandle(), c.closingKey);

        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(row.scheduleDisplay->text(), c.display);
        const SiteRecord kept = siteAt(row.site, 1);
        QCOMPARE(kept.hour + kept.amPm + (kept.activeFlag == "1" ? " Active" : " InActive"), c.display);
    }

    // The dialog opens on the current folder; the folder highlighted when it
    // closes, even by Escape, is the working folder, also for the next start.
    void thePathDialogKeepsTheFolderHighlighted()
    {
        ProgramUnderTest p;
        QVERIFY(QDir::current().mkdir("incoming"));
        const QString chosen = p.folder.file("incoming");
        choose(p.program.form.ai_path);
        QPointer<Form3> dialog = openedDialog<Form3>(p.program.form);
        QVERIFY(dialog);
        QCOMPARE(dialog->Label1->text(), QDir::currentPath());
        // The folder list fills in the background; the subfolder is clicked
        // once it is listed.
        const auto* folders = qobject_cast<const QFileSystemModel*>(dialog->Dir1->model());
        QModelIndex entry;
        QTRY_VERIFY_WITH_TIMEOUT((entry = folders->index(chosen)).isValid() && dialog->Dir1->visualRect(entry).isValid(), kWaitMs);
        QTest::mouseDClick(dialog->Dir1->viewport(), Qt::LeftButton, {}, dialog->Dir1->visualRect(entry).center());

        QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);

        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(p.program.engine.File2.Path(), chosen);
        QCOMPARE(p.program.form.Label15->text(), "Working Path is " + chosen);
        QCOMPARE(readWorkPath(), chosen);
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
