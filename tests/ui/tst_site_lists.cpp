// The host lists of both jobs: creating a site by typing, renaming it, picking
// one, removing one, and the limit of 200 sites.
#include "OperatorActions.h"

#include "app/StartUp.h"
#include "config/SettingsFormat.h"
#include "schedule/FieldLocks.h"
#include "support/FileBytes.h"
#include "support/ProgramUnderTest.h"
#include "ui/SiteList.h"

#include <QtTest>

using namespace operatorActions;

namespace {

Row rowOf(Program& p, bool download)
{
    return download ? downloadRow(p.window) : uploadRow(p.window);
}

QAction* removeItem(Program& p, bool download)
{
    return download ? p.form.ai_rem : p.form.ai_rem2;
}

QStringList items(const QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->itemText(i));
    return texts;
}

QStringList column(const SiteColumn& column, int count)
{
    return QStringList(column.begin() + 1, column.begin() + 1 + count);
}

void addJobRows()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("download") << true;
    QTest::newRow("upload") << false;
}

// Sites "a", "b", ... with users "ua", "ub", ..., the n-th at 3 + n PM,
// active, with the duplicate check off; the row shows site 1.
void typeSites(Row& row, const QStringList& hosts)
{
    for (int i = 0; i < hosts.size(); ++i) {
        typeSite(row, { .host = hosts[i], .user = QStringLiteral("u") + hosts[i], .port = QString::number(2121 + i) });
        const size_t slot = size_t(i + 1);
        row.site.hours[slot] = QString::number(4 + i);
        row.site.amPm[slot] = QStringLiteral("PM");
        row.site.activeFlags[slot] = QStringLiteral("1");
        row.site.dupeFlags[slot] = QStringLiteral("0");
    }
    pick(row.hostList, 0);
}

}

