// The site files as start-up reads them and closing writes them: a full table
// comes back as it went, the password rule follows "Recall PASS", and a file
// that cannot be read to its end loses nothing: its sites before the fault
// load, the file itself is kept aside, and the other file loads all the same.
#include "app/Program.h"
#include "app/SettingsStore.h"
#include "config/SettingsFormat.h"

#include "support/FileBytes.h"
#include "support/StartedProgram.h"
#include "support/TemporaryCurrentFolder.h"

#include <QFile>
#include <QTest>

namespace {

const QString kDownloadFile = QStringLiteral("valuesd.log");
const QString kUploadFile = QStringLiteral("valuesu.log");

// A site with every field different from its neighbours', with commas, blanks
// and 8-bit characters where the format holds them.
SiteRecord variedSite(const QString& prefix, int slot)
{
    const QString n = QString::number(slot);
    return { prefix + n + QString::fromLatin1(".caf\xe9,x"), QStringLiteral("user ") + n,
             QString::fromLatin1("p\xe4ss,w ") + QString(slot % 40, QLatin1Char('#')) + n,
             QStringLiteral("/in/") + n + QStringLiteral(" a,b"), QString::number(2000 + slot),
             QStringLiteral("*.") + n, slot % 2 ? QStringLiteral("1") : QStringLiteral("0"),
             slot % 3 ? QStringLiteral("0") : QStringLiteral("1"), QString::number(1 + slot % 12),
             slot % 2 ? QStringLiteral("PM") : QStringLiteral("AM") };
}

QByteArray goodLines(const QString& prefix, int count)
{
    QByteArray bytes;
    for (int slot = 1; slot <= count; ++slot)
        bytes += siteLine(variedSite(prefix, slot), true) + "\r\n";
    return bytes;
}

// Puts a site into a table that holds the sites before it.
void appendSite(SiteColumns site, const SiteRecord& record)
{
    putSite(site, ++site.count, record);
}

// A site as its file line shows it: every field, readable when they differ.
QByteArray lineAt(SiteColumns site, int slot)
{
    return siteLine(siteAt(site, slot), true);
}

QStringList itemsOf(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->itemText(i));
    return items;
}

QStringList hostsOf(SiteColumns site)
{
    QStringList hosts;
    for (int slot = 1; slot <= site.count; ++slot)
        hosts.append(site.hosts[size_t(slot)]);
    return hosts;
}

}

class SettingsStoreTest : public QObject {
    Q_OBJECT

private slots:
    void init() { current.emplace(); }
    void cleanup() { current.reset(); }

    void twoHundredSitesComeBackAsTheyWent()
    {
        QList<SiteRecord> download, upload;
        {
            auto first = startedProgram();
            for (int slot = 1; slot <= kMaxSites; ++slot) {
                download.append(variedSite(QStringLiteral("down"), slot));
                upload.append(variedSite(QStringLiteral("up"), slot));
                appendSite(downloadSiteColumns(first->sites), download.last());
                appendSite(uploadSiteColumns(first->sites), upload.last());
            }
            QVERIFY(saveSites(*first));
        }
        auto second = startedProgram();
        const Form1& f = second->form;
        QCOMPARE(second->sites.downloadSiteCount, kMaxSites);
        QCOMPARE(second->sites.uploadSiteCount, kMaxSites);
        for (int slot = 1; slot <= kMaxSites; ++slot) {
            QCOMPARE(lineAt(downloadSiteColumns(second->sites), slot), siteLine(download[slot - 1], true));
            QCOMPARE(lineAt(uploadSiteColumns(second->sites), slot), siteLine(upload[slot - 1], true));
        }
        QCOMPARE(itemsOf(f.Combo2), hostsOf(downloadSiteColumns(second->sites)));
        QCOMPARE(itemsOf(f.Combo3), hostsOf(uploadSiteColumns(second->sites)));
        QCOMPARE(f.Combo2->currentText(), download[0].host);
        QCOMPARE(f.fText4->text(), download[0].password);
        QCOMPARE(f.Text10->text(), upload[0].port);
    }

    void recallPassOffOmitsOrdinaryPasswordsOnly()
    {
        {
            auto first = startedProgram();
            appendSite(downloadSiteColumns(first->sites), variedSite(QStringLiteral("a"), 1));
            SiteRecord anonymous = variedSite(QStringLiteral("b"), 2);
            anonymous.user = QStringLiteral("AnOnYmOuS");
            anonymous.password = QStringLiteral("abc");
            appendSite(downloadSiteColumns(first->sites), anonymous);
            first->form.ai_pass->trigger();
            QVERIFY(saveSites(*first));
        }
        const QList<QByteArray> lines = fileBytes(kDownloadFile).split('\n');
        QVERIFY(lines[0].contains("\"user 1\",,\""));
        QVERIFY(lines[1].contains("\"AnOnYmOuS\",\"bdf\","));
        auto second = startedProgram();
        QCOMPARE(second->sites.downloadPasswords[1], QString());
        QCOMPARE(second->sites.downloadPasswords[2], QStringLiteral("abc"));
    }

