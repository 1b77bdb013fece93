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
    // A line that cannot be appended is reported.
    void appendedLinesEndWithCrLfAndKeepTheirBytes()
    {
        const TemporaryCurrentFolder current;
        QVERIFY(appendLine(QStringLiteral("records.log"), "first"));
        QVERIFY(appendLine(QStringLiteral("records.log"), "caf\xe9\xff second"));
        QCOMPARE(fileBytes(QStringLiteral("records.log")), QByteArray("first\r\ncaf\xe9\xff second\r\n"));
        QVERIFY(!appendLine(QStringLiteral("missing/records.log"), "line"));
    }

    // A file that cannot be read gives no lines at all, not an empty list.
    void readLines()
    {
        const TemporaryCurrentFolder current;
        for (const auto& [content, expected] : {
                 // CR LF and bare LF lines, an empty one kept, bytes 0x80 to 0xFF too.
                 std::pair(QByteArray("one\r\n\r\ntwo\n\x80\xe9\xff\n"), Lines { "one", "", "two", "\x80\xe9\xff" }),
                 // The last line without a line end.
                 { "one\r\ntwo", { "one", "two" } },
                 // An empty file has no lines.
                 { "", {} } }) {
            QVERIFY(writeFileBytes(QStringLiteral("values.log"), content));
            QCOMPARE(::readLines(QStringLiteral("values.log")), std::optional<Lines>(expected));
        }
        QVERIFY(!::readLines(QStringLiteral("never-written.log")).has_value());
    }
};

QTEST_GUILESS_MAIN(TextFilesTest)
#include "tst_text_files.moc"
