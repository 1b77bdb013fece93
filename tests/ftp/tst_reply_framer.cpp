// How the bytes of the control connection become replies. Each row documents
// a rule; the variants, and replies past the framer's cap, are the fuzzers'
// seeds (fuzz/seeds/reply_framer), which the framer's fuzz property checks in
// every build.
#include "ftp/ReplyFramer.h"

#include <QTest>

using Chunks = QList<QByteArray>;

class ReplyFramerTest : public QObject {
    Q_OBJECT

private slots:
    void framing_data()
    {
        QTest::addColumn<Chunks>("feeds");
        QTest::addColumn<Chunks>("replies");
        QTest::newRow("a reply is held back until its line end, however it is split; two in one chunk")
            << Chunks { "22", "6 Tra", "nsfer done\r", "\n150 Opening\r\n226 Done\r\n221 Bye" }
            << Chunks { "226 Transfer done\r\n", "150 Opening\r\n", "226 Done\r\n" };
        QTest::newRow("a multi-line reply ends at the line of its code and a blank")
            << Chunks { "226-Stats\r\n200 is not the end\r\n2260 bytes\r\n226 Done\r\n221 Bye\r\n" }
            << Chunks { "226-Stats\r\n200 is not the end\r\n2260 bytes\r\n226 Done\r\n", "221 Bye\r\n" };
        QTest::newRow("a bare LF ends a line") << Chunks { "220-Welcome\n220 Ready\n331 Password\n" }
                                               << Chunks { "220-Welcome\n220 Ready\n", "331 Password\n" };
    }

    void framing()
    {
        QFETCH(Chunks, feeds);
        QFETCH(Chunks, replies);
        ReplyFramer framer;
        Chunks framed;
        for (const QByteArray& feed : feeds) {
            framer.feed(feed);
            while (framer.hasReply())
                framed.append(framer.takeReply());
        }
        QCOMPARE(framed, replies);
        QVERIFY(!framer.overflowed());
    }
};

QTEST_GUILESS_MAIN(ReplyFramerTest)
#include "tst_reply_framer.moc"
