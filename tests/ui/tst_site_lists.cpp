// The host lists of both jobs: creating a site by typing, renaming it, picking
// one, removing one, and the limit of 200 sites.
#include "OperatorActions.h"

#include "app/StartUp.h"
#include "config/SettingsFormat.h"
#include "schedule/FieldLocks.h"
#include "support/ProgramUnderTest.h"
#include "ui/SiteList.h"

#include <QFile>
#include <QtTest>

using namespace operatorActions;

namespace {

Row rowOf(Program& p, bool download)
{
    return download ? downloadRow(p) : uploadRow(p);
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

void addJobColumn()
{
    QTest::addColumn<bool>("download");
}

void addJobRows()
{
    addJobColumn();
    QTest::newRow("download") << true;
    QTest::newRow("upload") << false;
}

// Three sites "a", "b" and "c", each with its own user, at 4, 5 and 6 PM,
// active, with the duplicate check off; the row shows site 1.
void typeThreeSites(Row& row)
{
    const QStringList hosts { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") };
    for (int i = 0; i < 3; ++i) {
        typeSite(row, { .host = hosts[i], .user = QStringLiteral("u") + hosts[i] });
        const size_t slot = size_t(i + 1);
        row.site.hours[slot] = QString::number(4 + i);
        row.site.amPm[slot] = QStringLiteral("PM");
        row.site.activeFlags[slot] = QStringLiteral("1");
        row.site.dupeFlags[slot] = QStringLiteral("0");
    }
    pick(row.hostList, 0);
}

bool writeFile(const QString& name, const QList<QByteArray>& lines)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(lines.join("\r\n") + "\r\n") > 0;
}

}

class SiteListsTest : public QObject {
    Q_OBJECT

private slots:
    void aHostTypedLetterByLetterCreatesThenRenamesItsSite_data()
    {
        addJobColumn();
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
        QCOMPARE(row.site.hosts[1], QStringLiteral("a"));
        QCOMPARE(items(row.hostList), QStringList { QStringLiteral("a") });
        QCOMPARE((QStringList { row.user->text(), row.password->text(), row.path->text(), row.pattern->text(),
                                row.port->text() }),
                 (QStringList { {}, {}, {}, QStringLiteral("*.*"), QStringLiteral("21") }));
        QCOMPARE(row.site.activeFlags[1], QStringLiteral("0"));
        QCOMPARE(row.site.dupeFlags[1], QStringLiteral("1"));
        QVERIFY(row.dupeBox->isChecked());
        QCOMPARE(row.scheduleDisplay->text(), newSiteTime);

        QTest::keyClicks(row.hostList, QStringLiteral("b"));
        QCOMPARE(row.site.count, 1);
        QCOMPARE(row.site.hosts[1], QStringLiteral("ab"));
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
        QCOMPARE(items(row.hostList), (QStringList { QStringLiteral("ab"), QStringLiteral("cd") }));
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
        typeSite(row, { .host = QStringLiteral("one"), .user = QStringLiteral("u1"), .path = QStringLiteral("/1") });
        typeSite(row, { .host = QStringLiteral("two"), .user = QStringLiteral("u2"), .path = QStringLiteral("/2"),
                        .port = QStringLiteral("2222") });
        row.site.hours[2] = QStringLiteral("5");
        row.site.amPm[2] = QStringLiteral("PM");
        row.site.activeFlags[2] = QStringLiteral("1");
        row.site.dupeFlags[2] = QStringLiteral("0");
        pick(row.hostList, 0);
        QCOMPARE(row.user->text(), QStringLiteral("u1"));

        pick(row.hostList, 1);

        QCOMPARE(row.site.index, 2);
        QCOMPARE(row.listIndex, 1);
        QCOMPARE(row.hostList->currentText(), QStringLiteral("two"));
        QCOMPARE((QStringList { row.user->text(), row.path->text(), row.port->text() }),
                 (QStringList { QStringLiteral("u2"), QStringLiteral("/2"), QStringLiteral("2222") }));
        QCOMPARE(row.scheduleDisplay->text(), QStringLiteral("5PM Active"));
        QVERIFY(!row.dupeBox->isChecked());
        QCOMPARE((QStringList { row.site.users[1], row.site.paths[1], row.site.ports[1] }),
                 (QStringList { QStringLiteral("u1"), QStringLiteral("/1"), QStringLiteral("2121") }));

        // The duplicate-check box writes the site shown, and only that one.
        click(row.dupeBox);
        QCOMPARE(row.site.dupeFlags[2], QStringLiteral("1"));
        QCOMPARE(row.site.dupeFlags[1], QStringLiteral("1"));
        QVERIFY(row.dupeCheck);
    }

