// The site files as start-up reads them and closing writes them: a full table
// comes back as it went, and a table alone in its file fills its own row.
#include "app/Program.h"
#include "app/StartUp.h"
#include "config/SettingsFiles.h"
#include "config/SettingsFormat.h"

#include "support/FileBytes.h"
#include "support/SampleSites.h"
#include "support/StartedProgram.h"
#include "support/TemporaryCurrentFolder.h"

#include <QFile>
#include <QTest>

namespace {

const QString kDownloadFile = QStringLiteral("valuesd.log");
const QString kUploadFile = QStringLiteral("valuesu.log");

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
                appendSite(downloadSiteColumns(first->engine.sites), download.last());
                appendSite(uploadSiteColumns(first->engine.sites), upload.last());
            }
            QVERIFY(closeRequested(*first));
        }
        auto second = startedProgram();
        const Form1& f = second->form;
        QCOMPARE(second->engine.sites.downloadSiteCount, kMaxSites);
        QCOMPARE(second->engine.sites.uploadSiteCount, kMaxSites);
        for (int slot = 1; slot <= kMaxSites; ++slot) {
            QCOMPARE(lineAt(downloadSiteColumns(second->engine.sites), slot), siteLine(download[slot - 1], true));
            QCOMPARE(lineAt(uploadSiteColumns(second->engine.sites), slot), siteLine(upload[slot - 1], true));
        }
        QCOMPARE(itemsOf(f.Combo2), hostsOf(downloadSiteColumns(second->engine.sites)));
        QCOMPARE(itemsOf(f.Combo3), hostsOf(uploadSiteColumns(second->engine.sites)));
        QCOMPARE(f.Combo2->currentText(), download[0].host);
        QCOMPARE(f.fText4->text(), download[0].password);
        QCOMPARE(f.Text10->text(), upload[0].port);
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
        QCOMPARE(p->engine.sites.uploadSiteIndex, 1);
        QCOMPARE(f.Text3->text(), first.host);
        QCOMPARE(f.Text4->text(), first.user);
        QCOMPARE(f.Text5->text(), first.password);
        QCOMPARE(f.Text6->text(), first.path);
        QCOMPARE(f.Text8->text(), first.pattern);
        QCOMPARE(f.Text10->text(), first.port);
        QCOMPARE(f.Label12->text(), QStringLiteral("3PM Active"));
        QCOMPARE(p->engine.sites.downloadSiteCount, 0);
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
