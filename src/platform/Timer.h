#pragma once

#include <QObject>
#include <QTimer>

// A timer with an interval in program milliseconds, an enabled flag and a tick
// event. The tick is raised from a queued call, never inside Qt's own timeout,
// so a tick handler that waits by yielding still sees its own next tick.
class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(int intervalMs, bool enabled, QObject* parent = nullptr);

    void setInterval(int intervalMs);
    bool Enabled() const { return enabled; }
    void setEnabled(bool on);

signals:
    void Tick();

private:
    void restart();

    QTimer qtimer;
    int interval;
    bool enabled;
};
