// The job procedures from one call to their return, against a scripted peer, a
// closed port and a host that does not exist: how each way of ending is shown
// and logged, and that the row is locked only while the job runs.
#include "support/LoopbackPort.h"
#include "support/PeerJob.h"

#include <QtTest>

namespace {

const QByteArray kEarlierLogLine = "Invalid User/Pass 2020/12/05 at 09:00:00 AM\r\n";
const QString kScheduleDisplay = QStringLiteral("9AM Active");

std::function<void(PeerJob&)> pointedAt(const QString& host, quint16 port)
{
    return [=](PeerJob& r) { r.job.pointSite({ host, port, "alice", "s3cret", "/in", "*.dat" }); };
}

}

class JobRunTest : public QObject {
    Q_OBJECT
private slots:
    void endingShownAndLogged_data()
    {
        QTest::addColumn<JobCase>("row");
        QTest::addColumn<QString>("display");
        // The port field takes any number, "21.0" included.
        const auto portWithDecimals = [](PeerJob& r) {
            const QString port = QString::number(r.peer.port()) + ".0";
            (r.c.download ? r.p.sites.downloadPorts : r.p.sites.uploadPorts)[1] = port;
            (r.c.download ? r.p.downloadFields : r.p.uploadFields).port = port;
        };
        for (const bool download : { true, false }) {
            const auto row = [download](JobCase c, const QString& display) {
                c.download = download;
                c.deleteAfter = false;
                c.now = QDateTime(QDate(2020, 12, 6), QTime(9, 5, 7));  // a Sunday
                QTest::addRow("%s: %s", download ? "download" : "upload", c.name) << c << display;
            };
            row({ .name = "a finished job, its port written with decimals, leaves the display and the log alone",
                  .setUp = portWithDecimals, .outcomes = { "a.dat pass", "b.dat pass" } }, kScheduleDisplay);
            row({ .name = "refused login", .scripts = { { "PASS", { "530 Login incorrect." } } },
                  .error = "Invalid User/Pass" }, "9AM Login Failed");
            row({ .name = "unknown host", .setUp = pointedAt("tolvane-test.invalid", 21), .error = "Invalid IP/Host",
                  .sessions = 0 }, "9AMTimeout");
            row({ .name = "closed port", .setUp = pointedAt("127.0.0.1", closedPort()), .error = "Timeout Error",
                  .sessions = 0 }, "9AMTimeout");
        }
    }

    void endingShownAndLogged()
    {
        QFETCH(JobCase, row);
        QFETCH(QString, display);
        row.setUp = [setUp = row.setUp](PeerJob& r) {
            setUp ? setUp(r) : void();
            QVERIFY(writeFileBytes(r.job.errorLog(), kEarlierLogLine));
            r.job.showScheduleDisplay(kScheduleDisplay);
        };
        PeerJob run(row);
        const RecordingView& view = run.job.put.view;
        const JobKind other = row.download ? JobKind::Upload : JobKind::Download;
        QList<bool> ownAndOtherRowEnabledAtLogin;
        QObject::connect(&run.peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
            if (line.startsWith("USER"))
                ownAndOtherRowEnabledAtLogin << view.rowEnabled.value(run.job.kind()) << view.rowEnabled.value(other);
        });

        run.run();

        run.verify();
        QCOMPARE(ownAndOtherRowEnabledAtLogin, QList<bool>({ false, true }).first(2 * row.sessions));
        QCOMPARE(run.job.scheduleDisplay(), display);
        // Earlier lines stay as they were; a failed job adds one.
        const QByteArray added = row.error.isEmpty() ? "" : row.error.toLatin1() + " 2020/12/06 at 09:05:07 AM\r\n";
        QCOMPARE(fileBytes(run.job.errorLog()), kEarlierLogLine + added);
        QCOMPARE(run.job.lastRunLine(), (row.download ? "Last Download on " : "Last Upload on ") + QStringLiteral("Sun 6th Dec"));
        QCOMPARE((row.download ? run.p.ftpclient1 : run.p.ftpclient1a).State(), int(Winsock::sckClosed));
        QCOMPARE((row.download ? run.p.ftpclient2 : run.p.ftpclient3).State(), int(Winsock::sckClosed));
    }
};

QTEST_MAIN(JobRunTest)
#include "tst_job_run.moc"
