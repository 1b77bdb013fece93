#include "ftp/ReplyFramer.h"

#include <QTest>

using Chunks = QList<QByteArray>;

namespace {

Chunks byteByByte(const QByteArray& bytes)
{
    Chunks chunks;
    for (char c : bytes)
        chunks.append(QByteArray(1, c));
    return chunks;
}

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

        QTest::newRow("two replies in one chunk") << Chunks {"150 Opening\r\n226 Done\r\n"}
                                                  << Chunks {"150 Opening\r\n", "226 Done\r\n"};
        QTest::newRow("reply split across feeds") << Chunks {"22", "6 Tra", "nsfer done\r", "\n"}
                                                  << Chunks {"226 Transfer done\r\n"};
        QTest::newRow("reply without its line end is held back") << Chunks {"226 Done"} << Chunks {};
        QTest::newRow("multi-line greeting")
            << Chunks {"220-Welcome\r\n to the site\r\n220 Ready\r\n"}
            << Chunks {"220-Welcome\r\n to the site\r\n220 Ready\r\n"};
        QTest::newRow("inner line starting with other digits")
            << Chunks {"220-Welcome\r\n200 is not the end\r\n220 Ready\r\n"}
            << Chunks {"220-Welcome\r\n200 is not the end\r\n220 Ready\r\n"};
        QTest::newRow("inner line with the code and more digits")
            << Chunks {"226-Stats\r\n2260 bytes\r\n226 Done\r\n"}
            << Chunks {"226-Stats\r\n2260 bytes\r\n226 Done\r\n"};
        QTest::newRow("multi-line reply fed one byte at a time")
            << byteByByte("220-Welcome\r\n220-Again\r\n220 Ready\r\n331 Password\r\n")
            << Chunks {"220-Welcome\r\n220-Again\r\n220 Ready\r\n", "331 Password\r\n"};
        QTest::newRow("multi-line reply still open") << Chunks {"226-Stats\r\n250 Other\r\n"} << Chunks {};
        QTest::newRow("multi-line reply and the next in one chunk")
            << Chunks {"226-Stats\r\n226 Done\r\n221 Bye\r\n"}
            << Chunks {"226-Stats\r\n226 Done\r\n", "221 Bye\r\n"};
        QTest::newRow("bare LF line ends") << Chunks {"220-Welcome\n220 Ready\n331 Password\n"}
                                           << Chunks {"220-Welcome\n220 Ready\n", "331 Password\n"};
        QTest::newRow("line without a code is a reply of its own")
            << Chunks {"Hello there\r\n226 Done\r\n"} << Chunks {"Hello there\r\n", "226 Done\r\n"};
        QTest::newRow("short code with a dash opens nothing")
            << Chunks {"22-x\r\n226 Done\r\n"} << Chunks {"22-x\r\n", "226 Done\r\n"};
        QTest::newRow("letter in the code with a dash opens nothing")
            << Chunks {"2a6-x\r\n226 Done\r\n"} << Chunks {"2a6-x\r\n", "226 Done\r\n"};
        QTest::newRow("text bytes 0x80 to 0xFF survive")
            << Chunks {"257 \"/caf\xe9\x80\xff\" created\r\n"} << Chunks {"257 \"/caf\xe9\x80\xff\" created\r\n"};
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
        QCOMPARE(framedReplies(framer, {reply.left(1000), reply.mid(1000)}), Chunks {reply});
        QVERIFY(!framer.overflowed());
    }

    void endlessReplyOverflows_data()
    {
        QTest::addColumn<QByteArray>("piece");
        QTest::newRow("a megabyte without a line end") << QByteArray(4096, 'x');
        QTest::newRow("a multi-line reply that never closes") << QByteArray("220-more\r\n").repeated(400);
        QTest::newRow("one feed of a megabyte") << QByteArray(1024 * 1024, 'x');
    }

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
        QCOMPARE(framedReplies(framer, {"331 Password\r\n"}), Chunks {"331 Password\r\n"});
        QVERIFY(!framer.overflowed());
    }
};

QTEST_GUILESS_MAIN(ReplyFramerTest)
#include "tst_reply_framer.moc"
