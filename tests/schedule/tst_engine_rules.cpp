// Rules the engine decides from its own values, without a window: the job
// switch from the row's fields, and the words a failed session is logged with.
#include "schedule/JobOutcome.h"
#include "schedule/JobSwitch.h"
#include "support/EngineUnderTest.h"

#include <QtTest>

Q_DECLARE_METATYPE(JobKind)

class EngineRulesTest : public QObject {
    Q_OBJECT
private slots:
    void jobSwitch_data();
    void jobSwitch();
    void failureMessage_data();
    void failureMessage();
};

void EngineRulesTest::jobSwitch_data()
{
    QTest::addColumn<JobKind>("job");
    QTest::addColumn<RowFields>("fields");
    QTest::addColumn<QString>("message");
    const RowFields complete { "ftp.example.org", "bob", "secret", "/in", "*.dat", "21", 0 };
    RowFields noUser = complete;
    noUser.user.clear();
    RowFields namedPort = complete;
    namedPort.port = QStringLiteral("2x");
    for (const JobKind job : { JobKind::Download, JobKind::Upload }) {
        const char* name = job == JobKind::Download ? "download" : "upload";
        QTest::addRow("%s: a complete row arms the schedule", name) << job << complete << QString();
        QTest::addRow("%s: an empty field keeps it off", name)
            << job << noUser << QStringLiteral("One or more fields are empty or incorrect");
        QTest::addRow("%s: a port that is no number keeps it off", name)
            << job << namedPort << QStringLiteral("Port must be Numeric");
    }
}

// Whatever happens, the job's sites may all start again today: a switch
// turned on was off first.
void EngineRulesTest::jobSwitch()
{
    QFETCH(JobKind, job);
    QFETCH(RowFields, fields);
    QFETCH(QString, message);
    EngineUnderTest t;
    Engine& e = t.engine;
    const bool download = job == JobKind::Download;
    (download ? e.downloadFields : e.uploadFields) = fields;
    SiteColumns site = download ? downloadSiteColumns(e.sites) : uploadSiteColumns(e.sites);
    site.count = 1;
    site.lastRunDates[1] = QStringLiteral("20240305");
    int& tickCount = download ? e.schedule.downloadTickCount : e.schedule.uploadTickCount;
    tickCount = 7;

    turnJobSwitch(e, job, true);

    const bool armed = message.isEmpty();
    QCOMPARE((download ? e.Timer1 : e.Timer2).Enabled(), armed);
    QCOMPARE(t.view.switchOn.value(job), armed);
    QCOMPARE(t.view.switchState.value(job), QStringLiteral("%1 %2").arg(download ? "Downloads" : "Uploads",
                                                                         armed ? "On" : "Off"));
    QCOMPARE(t.view.messages, armed ? QStringList() : QStringList { message });
    QCOMPARE(tickCount, armed ? 0 : 7);
    if (armed && !download)
        QCOMPARE(e.File2.Pattern(), fields.pattern);

    turnJobSwitch(e, job, false);

    QVERIFY(!(download ? e.Timer1 : e.Timer2).Enabled());
    QCOMPARE(site.lastRunDates[1], QStringLiteral("20000101"));
}

void EngineRulesTest::failureMessage_data()
{
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("socketError");
    QTest::newRow("host not found") << 11001 << false << "Invalid IP/Host" << false;
    QTest::newRow("not an FTP reply") << 2 << false << "Invalid Reply" << false;
    QTest::newRow("connection refused") << 10061 << false << "Timeout Error" << true;
    QTest::newRow("ended by the supervision") << 0 << true << "Timeout Error" << false;
    QTest::newRow("refused login") << 0 << false << "Invalid User/Pass" << false;
}

void EngineRulesTest::failureMessage()
{
    QFETCH(int, errorNumber);
    QFETCH(bool, timedOut);
    QFETCH(QString, message);
    QFETCH(bool, socketError);
    QCOMPARE(::failureMessage(errorNumber, timedOut), message);
    QCOMPARE(isSocketError(errorNumber), socketError);
}

QTEST_GUILESS_MAIN(EngineRulesTest)
#include "tst_engine_rules.moc"
