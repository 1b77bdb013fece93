// The files an upload chooses from: those of the working folder that match
// the site's pattern, sorted, by the bytes of their names.
#include "platform/FileListBox.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// UTF-8 "é", and a Latin-1 "é" that is not valid UTF-8.
const QByteArray kUtf8Name = "caf\xc3\xa9 x.dat";
const QByteArray kLatin1Name = "r\xe9sum\xe9.dat";

QStringList listed(const FileListBox& box)
{
    QStringList names;
    for (int i = 0; i < box.ListCount(); ++i)
        names << box.List(i);
    return names;
}

}

class FileListBoxTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const QByteArray& name : { QByteArray("a.dat"), QByteArray("ab.txt"), QByteArray("ab.txt.bak"),
                                        QByteArray("data[1].txt"), QByteArray("data1.txt"), kUtf8Name, kLatin1Name,
                                        QByteArray(".a.dat.part") })
            QVERIFY(writeFileBytesNamed(folder.path(), name, {}));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder.dat")));
    }

    // QTemporaryDir cannot see the name that is not UTF-8, so cannot remove it.
    void cleanupTestCase() { std::remove((QFile::encodeName(folder.path()) + '/' + kLatin1Name).constData()); }

    void listsMatchingFilesSorted_data()
    {
        const QString utf8 = QString::fromLatin1(kUtf8Name);
        const QString latin1 = QString::fromLatin1(kLatin1Name);
        const QStringList all { "a.dat", "ab.txt", "ab.txt.bak", utf8, "data1.txt", "data[1].txt", latin1 };
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        // A hidden file is a retrieval's partner file: it never goes out.
        QTest::newRow("*.* lists every file but hidden ones, and no folder") << "*.*" << all;
        QTest::newRow("a pattern that a hidden name matches") << "*.part" << QStringList {};
        QTest::newRow("* runs to the end of the name, ? is one character")
            << "*.t?t" << QStringList { "ab.txt", "data1.txt", "data[1].txt" };
        QTest::newRow("square brackets are plain characters") << "data[1].*" << QStringList { "data[1].txt" };
        QTest::newRow("a space and an é in the pattern") << "caf\u00e9 *" << QStringList { utf8 };
        QTest::newRow("a name that is not UTF-8 keeps its bytes") << "r*" << QStringList { latin1 };
    }

    void listsMatchingFilesSorted()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        FileListBox box;
        box.setPath(folder.path());
        box.setPattern(pattern);
        QCOMPARE(listed(box), expected);
    }

    void refreshSeesFilesAddedSince()
    {
        QTemporaryDir fresh;
        FileListBox box;
        box.setPath(fresh.path());
        QVERIFY(writeFileBytes(fresh.filePath(QStringLiteral("new.dat")), {}));
        QCOMPARE(listed(box), QStringList());
        box.Refresh();
        QCOMPARE(listed(box), QStringList { "new.dat" });
    }

private:
    QTemporaryDir folder;
};

QTEST_GUILESS_MAIN(FileListBoxTest)
#include "tst_file_list_box.moc"
