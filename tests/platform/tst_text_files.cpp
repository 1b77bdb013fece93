#include "platform/TextFiles.h"

#include "support/TemporaryCurrentFolder.h"

#include <QFile>
#include <QTest>

using Lines = QList<QByteArray>;

class TextFilesTest : public QObject {
    Q_OBJECT

private slots:
    void init() { current.emplace(); }
    void cleanup() { current.reset(); }

    void appendedLinesEndWithCrLfAndKeepTheirBytes()
    {
        QVERIFY(appendLine(QStringLiteral("records.log"), "first"));
        QVERIFY(appendLine(QStringLiteral("records.log"), "caf\xe9\xff second"));
        QFile file(QStringLiteral("records.log"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("first\r\ncaf\xe9\xff second\r\n"));
    }

    void readLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Lines>("expected");
        QTest::newRow("CR LF lines") << QByteArray("one\r\ntwo\r\n") << Lines {"one", "two"};
        QTest::newRow("bare LF lines") << QByteArray("one\ntwo\n") << Lines {"one", "two"};
        QTest::newRow("last line without a line end") << QByteArray("one\r\ntwo") << Lines {"one", "two"};
        QTest::newRow("empty line in the middle kept") << QByteArray("one\r\n\r\ntwo\r\n") << Lines {"one", "", "two"};
        QTest::newRow("empty file has no lines") << QByteArray() << Lines {};
        QTest::newRow("bytes 0x80 to 0xFF survive") << QByteArray("\x80\xe9\xff\r\n") << Lines {"\x80\xe9\xff"};
    }

    void readLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(Lines, expected);
        QFile file(QStringLiteral("values.log"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const auto lines = ::readLines(QStringLiteral("values.log"));
        QVERIFY(lines.has_value());
        QCOMPARE(*lines, expected);
    }

    // A file that cannot be read is not an empty one, and a line that
    // cannot be written is reported.
    void failuresAreReported()
    {
        QVERIFY(!::readLines(QStringLiteral("never-written.log")).has_value());
        QVERIFY(!appendLine(QStringLiteral("missing/records.log"), "line"));
    }

private:
    std::optional<TemporaryCurrentFolder> current;
};

QTEST_GUILESS_MAIN(TextFilesTest)
#include "tst_text_files.moc"
