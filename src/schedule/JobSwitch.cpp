#include "schedule/JobSwitch.h"

#include "config/NumberText.h"
#include "schedule/Engine.h"

namespace {

// What differs between the two switches.
struct Switch {
    Engine& engine;
    JobKind kind;
    bool& on;
    Timer& scheduleTimer;
    Winsock& control;
    Winsock& data;
    const RowFields& fields;
    SiteColumns site;
    QString& activeText;
    int& tickCount;
    QString onText;
    QString offText;
};

Switch switchOf(Engine& e, JobKind kind)
{
    ScheduleVars& s = e.schedule;
    if (kind == JobKind::Download)
        return { e, kind, s.downloadSwitchOn, e.Timer1, e.ftpclient1, e.ftpclient2, e.downloadFields,
                 downloadSiteColumns(e.sites), s.downloadActiveText, s.downloadTickCount,
                 QStringLiteral("Downloads On"), QStringLiteral("Downloads Off") };
    return { e, kind, s.uploadSwitchOn, e.Timer2, e.ftpclient1a, e.ftpclient3, e.uploadFields,
             uploadSiteColumns(e.sites), s.uploadActiveText, s.uploadTickCount, QStringLiteral("Uploads On"),
             QStringLiteral("Uploads Off") };
}

void switchOff(Switch& s)
{
    s.on = false;
    s.scheduleTimer.setEnabled(false);
    s.activeText = QStringLiteral("InActive");
    s.engine.view.showSwitch(s.kind, false, s.offText);
    // Every site may start again the same day once the switch is back on.
    for (int slot = 1; slot <= s.site.count && slot < kSiteSlots; ++slot)
        s.site.lastRunDates[size_t(slot)] = QStringLiteral("20000101");
}

void refuseSwitchOn(Switch& s, const QString& message)
{
    switchOff(s);
    s.engine.view.showMessage(message);
}

void switchOn(Switch& s)
{
    const RowFields& f = s.fields;
    for (const QString& text : { f.host, f.user, f.password, f.path, f.pattern, f.port }) {
        if (text.isEmpty()) {
            refuseSwitchOn(s, QStringLiteral("One or more fields are empty or incorrect"));
            return;
        }
    }
    if (!isNumeric(f.port)) {
        refuseSwitchOn(s, QStringLiteral("Port must be Numeric"));
        return;
    }
    if (s.kind == JobKind::Upload)
        s.engine.File2.setPattern(f.pattern);
    s.on = true;
    s.tickCount = 0;
    s.scheduleTimer.setInterval(60000);
    s.scheduleTimer.setEnabled(true);
    s.engine.view.showSwitch(s.kind, true, s.onText);
}

}

bool turnJobSwitch(Engine& engine, JobKind job, bool on)
{
    Switch s = switchOf(engine, job);
    s.control.Close();
    s.data.Close();
    if (on)
        switchOn(s);
    else
        switchOff(s);
    return s.on;
}
