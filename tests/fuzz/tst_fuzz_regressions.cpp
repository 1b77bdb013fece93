// Every input kept for the fuzzers (the seeds and the inputs that once broke a
// property) goes through the fuzzers' property checks in the normal build, so
// a fault a fuzzer found stays found.
#include "FuzzChecks.h"

#include <QDirIterator>
#include <QFile>
#include <QtTest>

class FuzzRegressionsTest : public QObject {
    Q_OBJECT
private slots:
    void keptInput_data();
    void keptInput();
};

void FuzzRegressionsTest::keptInput_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    for (const FuzzTarget& target : fuzzTargets()) {
        for (const QString kind : { QStringLiteral("seeds"), QStringLiteral("regressions") }) {
            const QString folder = QStringLiteral(TOLVANE_FUZZ_DIR "/%1/%2").arg(kind, QLatin1String(target.name));
            QDirIterator files(folder, QDir::Files);
            while (files.hasNext()) {
                const QString file = files.next();
                QTest::addRow("%s/%s/%s", qPrintable(kind), target.name, qPrintable(files.fileName()))
                    << QString::fromLatin1(target.name) << file;
            }
        }
    }
}

void FuzzRegressionsTest::keptInput()
{
    QFETCH(QString, target);
    QFETCH(QString, file);
    QFile input(file);
    QVERIFY(input.open(QIODevice::ReadOnly));
    const QString broken = findFuzzTarget(QLatin1StringView(target.toLatin1()))->check(input.readAll());
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
}

QTEST_MAIN(FuzzRegressionsTest)
#include "tst_fuzz_regressions.moc"
