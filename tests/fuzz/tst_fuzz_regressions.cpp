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
    void keptInputsKeepEveryProperty()
    {
        for (const FuzzTarget& target : fuzzTargets()) {
            int kept = 0;
            for (const char* kind : { "seeds", "regressions" }) {
                QDirIterator files(QStringLiteral(TOLVANE_FUZZ_DIR "/%1/%2").arg(kind, target.name), QDir::Files);
                for (QFile input; files.hasNext(); ++kept) {
                    input.setFileName(files.next());
                    QVERIFY(input.open(QIODevice::ReadOnly));
                    const QString broken = target.check(input.readAll());
                    input.close();
                    QVERIFY2(broken.isEmpty(), qPrintable(input.fileName() + ": " + broken));
                }
            }
            QVERIFY2(kept > 0, target.name);
        }
    }
};

QTEST_MAIN(FuzzRegressionsTest)
#include "tst_fuzz_regressions.moc"
