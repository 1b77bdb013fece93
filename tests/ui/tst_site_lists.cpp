// The host lists of both jobs: creating a site by typing, renaming it, picking
// one, removing one, and the limit of 200 sites.
#include "OperatorActions.h"

#include "schedule/FieldLocks.h"
#include "support/FileBytes.h"
#include "support/StartedProgram.h"
#include "ui/SiteList.h"

using namespace operatorActions;

namespace {

QStringList column(const SiteColumn& column, int count)
{
    return QStringList(column.begin() + 1, column.begin() + 1 + count);
}

// Sites "a", "b", ... with users "ua", "ub", ..., the n-th at 3 + n PM,
// active, with the duplicate check off; the row shows site 1.
void typeSites(Row& row, const QStringList& hosts)
{
    for (int i = 0; i < hosts.size(); ++i) {
        typeSite(row, { .host = hosts[i], .user = "u" + hosts[i], .port = QString::number(2121 + i) });
        putSite(row.site, i + 1, { hosts[i], "u" + hosts[i], "s3cret", "/in", QString::number(2121 + i), "*.dat", "0", "1",
                                   QString::number(4 + i), "PM" });
    }
    pick(row.hostList, 0);
}

}

class SiteListsTest : public QObject {
    Q_OBJECT

private slots:
    // While the host box is empty the row belongs to no site: clearing it
    // must not reach site 1, and the next host is a second site.
    void aHostTypedLetterByLetterCreatesThenRenamesItsSite()
    {
        ProgramUnderTest p;
        Row row = uploadRow(p.program.window);

        QTest::keyClicks(row.hostList, QStringLiteral("ab"));
        type(row.user, QStringLiteral("u1"));
        clearHost(row);
        QCOMPARE(row.user->text(), QString());
        QTest::keyClicks(row.hostList, QStringLiteral("cd"));
        type(row.user, QStringLiteral("u2"));

        QCOMPARE(itemsOf(row.hostList), (QStringList { "ab", "cd" }));
        QCOMPARE(column(row.site.hosts, 3), (QStringList { "ab", "cd", {} }));
        QCOMPARE(column(row.site.users, 2), (QStringList { "u1", "u2" }));
        QCOMPARE(row.scheduleDisplay->text(), QStringLiteral("3AM InActive"));
    }

    // Picking an item loads its site: each field's handler stores into the
    // current site, so the slot picked must be current before the row fills;
    // the duplicate-check box writes the site shown, and only that one. A site
    // is removed only while it is shown and its job is not running; the sites
    // after it move up, the row shows the first, its job off, and the slot
    // freed is fresh for the next site typed.
    void pickingThenRemovingASite()
    {
        ProgramUnderTest p;
        Row row = uploadRow(p.program.window);
        typeSites(row, { "a", "b", "c" });
        row.site.dupeFlags[1] = QStringLiteral("1");
        clearHost(row);
        choose(p.program.form.ai_rem2);

        pick(row.hostList, 1);
        QCOMPARE(rowShows(row), (QStringList { "b", "ub", "s3cret", "/in", "*.dat", "2122", "5PM Active" }));
        QCOMPARE(column(row.site.users, 3), (QStringList { "ua", "ub", "uc" }));
        QVERIFY(!row.dupeBox->isChecked());
        click(row.dupeBox);
        QCOMPARE(column(row.site.dupeFlags, 3), (QStringList { "1", "1", "0" }));
        click(row.jobSwitch);
        lockUploadFields(p.program.engine);
        choose(p.program.form.ai_rem2);
        unlockUploadFields(p.program.engine);
        QCOMPARE(hostsOf(row.site), (QStringList { "a", "b", "c" }));

        choose(p.program.form.ai_rem2);

        QCOMPARE(itemsOf(row.hostList), (QStringList { "a", "c" }));
        QCOMPARE(hostsOf(row.site), (QStringList { "a", "c" }));
        QCOMPARE(column(row.site.hours, 2), (QStringList { "4", "6" }));
        QCOMPARE(rowShows(row), (QStringList { "a", "ua", "s3cret", "/in", "*.dat", "2121", "4PM Active" }));
        QVERIFY(!row.jobSwitch->isChecked() && !row.scheduleTimer.Enabled());
        typeSite(row, { QStringLiteral("d") });
        QCOMPARE(row.scheduleDisplay->text(), QStringLiteral("1AM InActive"));
    }

    // A damaged upload file keeps start-up from showing a site in either row:
    // a host typed into the empty host box is a new site, kept at closing,
    // not a list item without a site behind it.
    void aHostTypedWhileNoSiteIsShownMakesANewSite()
    {
        TemporaryCurrentFolder folder;
        QVERIFY(writeFileBytes("valuesd.log", goodLines("h", 2)));
        QVERIFY(writeFileBytes("valuesu.log", "not a site\r\n"));
        const auto program = startedProgram();
        Row row = downloadRow(program->window);
        QCOMPARE(row.hostList->currentText(), QString());

        QTest::keyClicks(row.hostList, QStringLiteral("x"));

        const QStringList hosts { variedSite("h", 1).host, variedSite("h", 2).host, "x" };
        QCOMPARE(itemsOf(row.hostList), hosts);
        QCOMPARE(column(row.site.hosts, 3), hosts);
    }

    // Refused, and refused again while still full; a site removed makes room
    // for one more.
    void a201stSiteIsRefused()
    {
        ProgramUnderTest p;
        Row row = downloadRow(p.program.window);
        for (int site = 1; site <= kMaxSites; ++site) {
            setHostText(row, QString());
            setHostText(row, QStringLiteral("s%1").arg(site));
        }
        const QStringList full = itemsOf(row.hostList);

        clearHost(row);
        QTest::keyClicks(row.hostList, QStringLiteral("xy"));
        QCOMPARE(p.program.form.messages.shown().size(), 2);
        QCOMPARE(hostsOf(row.site), full);
        QCOMPARE(itemsOf(row.hostList), full);

        pick(row.hostList, 0);
        choose(p.program.form.ai_rem);
        clearHost(row);
        QTest::keyClicks(row.hostList, QStringLiteral("x"));
        QCOMPARE(p.program.form.messages.shown().size(), 2);
        QCOMPARE(hostsOf(row.site), full.mid(1) << QStringLiteral("x"));
    }
};

QTEST_MAIN(SiteListsTest)
#include "tst_site_lists.moc"
