// The timers and waits the jobs are written against: a handler that waits
// sees the events it waits for, a wait ends with the event that fulfils it
// and returns at its bound, and a disabled timer raises nothing.
#include "platform/TimeScale.h"
#include "platform/Timer.h"
#include "platform/Yield.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

// Real milliseconds after which a wait that should have ended counts as hung.
constexpr int kHangMs = 10000;

// The same bound in program milliseconds, for waits under a time scale.
int hangBound() { return int(kHangMs / TimeScale::factor()); }

}

class TimerYieldTest : public QObject {
    Q_OBJECT

private slots:
    void init() { TimeScale::set(1.0); }

    // Each tick is its own handler entry, raised outside the Qt timeout.
    void tickHandlerThatWaitsSeesItsOwnNextTick()
    {
        TimeScale::set(0.01);
        Timer timer(1000, true);
        int ticks = 0, depth = 0, deepest = 0;
        connect(&timer, &Timer::Tick, this, [&] {
            deepest = std::max(deepest, ++depth);
            if (++ticks == 1)
                yieldUntil([&] { return ticks >= 3; }, hangBound());
            --depth;
        });
        QVERIFY(yieldUntil([&] { return ticks >= 3 && depth == 0; }, hangBound()));
        QCOMPARE(deepest, 2);
    }

    // A wait ends with the event that fulfils it, though nothing comes after
    // that event: Qt's own event loop, having delivered the events already
    // posted, goes on to block. Here a handler waits for a second event while
    // the first waits for the handler.
    void waitEndsWithTheEventThatFulfilsIt()
    {
        bool innerDone = false, outerDone = false;
        QMetaObject::invokeMethod(this, [&] {
            QMetaObject::invokeMethod(this, [&] { innerDone = true; }, Qt::QueuedConnection);
            outerDone = yieldUntil([&] { return innerDone; }, hangBound());
        }, Qt::QueuedConnection);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(yieldUntil([&] { return outerDone; }, hangBound()));
        QVERIFY(clock.elapsed() < kHangMs / 2);
    }

    // A modal box opened under a wait that is over runs a loop of its own,
    // which sleeps until the box closes rather than spin.
    void loopOpenedUnderAFinishedWaitSleeps()
    {
        bool over = false;
        int wakes = 0;
        QMetaObject::invokeMethod(this, [&] {
            over = true;
            QEventLoop box;
            QTimer::singleShot(200, &box, &QEventLoop::quit);
            const auto counting = connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this,
                                          [&] { ++wakes; });
            box.exec();
            disconnect(counting);
        }, Qt::QueuedConnection);
        QVERIFY(yieldUntil([&] { return over; }, hangBound()));
        QVERIFY2(wakes < 100, qPrintable(QStringLiteral("%1 wakes").arg(wakes)));
    }

    // A timer created disabled never ticks, and a tick already on its way
    // when the timer is disabled is not raised.
    void disabledTimerRaisesNoTick()
    {
        Timer idle(10, false);
        Timer timer(10, true);
        int ticks = 0;
        for (Timer* t : { &idle, &timer })
            connect(t, &Timer::Tick, this, [&] { ++ticks; });
        QThread::msleep(30);
        // Lets Qt's timeout run, which queues the tick without raising it yet.
        QCoreApplication::processEvents();
        const int ticksWhileEnabled = ticks;
        timer.setEnabled(false);
        QTest::qWait(100);
        QCOMPARE(ticks, ticksWhileEnabled);
    }

    // Qt fires a coarse timer up to 5 % early; a wait that let its wake-up go
    // by before the bound would then sleep until something else happened. Any
    // bound may show it, so the test tries several, the last shortened by the
    // time scale.
    void yieldUntilReturnsFalseAtItsBound()
    {
        for (const auto& [factor, boundMs] : { std::pair(1.0, 99), { 1.0, 101 }, { 1.0, 130 }, { 1.0, 170 }, { 1.0, 200 },
                                               { 1.0, 230 }, { 1.0, 310 }, { 1.0, 505 }, { 1.0, 610 }, { 0.01, 30000 } }) {
            TimeScale::set(factor);
            const int realMs = TimeScale::scaledMs(boundMs);
            bool hung = false;
            QTimer rescue;
            connect(&rescue, &QTimer::timeout, this, [&] { hung = true; });
            rescue.start(3 * realMs + 200);
            QElapsedTimer elapsed;
            elapsed.start();
            QVERIFY(!yieldUntil([] { return false; }, boundMs));
            QVERIFY2(!hung, qPrintable(QStringLiteral("the wait of %1 ms slept past its bound").arg(boundMs)));
            QVERIFY(elapsed.elapsed() >= realMs);
        }
    }
};

QTEST_GUILESS_MAIN(TimerYieldTest)
#include "tst_timer_yield.moc"
