// The menu items: the options they set and the marks they leave, and
// "eXit Now!" closing the program in the middle of a download.
#include "OperatorActions.h"

#include "schedule/JobRun.h"
#include "support/FileBytes.h"
#include "support/EngineUnderTest.h"
#include "support/ProgramUnderTest.h"
#include "support/ScriptedFtpPeer.h"

#include <QtTest>

using namespace operatorActions;

namespace {

// One program second lasts 5 ms: the supervision ends a stalled session
// within about a second.
constexpr double kFastTimeScale = 0.005;

QStringList checkedItems(const Form1& form)
{
    QStringList names;
    for (const QAction* item : form.findChildren<QAction*>())
        if (item->isCheckable() && item->isChecked())
            names.append(item->objectName());
    names.sort();
    return names;
}

QString optionValues(const Options& o)
{
    return QStringLiteral("%1 del=%2 del2=%3 pass=%4 fsize=%5")
        .arg(o.transferTypeCommand)
        .arg(o.deleteAfterDownload)
        .arg(o.deleteAfterUpload)
        .arg(o.recallPassword)
        .arg(o.fileSizeExistsOption);
}

}

class MenusTest : public QObject {
    Q_OBJECT

private slots:
    void itemsSetTheirOptionsAndMarks_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QString>("options");
        const QString defaults = QStringLiteral("TYPE I del=0 del2=0 pass=1 fsize=0");
        QTest::newRow("ASCII then Binary leaves binary alone checked")
            << QStringList { "ai_asc", "ai_bin" } << QStringList { "ai_bin", "ai_nlst", "ai_pass" } << defaults;
        QTest::newRow("ASCII unchecks Binary")
            << QStringList { "ai_asc" } << QStringList { "ai_asc", "ai_nlst", "ai_pass" }
            << QStringLiteral("TYPE A del=0 del2=0 pass=1 fsize=0");
        QTest::newRow("LIST twice stays LIST")
            << QStringList { "ai_list", "ai_list" } << QStringList { "ai_bin", "ai_list", "ai_pass" } << defaults;
        QTest::newRow("Delete After DownLoad once")
            << QStringList { "ai_del" } << QStringList { "ai_bin", "ai_del", "ai_nlst", "ai_pass" }
            << QStringLiteral("TYPE I del=1 del2=0 pass=1 fsize=0");
        QTest::newRow("Delete After UpLoad, File Size Exists, Recall PASS off")
            << QStringList { "ai_del2", "ai_fsize", "ai_pass" }
            << QStringList { "ai_bin", "ai_del2", "ai_fsize", "ai_nlst" }
            << QStringLiteral("TYPE I del=0 del2=1 pass=0 fsize=1");
        QTest::newRow("Every Hour and the time stamps keep only their marks")
            << QStringList { "ai_hr", "ai_dstamp", "ai_ustamp", "ai_ustamp" }
            << QStringList { "ai_bin", "ai_dstamp", "ai_hr", "ai_nlst", "ai_pass" } << defaults;
        QTest::newRow("PASV cannot be chosen")
            << QStringList { "ai_pasv" } << QStringList { "ai_bin", "ai_nlst", "ai_pass" } << defaults;
    }

    void itemsSetTheirOptionsAndMarks()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, checked);
        QFETCH(QString, options);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));

        for (const QString& name : chosen) {
            auto* item = p.program.form.findChild<QAction*>(name);
            QVERIFY2(item, qPrintable(name));
            choose(item);
        }

        QCOMPARE(checkedItems(p.program.form), checked);
        QCOMPARE(optionValues(p.program.engine.options), options);
    }

    // The window's own close is refused while the download runs; "eXit Now!"
    // closes it anyway and still saves the sites and the working folder.
    void exitNowClosesTheProgramDuringADownload()
    {
        ProgramUnderTest p(kFastTimeScale);
        Program& program = p.program;
        QVERIFY(showWindow(program.form));
        ScriptedFtpPeer peer;
        peer.stopAnsweringAt("USER");
        pointDownloadSite(program.engine, { .port = peer.port(), .user = QStringLiteral("alice"),
                                     .password = QStringLiteral("s3cret"), .pattern = QStringLiteral("*.dat") });
        bool closeRefused = false;
        bool closedByExitNow = false;
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

        QVERIFY(closeRefused);
        QVERIFY(closedByExitNow);
        QVERIFY(program.engine.schedule.exitNowRequested);
        QVERIFY(fileBytes(p.logFile(QStringLiteral("valuesd.log"))).contains("127.0.0.1"));
        QVERIFY(fileBytes(p.logFile(QStringLiteral("pather.log"))).contains(program.engine.workPath.toLatin1()));
    }
};

QTEST_MAIN(MenusTest)
#include "tst_menus.moc"