class SiteListsTest : public QObject {
    Q_OBJECT

private slots:
    void aHostTypedLetterByLetterCreatesThenRenamesItsSite_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("newSiteTime");
        QTest::newRow("download") << true << QStringLiteral("1AM InActive");
        QTest::newRow("upload") << false << QStringLiteral("3AM InActive");
    }

    void aHostTypedLetterByLetterCreatesThenRenamesItsSite()
    {
        QFETCH(bool, download);
        QFETCH(QString, newSiteTime);
        ProgramUnderTest p;
        Row row = rowOf(p.program, download);

        QTest::keyClicks(row.hostList, QStringLiteral("a"));
        QCOMPARE(row.site.count, 1);
        QCOMPARE((QStringList { row.user->text(), row.password->text(), row.path->text(), row.pattern->text(),
                                row.port->text() }),
                 (QStringList { {}, {}, {}, QStringLiteral("*.*"), QStringLiteral("21") }));
        QCOMPARE(row.site.activeFlags[1], QStringLiteral("0"));
        QCOMPARE(row.site.dupeFlags[1], QStringLiteral("1"));
        QVERIFY(row.dupeBox->isChecked());
        QCOMPARE(row.scheduleDisplay->text(), newSiteTime);
        QTest::keyClicks(row.hostList, QStringLiteral("b"));
        QCOMPARE(row.site.count, 1);
        QCOMPARE(items(row.hostList), QStringList { QStringLiteral("ab") });

        // While the host box is empty the row belongs to no site: clearing it
        // must not reach site 1, and the next host is a second site.
        type(row.user, QStringLiteral("u1"));
        clearHost(row.hostList);
        QCOMPARE(row.user->text(), QString());
        QTest::keyClicks(row.hostList, QStringLiteral("cd"));
        QCOMPARE(row.site.count, 2);
        QCOMPARE(column(row.site.hosts, 2), (QStringList { QStringLiteral("ab"), QStringLiteral("cd") }));
        QCOMPARE(column(row.site.users, 2), (QStringList { QStringLiteral("u1"), QString() }));
        QCOMPARE(items(row.hostList), column(row.site.hosts, 2));
        QCOMPARE(row.site.index, 2);
    }

    // Loading a site writes every field, and each field's handler stores into
    // the current site: the slot picked must be current before the row fills.
    void pickingAnItemLoadsItsSlot_data() { addJobRows(); }

    void pickingAnItemLoadsItsSlot()
    {
        QFETCH(bool, download);
        ProgramUnderTest p;
        Row row = rowOf(p.program, download);
        typeSites(row, { QStringLiteral("a"), QStringLiteral("b") });
        row.site.dupeFlags[1] = QStringLiteral("1");

        pick(row.hostList, 1);

        QCOMPARE(row.site.index, 2);
        QCOMPARE(row.listIndex, 1);
        QCOMPARE((QStringList { row.user->text(), row.port->text() }),
                 (QStringList { QStringLiteral("ub"), QStringLiteral("2122") }));
        QCOMPARE(row.scheduleDisplay->text(), QStringLiteral("5PM Active"));
        QVERIFY(!row.dupeBox->isChecked());
        QCOMPARE((QStringList { row.site.users[1], row.site.ports[1] }),
                 (QStringList { QStringLiteral("ua"), QStringLiteral("2121") }));

        // The duplicate-check box writes the site shown, and only that one.
        click(row.dupeBox);
        QCOMPARE(row.site.dupeFlags[2], QStringLiteral("1"));
        click(row.dupeBox);
        QCOMPARE(row.site.dupeFlags[2], QStringLiteral("0"));
        QCOMPARE(row.site.dupeFlags[1], QStringLiteral("1"));
    }

    void removingASiteClosesTheGapAndDisarmsTheJob_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QStringList>("leftHours");
        QTest::newRow("download first of three: 2 and 3 move up")
            << true << 0 << QStringList { "b", "c" } << QStringList { "5", "6" };
        QTest::newRow("upload middle of three: 3 moves up")
            << false << 1 << QStringList { "a", "c" } << QStringList { "4", "6" };
        QTest::newRow("download last of three") << true << 2 << QStringList { "a", "b" } << QStringList { "4", "5" };
    }

    void removingASiteClosesTheGapAndDisarmsTheJob()
    {
        QFETCH(bool, download);
        QFETCH(int, removed);
        QFETCH(QStringList, left);
        QFETCH(QStringList, leftHours);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        Row row = rowOf(p.program, download);
        typeSites(row, { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") });
        click(row.jobSwitch);
        QVERIFY(row.jobSwitch->isChecked());
        pick(row.hostList, removed);

        choose(removeItem(p.program, download));

        QCOMPARE(row.site.count, 2);
        QCOMPARE(items(row.hostList), left);
        QCOMPARE(column(row.site.hosts, 2), left);
        QCOMPARE(column(row.site.users, 2), (QStringList { QStringLiteral("u") + left[0], QStringLiteral("u") + left[1] }));
        QCOMPARE(column(row.site.hours, 2), leftHours);
        // The old last slot is free again, with the schedule of a fresh slot.
        QCOMPARE((QStringList { row.site.dupeFlags[3], row.site.activeFlags[3], row.site.hours[3], row.site.amPm[3] }),
                 (QStringList { QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("AM") }));
        QCOMPARE(row.site.index, 1);
        QCOMPARE(row.user->text(), QStringLiteral("u") + left[0]);
        QCOMPARE(row.scheduleDisplay->text(), leftHours[0] + QStringLiteral("PM Active"));
        QVERIFY(!row.jobSwitch->isChecked());
        QVERIFY(!row.scheduleTimer.Enabled());
    }

    void removalDoesNothingWithoutASiteShownOrWhileTheJobRuns_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<bool>("jobRunning");
        QTest::newRow("download host box emptied") << true << false;
        QTest::newRow("upload row locked by a running job") << false << true;
    }

    void removalDoesNothingWithoutASiteShownOrWhileTheJobRuns()
    {
        QFETCH(bool, download);
        QFETCH(bool, jobRunning);
        ProgramUnderTest p;
        Row row = rowOf(p.program, download);
        typeSites(row, { QStringLiteral("a"), QStringLiteral("b") });
        if (jobRunning)
            (download ? lockDownloadFields : lockUploadFields)(p.program.engine);
        else
            clearHost(row.hostList);

        choose(removeItem(p.program, download));

        QCOMPARE(row.site.count, 2);
        QCOMPARE(items(row.hostList), (QStringList { QStringLiteral("a"), QStringLiteral("b") }));
        QCOMPARE(column(row.site.hosts, 2), items(row.hostList));
    }

    // A damaged upload file keeps start-up from showing a site in either row:
    // the download list holds its two sites, none of them current, and the
    // host box is empty. A host typed there is a new site, kept at closing,
    // not a list item without a site behind it.
    void aHostTypedWhileNoSiteIsShownMakesANewSite()
    {
        TemporaryCurrentFolder folder;
        const auto site = [](const char* host) {
            return siteLine({ host, "u", "p", "/", "21", "*.*", "1", "0", "1", "AM" }, true) + "\r\n";
        };
        QVERIFY(writeFileBytes(QStringLiteral("valuesd.log"), site("a") + site("b")));
        QVERIFY(writeFileBytes(QStringLiteral("valuesu.log"), "not a site\r\n"));
        Program program;
        program.form.messages.recordInsteadOfShowing();
        startUp(program);
        Row row = downloadRow(program.window);
        QCOMPARE(row.site.count, 2);
        QCOMPARE(row.hostList->currentText(), QString());

        QTest::keyClicks(row.hostList, QStringLiteral("x"));

        QCOMPARE(column(row.site.hosts, 3), (QStringList { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("x") }));
        QCOMPARE(items(row.hostList), column(row.site.hosts, 3));
        QCOMPARE(row.site.index, 3);
        QCOMPARE(row.listIndex, 2);
    }

    void a201stSiteIsRefused_data() { addJobRows(); }

    void a201stSiteIsRefused()
    {
        QFETCH(bool, download);
        ProgramUnderTest p;
        Row row = rowOf(p.program, download);
        for (int site = 1; site <= kMaxSites; ++site) {
            setHostText(row, QString());
            setHostText(row, QStringLiteral("s%1").arg(site));
        }
        QCOMPARE(row.site.count, kMaxSites);

        // Refused, and refused again while still full.
        clearHost(row.hostList);
        QTest::keyClicks(row.hostList, QStringLiteral("xy"));
        QCOMPARE(p.program.form.messages.shown().size(), 2);
        QVERIFY2(p.program.form.messages.shown().first().contains(QString::number(kMaxSites)),
                 qPrintable(p.program.form.messages.shown().first()));
        QCOMPARE(row.site.count, kMaxSites);
        QCOMPARE(row.hostList->count(), kMaxSites);
        QCOMPARE(row.site.hosts[kMaxSites], QStringLiteral("s200"));
        QCOMPARE(row.hostList->currentText(), QString());

        // A site removed makes room for one more.
        pick(row.hostList, 0);
        choose(removeItem(p.program, download));
        clearHost(row.hostList);
        QTest::keyClicks(row.hostList, QStringLiteral("x"));
        QCOMPARE(p.program.form.messages.shown().size(), 2);
        QCOMPARE(row.site.count, kMaxSites);
        QCOMPARE(row.site.hosts[kMaxSites], QStringLiteral("x"));
        QCOMPARE(row.site.hosts[1], QStringLiteral("s2"));
    }
};

QTEST_MAIN(SiteListsTest)
#include "tst_site_lists.moc"
