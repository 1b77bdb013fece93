// Every input kept for the fuzzers (the seeds and the inputs that once broke a
// property) goes through the fuzzers' property checks in the normal build, so
// a fault a fuzzer found stays found.
#include "FuzzChecks.h"

#include "support/FileBytes.h"

#include <QDirIterator>
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
                for (; files.hasNext(); ++kept) {
                    const QString input = files.next();
                    const QString broken = target.check(fileBytes(input));
                    QVERIFY2(broken.isEmpty(), qPrintable(input + ": " + broken));
                }
            }
            QVERIFY2(kept > 0, target.name);
        }
    }
};

QTEST_MAIN(FuzzRegressionsTest)
#include "tst_fuzz_regressions.moc"
