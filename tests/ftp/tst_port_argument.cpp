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
        QTest::newRow("port 65535 is 255,255") << "192.168.1.20" << 65535 << Argument("192,168,1,20,255,255");
        QTest::newRow("port 1030 is 4,6; a trailing space after the address trimmed") << "10.0.0.7 " << 1030 << Argument("10,0,0,7,4,6");
        for (const char* ip : { "::1", "ftp.example.com", "256.1.1.1" })
            QTest::addRow("%s is no IPv4 address", ip) << QString::fromLatin1(ip) << 1030 << Argument();
        for (int port : { 0, 65536 })
            QTest::addRow("no port %d", port) << "192.168.1.20" << port << Argument();
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