    void removingASiteClosesTheGapAndDisarmsTheJob_data()
    {
        addJobColumn();
        QTest::addColumn<int>("removed");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QStringList>("leftHours");
        QTest::addColumn<QString>("shownTime");
        for (bool download : { true, false }) {
            const char* job = download ? "download" : "upload";
            QTest::addRow("%s first of three: 2 and 3 move up", job)
                << download << 0 << QStringList { QStringLiteral("b"), QStringLiteral("c") }
                << QStringList { QStringLiteral("5"), QStringLiteral("6") }
                << QStringLiteral("5PM Active");
            QTest::addRow("%s middle of three: 3 moves up", job)
                << download << 1 << QStringList { QStringLiteral("a"), QStringLiteral("c") }
                << QStringList { QStringLiteral("4"), QStringLiteral("6") }
                << QStringLiteral("4PM Active");
            QTest::addRow("%s last of three", job)
                << download << 2 << QStringList { QStringLiteral("a"), QStringLiteral("b") }
                << QStringList { QStringLiteral("4"), QStringLiteral("5") }
                << QStringLiteral("4PM Active");
        }
    }

    void removingASiteClosesTheGapAndDisarmsTheJob()
    {
        QFETCH(bool, download);
        QFETCH(int, removed);
        QFETCH(QStringList, left);
        QFETCH(QStringList, leftHours);
        QFETCH(QString, shownTime);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        Row row = rowOf(p.program, download);
        typeThreeSites(row);
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
        QCOMPARE((QStringList { row.site.hosts[3], row.site.dupeFlags[3], row.site.activeFlags[3], row.site.hours[3],
                                row.site.amPm[3] }),
                 (QStringList { QStringLiteral("c"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1"),
                                QStringLiteral("AM") }));
        QCOMPARE(row.hostList->currentIndex(), 0);
        QCOMPARE(row.listIndex, 0);
        QCOMPARE(row.site.index, 1);
        QCOMPARE(row.user->text(), QStringLiteral("u") + left[0]);
        QCOMPARE(row.scheduleDisplay->text(), shownTime);
        QVERIFY(!row.jobSwitch->isChecked());
        QCOMPARE(row.stateLabel->text(), row.switchedOffText);
        QVERIFY(!row.scheduleTimer.Enabled());
    }

    void removingTheOnlySiteLeavesNotSet_data() { addJobRows(); }

    void removingTheOnlySiteLeavesNotSet()
    {
        QFETCH(bool, download);
        ProgramUnderTest p;
        Row row = rowOf(p.program, download);
        typeSite(row, { .host = QStringLiteral("only") });

        choose(removeItem(p.program, download));

        QCOMPARE(row.site.count, 0);
        QCOMPARE(items(row.hostList), QStringList());
        QCOMPARE(row.hostList->currentText(), QString());
        QCOMPARE(row.scheduleDisplay->text(), QStringLiteral("Not Set"));
        QCOMPARE((QStringList { row.user->text(), row.password->text(), row.path->text(), row.pattern->text(),
                                row.port->text() }),
                 (QStringList { {}, {}, {}, QStringLiteral("*.*"), QStringLiteral("21") }));

        // The empty list takes a new first site as at the first start.
        QTest::keyClicks(row.hostList, QStringLiteral("z"));
        QCOMPARE(row.site.count, 1);
        QCOMPARE(row.site.hosts[1], QStringLiteral("z"));
        QCOMPARE(items(row.hostList), QStringList { QStringLiteral("z") });
    }

    void removalDoesNothingWithoutASiteShownOrWhileTheJobRuns_data()
    {
        addJobColumn();
        QTest::addColumn<bool>("jobRunning");
        for (bool download : { true, false }) {
            const char* job = download ? "download" : "upload";
            QTest::addRow("%s host box emptied", job) << download << false;
            QTest::addRow("%s row locked by a running job", job) << download << true;
        }
    }

    void removalDoesNothingWithoutASiteShownOrWhileTheJobRuns()
    {
        QFETCH(bool, download);
        QFETCH(bool, jobRunning);
        ProgramUnderTest p;
        Row row = rowOf(p.program, download);
        typeSite(row, { .host = QStringLiteral("a") });
        typeSite(row, { .host = QStringLiteral("b") });
        if (jobRunning)
            (download ? lockDownloadFields : lockUploadFields)(p.program);
        else
            clearHost(row.hostList);

        choose(removeItem(p.program, download));

        QCOMPARE(row.site.count, 2);
        QCOMPARE(items(row.hostList), (QStringList { QStringLiteral("a"), QStringLiteral("b") }));
        QCOMPARE(column(row.site.hosts, 2), (QStringList { QStringLiteral("a"), QStringLiteral("b") }));
    }

    // A damaged upload file keeps start-up from showing a site in either row:
    // the download list holds its two sites, none of them current, and the
    // host box is empty. A host typed there is a new site, kept at closing,
    // not a list item without a site behind it.
    void aHostTypedWhileNoSiteIsShownMakesANewSite()
    {
        TemporaryCurrentFolder folder;
        const auto site = [](const QString& host) {
            return siteLine({ host, QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("/"), QStringLiteral("21"),
                              QStringLiteral("*.*"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1"),
                              QStringLiteral("AM") },
                            true);
        };
        QVERIFY(writeFile(QStringLiteral("valuesd.log"), { site(QStringLiteral("a")), site(QStringLiteral("b")) }));
        QVERIFY(writeFile(QStringLiteral("valuesu.log"), { "not a site" }));
        Program program;
        program.messages.recordInsteadOfShowing();
        startUp(program);
        Row row = downloadRow(program);
        QCOMPARE(row.site.count, 2);
        QCOMPARE(row.hostList->currentText(), QString());

        QTest::keyClicks(row.hostList, QStringLiteral("x"));

        QCOMPARE(row.site.count, 3);
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

        clearHost(row.hostList);
        QTest::keyClicks(row.hostList, QStringLiteral("x"));

        QCOMPARE(p.program.messages.shown().size(), 1);
        QVERIFY2(p.program.messages.shown().first().contains(QString::number(kMaxSites)),
                 qPrintable(p.program.messages.shown().first()));
        QCOMPARE(row.site.count, kMaxSites);
        QCOMPARE(row.hostList->count(), kMaxSites);
        QCOMPARE(row.site.hosts[kMaxSites], QStringLiteral("s200"));
        QCOMPARE(row.hostList->itemText(kMaxSites - 1), QStringLiteral("s200"));
        QCOMPARE(row.hostList->currentText(), QString());

        // Still full: the next letter is refused as well.
        QTest::keyClicks(row.hostList, QStringLiteral("y"));
        QCOMPARE(p.program.messages.shown().size(), 2);
        QCOMPARE(row.site.count, kMaxSites);

        // A site removed makes room for one more.
        pick(row.hostList, 0);
        QCOMPARE(row.hostList->currentText(), QStringLiteral("s1"));
        choose(removeItem(p.program, download));
        QCOMPARE(row.site.count, kMaxSites - 1);
        clearHost(row.hostList);
        QTest::keyClicks(row.hostList, QStringLiteral("x"));
        QCOMPARE(p.program.messages.shown().size(), 2);
        QCOMPARE(row.site.count, kMaxSites);
        QCOMPARE(row.site.hosts[kMaxSites], QStringLiteral("x"));
        QCOMPARE(row.site.hosts[1], QStringLiteral("s2"));
    }
};

QTEST_MAIN(SiteListsTest)
#include "tst_site_lists.moc"
