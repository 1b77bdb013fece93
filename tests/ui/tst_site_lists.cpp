// A job's row as the operator fills it. The host lists of both jobs: creating
// a site by typing, renaming it, picking one, removing one, and the limit of
// 200 sites. The rules each field keeps on every change, the completeness
// check that disarms the job, and the job switch, which stays off while a
// field is empty and otherwise arms the schedule.
#include "OperatorActions.h"

#include "schedule/FieldLocks.h"
#include "ui/FieldValidation.h"

using namespace operatorActions;

Q_DECLARE_METATYPE(operatorActions::SiteFields)

class RowTest : public QObject {
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

    // Texts pasted into a typed site's fields in turn (field, text, ...), each
    // whole as a rule sees it; what the last field shows then. The site keeps
    // what the row shows (the retries are the job's, not the site's).
    void fieldRules_data()
    {
        QTest::addColumn<JobKind>("job");
        QTest::addColumn<QStringList>("pasted");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, JobKind job, const QStringList& pasted, const QString& shown) {
            QTest::newRow(name) << job << pasted << shown;
        };
        row("a port that is no number becomes 21", JobKind::Upload, { "port", "2x" }, "21");
        row("the user anonymous, once trimmed, keeps the built-in password", JobKind::Download,
            { "user", " anonymous ", "password", "xy" }, kAnonymousPassword);
        row("Anonymous with a capital is an ordinary user", JobKind::Download, { "user", "Anonymous", "password", "xy" }, "xy");
        row("retries below 0 become 1, blanks around a number as well", JobKind::Upload, { "retries", " -1 " }, "1");
        row("retries above 4 become 1", JobKind::Download, { "retries", "4.5" }, "1");
        row("retries that are no number stay, a bare exponent letter being text: 9e", JobKind::Download, { "retries", "9e" }, "9e");
    }

    void fieldRules()
    {
        QFETCH(JobKind, job);
        QFETCH(QStringList, pasted);
        QFETCH(QString, shown);
        ProgramUnderTest p;
        const Row row = rowOf(p.program.window, job);
        typeSite(row, { QStringLiteral("ftp.example.org") });
        const QMap<QString, QLineEdit*> fields { { "user", row.user }, { "password", row.password }, { "path", row.path },
                                                 { "port", row.port }, { "retries", row.retries } };

        for (qsizetype i = 0; i < pasted.size(); i += 2)
            fields[pasted[i]]->setText(pasted[i + 1]);

        QCOMPARE(fields[pasted[pasted.size() - 2]]->text(), shown);
        const SiteRecord kept = siteAt(row.site, 1);
        QCOMPARE((QStringList { kept.user, kept.password, kept.path, kept.port }),
                 (QStringList { row.user->text(), row.password->text(), row.path->text(), row.port->text() }));
    }

    // The switch arms the schedule only while every field of the row holds
    // text, and an upload then sends what the pattern shown matches; a field
    // emptied later disarms it and makes the site inactive.
    void theJobSwitch_data()
    {
        QTest::addColumn<JobKind>("job");
        QTest::addColumn<SiteFields>("typed");
        QTest::addColumn<bool>("armed");
        QTest::newRow("download: a site without a pattern") << JobKind::Download << SiteFields { .host = "h", .pattern = {} } << false;
        QTest::newRow("upload: a full row") << JobKind::Upload << SiteFields { .host = "h", .pattern = "*.up" } << true;
    }

    void theJobSwitch()
    {
        QFETCH(JobKind, job);
        QFETCH(SiteFields, typed);
        QFETCH(bool, armed);
        ProgramUnderTest p;
        Row row = rowOf(p.program.window, job);
        typeSite(row, typed);
        // Made active in the schedule time dialog.
        row.site.activeFlags[1] = QStringLiteral("1");

        click(row.jobSwitch);

        QCOMPARE(p.program.form.messages.shown(), armed ? QStringList() : QStringList { "One or more fields are empty or incorrect" });
        QCOMPARE(row.jobSwitch->isChecked(), armed);
        QCOMPARE(row.scheduleTimer.Enabled(), armed);
        if (!armed)
            return;
        QCOMPARE(p.program.engine.File2.Pattern(), typed.pattern);
        type(row.path, QString());
        QVERIFY(!row.jobSwitch->isChecked() && !row.scheduleTimer.Enabled());
        QCOMPARE(row.site.activeFlags[1], QStringLiteral("0"));
    }
};

QTEST_MAIN(RowTest)
#include "tst_site_lists.moc"
