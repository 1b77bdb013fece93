// A job's row as the operator fills it: the rules each field keeps on every
// change, the completeness check that disarms the job, and the job switch,
// which stays off while a field is empty and otherwise arms the schedule.
#include "OperatorActions.h"

#include "ui/FieldValidation.h"

using namespace operatorActions;

Q_DECLARE_METATYPE(operatorActions::SiteFields)

class RowFieldsTest : public QObject {
    Q_OBJECT

private slots:
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
        row("blanks around a field are trimmed", JobKind::Download, { "path", " /out " }, "/out");
        row("the user anonymous, once trimmed, keeps the built-in password", JobKind::Download,
            { "user", " anonymous ", "password", "xy" }, kAnonymousPassword);
        row("Anonymous with a capital is an ordinary user", JobKind::Download, { "user", "Anonymous", "password", "xy" }, "xy");
        row("retries below 0 become 1, blanks around a number as well", JobKind::Upload, { "retries", " -1 " }, "1");
        row("retries above 4 become 1", JobKind::Download, { "retries", "4.5" }, "1");
        row("4 retries stay", JobKind::Download, { "retries", "4" }, "4");
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
        QVERIFY((job == JobKind::Download ? p.program.form.Label6 : p.program.form.Label7)->text().endsWith(armed ? " On" : " Off"));
        if (!armed)
            return;
        QCOMPARE(p.program.engine.File2.Pattern(), typed.pattern);
        type(row.path, QString());
        QVERIFY(!row.jobSwitch->isChecked() && !row.scheduleTimer.Enabled());
        QCOMPARE(row.site.activeFlags[1], QStringLiteral("0"));
    }
};

QTEST_MAIN(RowFieldsTest)
#include "tst_row_fields.moc"
