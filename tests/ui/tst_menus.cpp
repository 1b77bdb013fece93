// The menu items: the options they set and the marks they leave, and
// "eXit Now!" closing the program in the middle of a download.
#include "OperatorActions.h"

#include "schedule/JobRun.h"
#include "support/EngineUnderTest.h"
#include "support/FileBytes.h"
#include "support/ScriptedFtpPeer.h"

using namespace operatorActions;

namespace {

// One program second lasts 5 ms: the supervision ends a stalled session
// within about a second.
constexpr double kFastTimeScale = 0.005;

// The items checked, then the options they set.
QString marksAndOptions(const Program& program)
{
    QStringList checked;
    for (const QAction* item : program.form.findChildren<QAction*>())
        if (item->isChecked())
            checked.append(item->objectName());
    checked.sort();
    const Options& o = program.engine.options;
    return checked.join(QLatin1Char(' '))
        + QStringLiteral(" | %1 del=%2 del2=%3 pass=%4 fsize=%5 nlst=%6 hr=%7 dstamp=%8 ustamp=%9")
              .arg(o.transferTypeCommand).arg(o.deleteAfterDownload).arg(o.deleteAfterUpload).arg(o.recallPassword)
              .arg(o.fileSizeExistsOption).arg(o.ai_nlst).arg(o.ai_hr).arg(o.ai_dstamp).arg(o.ai_ustamp);
}

}

class MenusTest : public QObject {
    Q_OBJECT

private slots:
    void itemsSetTheirOptionsAndMarks_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QString>("marksAndOptions");
        QTest::newRow("of a pair, the item chosen last is checked alone; PASV cannot be chosen")
            << QStringList { "ai_asc", "ai_bin", "ai_list", "ai_nlst", "ai_pasv" }
            << QStringLiteral("ai_bin ai_nlst ai_pass | TYPE I del=0 del2=0 pass=1 fsize=0 nlst=1 hr=0 dstamp=0 ustamp=0");
        QTest::newRow("each item sets its own option; chosen again, a pair's item stays and the others turn off")
            << QStringList { "ai_asc", "ai_list", "ai_list", "ai_del", "ai_del2", "ai_fsize", "ai_pass", "ai_hr",
                             "ai_dstamp", "ai_ustamp", "ai_ustamp" }
            << QStringLiteral("ai_asc ai_del ai_del2 ai_dstamp ai_fsize ai_hr ai_list"
                              " | TYPE A del=1 del2=1 pass=0 fsize=1 nlst=0 hr=1 dstamp=1 ustamp=0");
    }

    void itemsSetTheirOptionsAndMarks()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QString, marksAndOptions);
        ProgramUnderTest p;
        for (const QString& name : chosen)
            choose(p.program.form.findChild<QAction*>(name));
        QCOMPARE(::marksAndOptions(p.program), marksAndOptions);
    }

    // The window's own close is refused while the download runs; "eXit Now!"
    // closes it anyway and still saves the sites and the working folder.
    void exitNowClosesTheProgramDuringADownload()
    {
        ProgramUnderTest p({}, {}, kFastTimeScale);
        Program& program = p.program;
        ScriptedFtpPeer peer;
        peer.stopAnsweringAt("USER");
        pointDownloadSite(program.engine, { .port = peer.port(), .user = "alice", .password = "s3cret", .pattern = "*.dat" });
        bool closeRefused = false, closedByExitNow = false;
        // The job waits further down the stack; the operator acts meanwhile.
        connect(&peer, &ScriptedFtpPeer::commandReceived, this, [&](const QString& line) {
            if (!line.startsWith(QLatin1String("USER")))
                return;
            closeRefused = !program.form.close() && program.form.isVisible();
            choose(program.form.ai_exit);
            closedByExitNow = !program.form.isVisible();
        });

        // Returns once the supervision has ended the session nobody answers.
        runDownloadJob(program.engine);

        QVERIFY(closeRefused && closedByExitNow);
        QVERIFY(fileBytes(p.folder.file("valuesd.log")).contains("127.0.0.1"));
        QCOMPARE(fileBytes(p.folder.file("pather.log")), workPathLine(program.engine.workPath) + "\r\n");
    }
};

QTEST_MAIN(MenusTest)
#include "tst_menus.moc"
