// Settings files corrupted between runs: fewer than ten fields, a 201st line,
// binary garbage, a missing closing quote. Start-up goes on with what loaded:
// the sites before the fault load, nothing is lost (the file is kept aside as
// ".bad" and the other file loads all the same), and the faulty file's job
// says so in its error log.
#include "ui/OperatorActions.h"

class SettingsFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void faultEndsLoadingAndLosesNothing_data()
    {
        QTest::addColumn<QByteArray>("downloadFile");
        QTest::addColumn<QByteArray>("uploadFile");
        QTest::addColumn<int>("downloadSites");
        QTest::addColumn<int>("uploadSites");
        const QByteArray oneUpload = goodLines(QStringLiteral("up"), 1);
        const QByteArray tooShort("\"h\",\"u\",\"bdf\",\"/in\",\"21\",\"*.*\",\"1\",\"0\",\"3\"\r\n");
        QTest::newRow("a 201st line") << goodLines(QStringLiteral("down"), 201) << oneUpload << 200 << 1;
        QTest::newRow("fewer than ten fields on line 3")
            << goodLines(QStringLiteral("down"), 2) + tooShort + goodLines(QStringLiteral("more"), 1) << oneUpload << 2
            << 1;
        QTest::newRow("binary garbage") << QByteArray("\x00\x01\"\xff\r\n\x80,,\"\n\x7f\xfe", 14) << oneUpload << 0 << 1;
        QTest::newRow("missing closing quote on line 2")
            << goodLines(QStringLiteral("down"), 1) + "\"h\",\"u\",\"bdf\",\"/in\",\"21\",\"*.*\",\"1\",\"0\",\"3\",\"PM\r\n"
            << oneUpload << 1 << 1;
        QTest::newRow("a fault in the upload file keeps the download sites")
            << goodLines(QStringLiteral("down"), 3) << oneUpload + tooShort << 3 << 1;
    }

    void faultEndsLoadingAndLosesNothing()
    {
        QFETCH(QByteArray, downloadFile);
        QFETCH(QByteArray, uploadFile);
        QFETCH(int, downloadSites);
        QFETCH(int, uploadSites);
        ProgramUnderTest t(downloadFile, uploadFile);
        Program* p = &t.program;
        const Form1& f = p->form;
        QCOMPARE(itemsOf(f.Combo2), hostsOf(downloadSiteColumns(p->engine.sites)));
        QCOMPARE(itemsOf(f.Combo3), hostsOf(uploadSiteColumns(p->engine.sites)));
        QCOMPARE(int(itemsOf(f.Combo2).size()), downloadSites);
        QCOMPARE(int(itemsOf(f.Combo3).size()), uploadSites);
        // The faulty file is kept aside, and its job's error log says so; the
        // other's stays empty.
        const bool downloadFaulty = uploadFile.count('\n') == 1;
        const QString faulty = downloadFaulty ? QStringLiteral("valuesd") : QStringLiteral("valuesu");
        QCOMPARE(fileBytes(faulty + ".log.bad"), downloadFaulty ? downloadFile : uploadFile);
        QVERIFY(!QFile::exists((downloadFaulty ? "valuesu" : "valuesd") + QStringLiteral(".log.bad")));
        QVERIFY(fileBytes(downloadFaulty ? "err_dload.log" : "err_upload.log").startsWith("Invalid Site File "));
        QVERIFY(!QFile::exists(downloadFaulty ? "err_upload.log" : "err_dload.log"));
        // The rows stay empty, and so does the host each list shows: a host
        // shown over empty fields would take edits that no site receives.
        for (const QLineEdit* field : { f.Text1, f.fText3, f.fText4, f.Text2, f.Text3, f.Text4, f.Text5, f.Text6 })
            QCOMPARE(field->text(), QString());
        QCOMPARE(f.Combo2->currentIndex() + f.Combo3->currentIndex(), -2);
    }
};

QTEST_MAIN(SettingsFaultsTest)
#include "tst_settings_faults.moc"
