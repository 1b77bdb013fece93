// The small ".log" files: lines written with CR LF and read with either line
// end, every byte kept, and a file that cannot be read never taken for an
// empty one.
#include "platform/TextFiles.h"
#include "support/FileBytes.h"
#include "support/TemporaryCurrentFolder.h"

#include <QTest>

using Lines = QList<QByteArray>;

class TextFilesTest : public QObject {
    Q_OBJECT

private slots:
    void appendedLinesEndWithCrLfAndKeepTheirBytes()
    {
        const TemporaryCurrentFolder current;
        QVERIFY(appendLine(QStringLiteral("records.log"), "first"));
        QVERIFY(appendLine(QStringLiteral("records.log"), "caf\xe9\xff second"));
        QCOMPARE(fileBytes(QStringLiteral("records.log")), QByteArray("first\r\ncaf\xe9\xff second\r\n"));
    }

    void readLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Lines>("expected");
        QTest::newRow("CR LF and bare LF lines, an empty one kept, bytes 0x80 to 0xFF too")
            << QByteArray("one\r\n\r\ntwo\n\x80\xe9\xff\n") << Lines { "one", "", "two", "\x80\xe9\xff" };
        QTest::newRow("last line without a line end") << QByteArray("one\r\ntwo") << Lines { "one", "two" };
        QTest::newRow("empty file has no lines") << QByteArray() << Lines {};
    }

    void readLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(Lines, expected);
        const TemporaryCurrentFolder current;
        QVERIFY(writeFileBytes(QStringLiteral("values.log"), content));
        QCOMPARE(::readLines(QStringLiteral("values.log")), std::optional<Lines>(expected));
    }

    void failuresAreReported()
    {
        const TemporaryCurrentFolder current;
        QVERIFY(!::readLines(QStringLiteral("never-written.log")).has_value());
        QVERIFY(!appendLine(QStringLiteral("missing/records.log"), "line"));
    }
};

QTEST_GUILESS_MAIN(TextFilesTest)
#include "tst_text_files.moc"
