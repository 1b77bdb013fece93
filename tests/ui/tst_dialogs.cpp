// The menu items and the dialogs: the options the items set, "eXit Now!"
// closing the program in the middle of a job, what the schedule time
// dialog shows and what closing it, in every way the operator may close it,
// leaves in the site; and the folder the working-path dialog keeps.
#include "OperatorActions.h"

#include "schedule/JobRun.h"
#include "support/EngineUnderTest.h"
#include "support/ScriptedFtpPeer.h"
#include "ui/Form2.h"
#include "ui/Form3.h"

#include <QFileSystemModel>

using namespace operatorActions;

namespace {

// One program second lasts 5 ms: the supervision ends a stalled session
// within about a second.
constexpr double kFastTimeScale = 0.005;

// The options the menu items set.
QString options(const Program& program)
{
    const Options& o = program.engine.options;
    return QStringLiteral("%1 del=%2 del2=%3 pass=%4 fsize=%5 nlst=%6 hr=%7 dstamp=%8 ustamp=%9")
        .arg(o.transferTypeCommand).arg(o.deleteAfterDownload).arg(o.deleteAfterUpload).arg(o.recallPassword)
        .arg(o.fileSizeExistsOption).arg(o.ai_nlst).arg(o.ai_hr).arg(o.ai_dstamp).arg(o.ai_ustamp);
}

// The time dialog opened on site 1 of a row whose time the settings held as
// they are here, what the operator picks there and how the dialog is closed
// (a key, or the close button), and the time the site then holds, as the
// schedule display words it.
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
    QString held;
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

class MenusDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void itemsSetTheirOptions_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QString>("options");
        QTest::newRow("of a pair, the item chosen last holds")
            << QStringList { "ai_asc", "ai_bin", "ai_list", "ai_nlst" }
            << QStringLiteral("TYPE I del=0 del2=0 pass=1 fsize=0 nlst=1 hr=0 dstamp=0 ustamp=0");
        QTest::newRow("each item sets its own option; chosen again, a pair's item stays and the others turn off")
            << QStringList { "ai_asc", "ai_list", "ai_list", "ai_del", "ai_del2", "ai_fsize", "ai_pass", "ai_hr",
                             "ai_dstamp", "ai_ustamp", "ai_ustamp" }
            << QStringLiteral("TYPE A del=1 del2=1 pass=0 fsize=1 nlst=0 hr=1 dstamp=1 ustamp=0");
    }

    void itemsSetTheirOptions()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QString, options);
        ProgramUnderTest p;
        for (const QString& name : chosen)
            choose(p.program.form.findChild<QAction*>(name));
        QCOMPARE(::options(p.program), options);
    }

    // The window's own close is refused while the download runs; "eXit Now!"
    // closes it anyway and still saves the sites and the working folder.
    // Whichever job runs, the close is refused, and "eXit Now!" closes the
    // program with the settings saved while the job waits down the stack.
    void exitNowClosesTheProgramDuringAJob()
    {
        for (const bool download : { true, false }) {
            ProgramUnderTest p({}, {}, kFastTimeScale);
            ScriptedFtpPeer peer;
            peer.stopAnsweringAt("USER");
            (download ? pointDownloadSite : pointUploadSite)(
                p.program.engine, { .port = peer.port(), .user = "alice", .password = "s3cret", .pattern = "*.dat" });
            bool closeRefused = false, closedByExitNow = false;
            connect(&peer, &ScriptedFtpPeer::commandReceived, this, [&](const QString& line) {
                if (!line.startsWith(QLatin1String("USER")))
                    return;
                closeRefused = !p.program.form.close() && p.program.form.isVisible();
                choose(p.program.form.ai_exit);
                closedByExitNow = !p.program.form.isVisible();
            });

            // Returns once the supervision has ended the session nobody answers.
            (download ? runDownloadJob : runUploadJob)(p.program.engine);

            QVERIFY(closeRefused && closedByExitNow);
            QVERIFY(fileBytes(p.folder.file(download ? "valuesd.log" : "valuesu.log")).contains("127.0.0.1"));
            QCOMPARE(fileBytes(p.folder.file("pather.log")), workPathLine(p.program.engine.workPath) + "\r\n");
        }
    }

    // Hand-edited settings can hold any text: a site the dialog shows at "AM"
    // must not keep a half-day the schedule never matches.
    void timeDialog_data()
    {
        QTest::addColumn<TimeDialogCase>("c");
        QTest::newRow("12 PM is the last hour item, Escape keeps it")
            << TimeDialogCase { .site = { "12", "PM", "1" }, .hourShown = 11, .held = "12PM Active" };
        QTest::newRow("1 AM is the first item, 5 PM picked then Enter")
            << TimeDialogCase { .byMenu = true, .site = { "1", "AM", "0" }, .hourShown = 0, .hourPicked = 4, .halfDayPicked = 1,
                                .closingKey = Qt::Key_Return, .held = "5PM InActive" };
        QTest::newRow("upload made active, the close button")
            << TimeDialogCase { .job = JobKind::Upload, .byMenu = true, .site = { "3", "AM", "0" }, .hourShown = 2,
                                .activeClicked = true, .closingKey = Qt::Key_unknown, .held = "3AM Active" };
        QTest::newRow("made active with the path field empty ends InActive, keypad Enter")
            << TimeDialogCase { .site = { "1", "AM", "0" }, .path = "", .hourShown = 0, .activeClicked = true,
                                .closingKey = Qt::Key_Enter, .held = "1AM InActive" };
        QTest::newRow("hour 4.5 shows no item and stays; a half-day in lower case and active flag 7 are kept as AM and inactive")
            << TimeDialogCase { .site = { "4.5", "pm", "7" }, .held = "4.5AM InActive" };
        QTest::newRow("no dialog for a double click while no site is shown") << TimeDialogCase {};
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
        const SiteRecord kept = siteAt(row.site, 1);
        QCOMPARE(kept.hour + kept.amPm + (kept.activeFlag == "1" ? " Active" : " InActive"), c.held);
    }

    // The folder highlighted when the dialog closes, even by Escape, is the
    // working folder, also for the next start.
    void thePathDialogKeepsTheFolderHighlighted()
    {
        ProgramUnderTest p;
        QVERIFY(QDir::current().mkdir("incoming"));
        const QString chosen = p.folder.file("incoming");
        choose(p.program.form.ai_path);
        QPointer<Form3> dialog = openedDialog<Form3>(p.program.form);
        QVERIFY(dialog);
        // The folder list fills in the background; the subfolder is clicked
        // once it is listed.
        const auto* folders = qobject_cast<const QFileSystemModel*>(dialog->Dir1->model());
        QModelIndex entry;
        QTRY_VERIFY_WITH_TIMEOUT((entry = folders->index(chosen)).isValid() && dialog->Dir1->visualRect(entry).isValid(), kWaitMs);
        QTest::mouseDClick(dialog->Dir1->viewport(), Qt::LeftButton, {}, dialog->Dir1->visualRect(entry).center());

        QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);

        QTRY_VERIFY_WITH_TIMEOUT(!dialog, kWaitMs);
        QCOMPARE(p.program.engine.File2.Path(), chosen);
        QCOMPARE(readWorkPath(), chosen);
    }
};

QTEST_MAIN(MenusDialogsTest)
#include "tst_dialogs.moc"
