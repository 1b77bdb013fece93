#include "platform/FileListBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// File names as the file system's bytes: UTF-8 "é", and a Latin-1 "é" that is
// not valid UTF-8.
const QByteArray kUtf8Name = "caf\xc3\xa9 x.dat";
const QByteArray kLatin1Name = "r\xe9sum\xe9.dat";

// Made with the C library: Qt cannot name a file whose bytes are not UTF-8.
bool makeFile(const QByteArray& path)
{
    FILE* file = std::fopen(path.constData(), "w");
    return file && std::fclose(file) == 0;
}

}

class FileListBoxTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        const QByteArray base = QFile::encodeName(folder.path()) + '/';
        for (const QByteArray& name : {QByteArray("a.dat"), QByteArray("abc.dat"), QByteArray("ab.txt"),
                                       QByteArray("ab.txt.bak"), QByteArray("data[1].txt"),
                                       QByteArray("data1.txt"), kUtf8Name, kLatin1Name,
                                       QByteArray(".a.dat.part")})
            QVERIFY(makeFile(base + name));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder.dat")));
    }

    // QTemporaryDir cannot see the name that is not UTF-8, so cannot remove it.
    void cleanupTestCase()
    {
        std::remove((QFile::encodeName(folder.path()) + '/' + kLatin1Name).constData());
    }

    void listsMatchingFilesSorted_data()
    {
        const QString utf8 = QString::fromLatin1(kUtf8Name);
        const QString latin1 = QString::fromLatin1(kLatin1Name);
        const QStringList all {QStringLiteral("a.dat"), QStringLiteral("ab.txt"),
                               QStringLiteral("ab.txt.bak"), QStringLiteral("abc.dat"), utf8,
                               QStringLiteral("data1.txt"), QStringLiteral("data[1].txt"), latin1};
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        // A hidden file is a retrieval's partner file: it never goes out.
        QTest::newRow("*.* lists every file but hidden ones, and no folder") << QStringLiteral("*.*") << all;
        QTest::newRow("a pattern that a hidden name matches") << QStringLiteral("*.part") << QStringList {};
        QTest::newRow("empty pattern lists every file") << QString() << all;
        QTest::newRow("* matches up to the end of the name")
            << QStringLiteral("*.txt") << QStringList {QStringLiteral("ab.txt"), QStringLiteral("data1.txt"),
                                                       QStringLiteral("data[1].txt")};
        QTest::newRow("? matches exactly one character")
            << QStringLiteral("?.dat") << QStringList {QStringLiteral("a.dat")};
        QTest::newRow("a space and é in the pattern")
            << QStringLiteral("caf\u00e9 *") << QStringList {utf8};
        QTest::newRow("square brackets are plain characters")
            << QStringLiteral("data[1].*") << QStringList {QStringLiteral("data[1].txt")};
        QTest::newRow("name that is not UTF-8 keeps its bytes")
            << QStringLiteral("r*") << QStringList {latin1};
    }

    void listsMatchingFilesSorted()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        FileListBox box;
        box.setPath(folder.path());
        box.setPattern(pattern);
        QStringList listed;
        for (int i = 0; i < box.ListCount(); ++i)
            listed.append(box.List(i));
        QCOMPARE(listed, expected);
    }

    void refreshSeesFilesAddedSince()
    {
        QTemporaryDir fresh;
        FileListBox box;
        box.setPath(fresh.path());
        QCOMPARE(box.ListCount(), 0);
        QVERIFY(makeFile(QFile::encodeName(fresh.filePath(QStringLiteral("new.dat")))));
        QCOMPARE(box.ListCount(), 0);
        box.Refresh();
        QCOMPARE(box.ListCount(), 1);
        QCOMPARE(box.List(0), QStringLiteral("new.dat"));
    }

private:
    QTemporaryDir folder;
};

QTEST_GUILESS_MAIN(FileListBoxTest)
#include "tst_file_list_box.moc"
