// The host lists of both jobs: creating a site by typing, renaming it, picking
// one, removing one, and the limit of 200 sites.
#include "OperatorActions.h"

#include "schedule/FieldLocks.h"

using namespace operatorActions;

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
    // the duplicate-check box writes the site shown. A site is removed only
    // while it is shown and its job is not running; the sites after it move
    // up, the row shows the first, its job off, and the slot freed is fresh
    // for the next site typed.
    void pickingThenRemovingASite()
    {
        ProgramUnderTest p({}, goodLines("u", 3));
        Row row = uploadRow(p.program.window);
        const SiteRecord first = variedSite("u", 1), second = variedSite("u", 2), third = variedSite("u", 3);
        clearHost(row);
        choose(p.program.form.ai_rem2);

        pick(row.hostList, 1);
        QCOMPARE(rowShows(row), (QStringList { second.host, second.user, second.password, second.path, second.pattern, second.port, "3AM InActive" }));
        QCOMPARE(column(row.site.users, 3), (QStringList { first.user, second.user, third.user }));
        QVERIFY(!row.dupeBox->isChecked());
        click(row.dupeBox);
        QCOMPARE(column(row.site.dupeFlags, 3), (QStringList { "1", "1", "1" }));
        click(row.jobSwitch);
        lockUploadFields(p.program.engine);
        choose(p.program.form.ai_rem2);
        unlockUploadFields(p.program.engine);
        QCOMPARE(hostsOf(row.site), (QStringList { first.host, second.host, third.host }));

        choose(p.program.form.ai_rem2);

        QCOMPARE(itemsOf(row.hostList), (QStringList { first.host, third.host }));
        QCOMPARE(hostsOf(row.site), itemsOf(row.hostList));
        QCOMPARE(column(row.site.hours, 2), (QStringList { first.hour, third.hour }));
        QCOMPARE(rowShows(row), (QStringList { first.host, first.user, first.password, first.path, first.pattern, first.port, "2PM InActive" }));
        QVERIFY(!row.jobSwitch->isChecked() && !row.scheduleTimer.Enabled());
        typeSite(row, { QStringLiteral("d") });
        QCOMPARE(row.scheduleDisplay->text(), QStringLiteral("1AM InActive"));
    }

    // A damaged upload file keeps start-up from showing a site in either row:
    // a host typed into the empty host box is a new site, kept at closing,
    // not a list item without a site behind it.
    void aHostTypedWhileNoSiteIsShownMakesANewSite()
    {
        ProgramUnderTest p(goodLines("h", 1), "not a site\r\n");
        Row row = downloadRow(p.program.window);

        QTest::keyClicks(row.hostList, QStringLiteral("x"));

        QCOMPARE(itemsOf(row.hostList), (QStringList { variedSite("h", 1).host, "x" }));
        QCOMPARE(hostsOf(row.site), itemsOf(row.hostList));
    }

    // Refused, and refused again while still full; a site removed makes room
    // for one more.
    void a201stSiteIsRefused()
    {
        ProgramUnderTest p(goodLines("s", kMaxSites));
        Row row = downloadRow(p.program.window);
        const QStringList full = itemsOf(row.hostList);

        clearHost(row);
        QTest::keyClicks(row.hostList, QStringLiteral("xy"));
        QCOMPARE(p.program.form.messages.shown().size(), 2);
        QCOMPARE(hostsOf(row.site), full);
        QCOMPARE(itemsOf(row.hostList), full);

        pick(row.hostList, 1);
        choose(p.program.form.ai_rem);
        clearHost(row);
        QTest::keyClicks(row.hostList, QStringLiteral("x"));
        QCOMPARE(p.program.form.messages.shown().size(), 2);
        QCOMPARE(hostsOf(row.site), full.first(1) + full.mid(2) << QStringLiteral("x"));
    }
};

QTEST_MAIN(SiteListsTest)
#include "tst_site_lists.moc"