    void faultEndsLoadingAndLosesNothing_data()
    {
        QTest::addColumn<QByteArray>("downloadFile");
        QTest::addColumn<QByteArray>("uploadFile");
        QTest::addColumn<int>("downloadSites");
        QTest::addColumn<int>("uploadSites");
        QTest::addColumn<QString>("faultyFile");
        const QByteArray oneUpload = goodLines(QStringLiteral("up"), 1);
        const QByteArray tooShort("\"h\",\"u\",\"bdf\",\"/in\",\"21\",\"*.*\",\"1\",\"0\",\"3\"\r\n");
        QTest::newRow("a 201st line") << goodLines(QStringLiteral("down"), 201) << oneUpload << 200 << 1
                                      << kDownloadFile;
        QTest::newRow("fewer than ten fields on line 3")
            << goodLines(QStringLiteral("down"), 2) + tooShort + goodLines(QStringLiteral("more"), 1) << oneUpload
            << 2 << 1 << kDownloadFile;
        QTest::newRow("binary garbage") << QByteArray("\x00\x01\"\xff\r\n\x80,,\"\n\x7f\xfe", 14) << oneUpload << 0
                                        << 1 << kDownloadFile;
        QTest::newRow("missing closing quote on line 2")
            << goodLines(QStringLiteral("down"), 1)
                   + "\"h\",\"u\",\"bdf\",\"/in\",\"21\",\"*.*\",\"1\",\"0\",\"3\",\"PM\r\n"
            << oneUpload << 1 << 1 << kDownloadFile;
        QTest::newRow("a fault in the upload file keeps the download sites")
            << goodLines(QStringLiteral("down"), 3) << oneUpload + tooShort << 3 << 1 << kUploadFile;
    }

    void faultEndsLoadingAndLosesNothing()
    {
        QFETCH(QByteArray, downloadFile);
        QFETCH(QByteArray, uploadFile);
        QFETCH(int, downloadSites);
        QFETCH(int, uploadSites);
        QFETCH(QString, faultyFile);
        QVERIFY(writeFileBytes(kDownloadFile, downloadFile));
        QVERIFY(writeFileBytes(kUploadFile, uploadFile));
        auto p = startedProgram();
        const Form1& f = p->form;
        QCOMPARE(p->sites.downloadSiteCount, downloadSites);
        QCOMPARE(p->sites.uploadSiteCount, uploadSites);
        QCOMPARE(itemsOf(f.Combo2), hostsOf(downloadSiteColumns(p->sites)));
        QCOMPARE(itemsOf(f.Combo3), hostsOf(uploadSiteColumns(p->sites)));
        const QByteArray faultyBytes = faultyFile == kDownloadFile ? downloadFile : uploadFile;
        QCOMPARE(fileBytes(faultyFile + QStringLiteral(".bad")), faultyBytes);
        const QString soundFile = faultyFile == kDownloadFile ? kUploadFile : kDownloadFile;
        QVERIFY(!QFile::exists(soundFile + QStringLiteral(".bad")));
        // The rows stay empty, and so does the host each list shows: a host
        // shown over empty fields would take edits that no site receives.
        for (const QLineEdit* field : { f.Text1, f.fText3, f.fText4, f.Text2, f.Text3, f.Text4, f.Text5, f.Text6 })
            QCOMPARE(field->text(), QString());
        QCOMPARE(f.Combo2->currentIndex(), -1);
        QCOMPARE(f.Combo2->currentText(), QString());
        QCOMPARE(f.Combo3->currentIndex(), -1);
        QCOMPARE(f.Combo3->currentText(), QString());
        // Start-up went on past loading: the free slots have their defaults.
        if (downloadSites < kMaxSites)
            QCOMPARE(p->sites.downloadHours[size_t(downloadSites + 1)], QStringLiteral("1"));
        QCOMPARE(p->sites.uploadHours[size_t(uploadSites + 1)], QStringLiteral("3"));
    }

    void onlyTheUploadFileFillsTheUploadRow_data()
    {
        QTest::addColumn<bool>("emptyDownloadFile");
        QTest::newRow("valuesd.log missing") << false;
        QTest::newRow("valuesd.log empty") << true;
    }

    void onlyTheUploadFileFillsTheUploadRow()
    {
        QFETCH(bool, emptyDownloadFile);
        if (emptyDownloadFile)
            QVERIFY(writeFileBytes(kDownloadFile, QByteArray()));
        const SiteRecord first { QStringLiteral("up.example.org"), QStringLiteral("carol"), QStringLiteral("s3cret"),
                                 QStringLiteral("/out"), QStringLiteral("2121"), QStringLiteral("*.txt"),
                                 QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("PM") };
        QVERIFY(writeFileBytes(kUploadFile, siteLine(first, true) + "\r\n" + goodLines(QStringLiteral("up"), 1)));
        auto p = startedProgram();
        const Form1& f = p->form;
        QCOMPARE(f.Combo3->count(), 2);
        QCOMPARE(f.Combo3->currentIndex(), 0);
        QCOMPARE(f.Combo3->currentText(), first.host);
        QCOMPARE(p->sites.uploadSiteIndex, 1);
        QCOMPARE(f.Text3->text(), first.host);
        QCOMPARE(f.Text4->text(), first.user);
        QCOMPARE(f.Text5->text(), first.password);
        QCOMPARE(f.Text6->text(), first.path);
        QCOMPARE(f.Text8->text(), first.pattern);
        QCOMPARE(f.Text10->text(), first.port);
        QCOMPARE(f.Label12->text(), QStringLiteral("3PM Active"));
        QCOMPARE(p->sites.downloadSiteCount, 0);
        QCOMPARE(f.Combo2->count(), 0);
        QCOMPARE(f.Combo2->currentText(), QString());
        QCOMPARE(f.fText3->text(), QString());
        QCOMPARE(f.Label11->text(), QStringLiteral("Not Set"));
    }

private:
    std::optional<TemporaryCurrentFolder> current;
};

QTEST_MAIN(SettingsStoreTest)
#include "tst_settings_store.moc"
