// The program waits for months between jobs, and for most of every job, by
// yielding to the event loop. This measures the processor time such a wait
// takes: a 20-second yieldUntil on a condition that never holds, while a
// seconds timer ticks, a data socket listens and a control connection sits
// idle, as during a job's timed waits.
#include "platform/PlainEventLoop.h"
#include "platform/Timer.h"
#include "platform/Winsock.h"
#include "platform/Yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kTickMs = 1000;
constexpr int kConnectBoundMs = 10000;

double processCpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}

int main(int argc, char** argv)
{
    choosePlainEventLoop();
    QCoreApplication app(argc, argv);

    Winsock data;
    data.Listen();
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    Winsock control;
    control.setRemoteHost(QStringLiteral("127.0.0.1"));
    control.setRemotePort(server.serverPort());
    control.Connect();
    const bool connected = yieldUntil([&] {
        return control.State() == Winsock::sckConnected && server.hasPendingConnections();
    }, kConnectBoundMs);
    const std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());

    Timer secondsTimer(kTickMs, true);
    int ticks = 0;
    QObject::connect(&secondsTimer, &Timer::Tick, [&] { ++ticks; });

    QElapsedTimer wall;
    const double cpuBefore = processCpuSeconds();
    wall.start();
    yieldUntil([] { return false; }, kWaitMs);
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpuSeconds = processCpuSeconds() - cpuBefore;

    std::printf("bench_idle_wait: %.2f s wait, %d ticks, control %s, data %s: "
                "%.4f s CPU = %.3f %% (target < 1 %%)\n",
                wallSeconds, ticks, connected ? "connected" : "NOT CONNECTED",
                data.State() == Winsock::sckListening ? "listening" : "NOT LISTENING",
                cpuSeconds, 100.0 * cpuSeconds / wallSeconds);
    return 0;
}
