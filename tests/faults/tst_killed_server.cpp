// A real server (pyftpdlib) killed while a file is coming in: no reply will
// ever confirm that file. The job must still end, through its supervision,
// report a timeout, record the file "fail", keep no part of it under its
// name, and delete nothing on the server that was not confirmed.
#include "support/FaultChecks.h"
#include "support/RealFtpServer.h"

#include <QtTest>

class KilledServerTest : public QObject {
    Q_OBJECT

private slots:
    void killedMidFile_data()
    {
        QTest::addColumn<QString>("retries");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("no retry: the job gives up") << "0" << QStringList { "Timeout Error", "Unknown Error" };
        QTest::newRow("one retry: the restart finds the server gone")
            << "1" << QStringList { "Timeout Error", "Timeout Error" };
    }

    void killedMidFile()
    {
        QFETCH(QString, retries);
        QFETCH(QStringList, log);
        RealFtpServer server(RealFtpServer::Kind::Pyftpdlib);
        // Slow enough that the large file is still coming in when the server is killed.
        server.setSendRate(64 * 1024);
        START_REAL_FTP_SERVER(server);
        const char* const killedDuring = "k2.dat";
        FileMap served;
        for (const auto& [name, size] : { std::pair { "k1.dat", 20'000 }, { killedDuring, 1'000'000 }, { "k3.dat", 20'000 } })
            server.putFile(name, served[name] = faultBytes(name, size));
        JobUnderTest job(true, QDateTime(QDate(2024, 3, 5), QTime(9, 0, 30)));
        Engine& p = job.p;
        job.pointSite({ server.host(), server.port(), server.user(), server.password(), "/", "*.dat" });
        job.setRetries(retries);
        p.options.deleteAfterDownload = true;
        bool killed = false;
        // The name goes into the last-file field once the file's commands are
        // under way, and the byte count starts again at its RETR.
        connect(&p.ftpclient2, &Winsock::DataArrival, &p.ftpclient2, [&] {
            if (!killed && p.transfer.downloadLastFile == killedDuring && p.fText6 > 0) {
                server.kill();
                killed = true;
            }
        });

        FaultChecks::runWithin([&job] { job.runFromSchedule(); });

        QVERIFY(killed);
        QCOMPARE(FaultChecks::errorMessages(job.errorLog()), log);
        QVERIFY(!p.schedule.downloadJobRunning && !p.session.recoveryInProgress);
        QVERIFY(!folderEntries(p.workPath).contains(killedDuring));
        QVERIFY(FaultChecks::outcomesIn(job.put.logFile("dl_file_size.log")).contains("k2.dat fail"));
        FaultChecks::verifyConfirmedDeletesOnly(serverView(server), served, job.put, true);
    }
};

QTEST_MAIN(KilledServerTest)
#include "tst_killed_server.moc"
