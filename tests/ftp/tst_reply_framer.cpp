// How the bytes of the control connection become replies. Each row documents
// a rule; the variants are the fuzzers' seeds (fuzz/seeds/reply_framer),
// which the framer's fuzz property checks in every build.
#include "ftp/ReplyFramer.h"

#include <QTest>

using Chunks = QList<QByteArray>;

namespace {

Chunks framedReplies(ReplyFramer& framer, const Chunks& feeds)
{
    Chunks replies;
    for (const QByteArray& feed : feeds) {
        framer.feed(feed);
        while (framer.hasReply())
            replies.append(framer.takeReply());
    }
    return replies;
}

}

class ReplyFramerTest : public QObject {
    Q_OBJECT

private slots:
    void framing_data()
    {
        QTest::addColumn<Chunks>("feeds");
        QTest::addColumn<Chunks>("replies");
        QTest::newRow("two replies in one chunk") << Chunks { "150 Opening\r\n226 Done\r\n" }
                                                  << Chunks { "150 Opening\r\n", "226 Done\r\n" };
        QTest::newRow("a reply across feeds, held back until its line end")
            << Chunks { "22", "6 Tra", "nsfer done\r", "\n", "221 Bye" } << Chunks { "226 Transfer done\r\n" };
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
        QCOMPARE(framedReplies(framer, feeds), replies);
        QVERIFY(!framer.overflowed());
    }

    void longReplyWithinTheLimitIsFramed()
    {
        QByteArray reply = "211-Features\r\n";
        while (reply.size() < ReplyFramer::kMaxReplyBytes / 2)
            reply += " SIZE\r\n";
        reply += "211 End\r\n";
        ReplyFramer framer;
        QCOMPARE(framedReplies(framer, { reply.left(1000), reply.mid(1000) }), Chunks { reply });
        QVERIFY(!framer.overflowed());
    }

    void endlessReplyOverflows_data()
    {
        QTest::addColumn<QByteArray>("piece");
        QTest::newRow("a megabyte without a line end") << QByteArray(4096, 'x');
        QTest::newRow("a multi-line reply that never closes") << QByteArray("220-more\r\n").repeated(400);
        QTest::newRow("one feed of a megabyte") << QByteArray(1024 * 1024, 'x');
    }

    // Once cleared, the framer frames the next reply as if nothing had come.
    void endlessReplyOverflows()
    {
        QFETCH(QByteArray, piece);
        ReplyFramer framer;
        framer.feed("220-Welcome\r\n");
        for (qsizetype fed = 0; fed < 1024 * 1024; fed += piece.size())
            framer.feed(piece);
        QVERIFY(framer.overflowed());
        QVERIFY(!framer.hasReply());
        framer.clear();
        QCOMPARE(framedReplies(framer, { "331 Password\r\n" }), Chunks { "331 Password\r\n" });
        QVERIFY(!framer.overflowed());
    }
};

QTEST_GUILESS_MAIN(ReplyFramerTest)
#include "tst_reply_framer.moc"
