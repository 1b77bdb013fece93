// The handlers that run on every change of a site field: the port and retries
// rules, the anonymous password, the completeness check that disarms a job,
// and where (and whether) an edit is stored.
#include "ui/FieldValidation.h"

#include "OperatorActions.h"
#include "support/ProgramUnderTest.h"
#include "ui/Row.h"

namespace {

using operatorActions::type;

// Site 1 of the row, typed by the operator; user "alice", password "s3cret".
const operatorActions::SiteFields kSite { QStringLiteral("ftp.example.org") };

QStringList currentSite(const Row& row)
{
    const SiteColumns& s = row.site;
    return { s.current(s.hosts), s.current(s.users), s.current(s.passwords), s.current(s.paths),
             s.current(s.patterns), s.current(s.ports), s.current(s.activeFlags) };
}

}

class FieldValidationTest : public QObject {
    Q_OBJECT

private slots:
    void init() { put.emplace(); }
    void cleanup() { put.reset(); }

    void port_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("emptied becomes 21") << true << QString() << QStringLiteral("21");
        QTest::newRow("upload: a letter typed becomes 21") << false << QStringLiteral("2x") << QStringLiteral("21");
        QTest::newRow("blanks around are trimmed") << true << QStringLiteral(" 2121 ") << QStringLiteral("2121");
    }

    void port()
    {
        QFETCH(bool, download);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        Row row = download ? downloadRow(program().window) : uploadRow(program().window);
        operatorActions::typeSite(row, kSite);
        row.port->setText(typed);
        QCOMPARE(row.port->text(), expected);
        QCOMPARE(row.site.current(row.site.ports), expected);
    }

    void retries_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("-1 becomes 1") << true << QStringLiteral("-1") << QStringLiteral("1");
        QTest::newRow("a fraction above 4 becomes 1") << true << QStringLiteral("4.5") << QStringLiteral("1");
        QTest::newRow("4 stays") << true << QStringLiteral("4") << QStringLiteral("4");
        QTest::newRow("abc stays") << true << QStringLiteral("abc") << QStringLiteral("abc");
        QTest::newRow("an exponent is a number: 1e1 becomes 1") << true << QStringLiteral("1e1") << QStringLiteral("1");
        QTest::newRow("a bare exponent letter is text: 9e stays")
            << true << QStringLiteral("9e") << QStringLiteral("9e");
        QTest::newRow("upload: blanks around 7 becomes 1") << false << QStringLiteral(" 7 ") << QStringLiteral("1");
    }

    void retries()
    {
        QFETCH(bool, download);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QLineEdit* retries = download ? program().form.Text11 : program().form.Text12;
        retries->setText(typed);
        QCOMPARE(retries->text(), expected);
    }

    void anonymousPassword_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("builtIn");
        QTest::newRow("anonymous fills the built-in password") << true << QStringLiteral("anonymous") << true;
        QTest::newRow("anonymous with blanks around, once trimmed") << true << QStringLiteral(" anonymous ") << true;
        QTest::newRow("Anonymous with a capital triggers nothing") << true << QStringLiteral("Anonymous") << false;
        QTest::newRow("upload row anonymous") << false << QStringLiteral("anonymous") << true;
    }

    void anonymousPassword()
    {
        QFETCH(bool, download);
        QFETCH(QString, user);
        QFETCH(bool, builtIn);
        Row row = download ? downloadRow(program().window) : uploadRow(program().window);
        operatorActions::typeSite(row, kSite);
        type(row.user, user);
        // Every keystroke in the password field afterwards is undone.
        QTest::keyClicks(row.password, QStringLiteral("xy"));
        const QString expected = builtIn ? QLatin1String(kAnonymousPassword) : QStringLiteral("s3cretxy");
        QCOMPARE(row.password->text(), expected);
        QCOMPARE(row.site.current(row.site.passwords), expected);
    }

    void clearingARequiredFieldDisarms_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("disarms");
        QTest::newRow("path cleared") << true << QStringLiteral("path") << true;
        QTest::newRow("password cleared") << true << QStringLiteral("password") << true;
        QTest::newRow("host field alone cleared does not") << true << QStringLiteral("host") << false;
        QTest::newRow("upload pattern cleared") << false << QStringLiteral("pattern") << true;
    }

    void clearingARequiredFieldDisarms()
    {
        QFETCH(bool, download);
        QFETCH(QString, field);
        QFETCH(bool, disarms);
        Row row = download ? downloadRow(program().window) : uploadRow(program().window);
        operatorActions::typeSite(row, kSite);
        // The site's time as the schedule time dialog leaves it, then armed.
        row.site.hours[1] = QStringLiteral("3");
        row.site.amPm[1] = QStringLiteral("PM");
        row.site.activeFlags[1] = QStringLiteral("1");
        row.activeText = QStringLiteral("Active");
        row.jobSwitch->setChecked(true);
        QVERIFY(row.scheduleTimer.Enabled());

        type(operatorActions::fieldNamed(row, field), QString());

        QCOMPARE(row.jobSwitch->isChecked(), !disarms);
        QCOMPARE(row.scheduleTimer.Enabled(), !disarms);
        QCOMPARE(row.site.activeFlags[1], disarms ? QStringLiteral("0") : QStringLiteral("1"));
        if (disarms) {
            QCOMPARE(row.activeText, QStringLiteral("InActive"));
            QCOMPARE(row.scheduleDisplay->text(), QStringLiteral("3PM InActive"));
        }
    }

    void editsWithAnEmptyHostStoreNothing()
    {
        Row row = downloadRow(program().window);
        operatorActions::typeSite(row, kSite);
        row.site.activeFlags[1] = QStringLiteral("1");
        const QStringList before = currentSite(row);
        operatorActions::clearHost(row.hostList);
        QCOMPARE(row.hostList->currentText(), QString());

        row.user->setText(QStringLiteral("carol"));
        row.password->setText(QStringLiteral("other"));
        row.path->setText(QStringLiteral("/elsewhere"));
        row.pattern->setText(QString());
        row.port->setText(QStringLiteral("2x"));

        QCOMPARE(currentSite(row), before);
    }

private:
    Program& program() { return put->program; }

    std::optional<ProgramUnderTest> put;
};

QTEST_MAIN(FieldValidationTest)
#include "tst_field_validation.moc"
