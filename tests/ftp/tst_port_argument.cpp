#include "ftp/PortArgument.h"

#include <QTest>

using Argument = std::optional<QString>;

class PortArgumentTest : public QObject {
    Q_OBJECT

private slots:
    void portArgument_data()
    {
        QTest::addColumn<QString>("localIp");
        QTest::addColumn<int>("port");
        QTest::addColumn<Argument>("expected");
        const QString lan = QStringLiteral("192.168.1.20");
        QTest::newRow("port 1030 is 4,6") << lan << 1030 << Argument("192,168,1,20,4,6");
        QTest::newRow("port 256 carries into the high byte") << lan << 256 << Argument("192,168,1,20,1,0");
        QTest::newRow("port 65535 is 255,255") << lan << 65535 << Argument("192,168,1,20,255,255");
        QTest::newRow("trailing space after the address trimmed") << "10.0.0.7 " << 1030 << Argument("10,0,0,7,4,6");
        QTest::newRow("IPv6 address") << "::1" << 1030 << Argument();
        QTest::newRow("host name") << "ftp.example.com" << 1030 << Argument();
        QTest::newRow("three fields") << "1.2.3" << 1030 << Argument();
        QTest::newRow("field above 255") << "256.1.1.1" << 1030 << Argument();
        QTest::newRow("no listener port") << lan << 0 << Argument();
        QTest::newRow("port above 65535") << lan << 65536 << Argument();
    }

    void portArgument()
    {
        QFETCH(QString, localIp);
        QFETCH(int, port);
        QFETCH(Argument, expected);
        QCOMPARE(buildPortArgument(localIp, port), expected);
    }
};

QTEST_GUILESS_MAIN(PortArgumentTest)
#include "tst_port_argument.moc"
