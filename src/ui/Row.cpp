#include "ui/Row.h"

#include "schedule/Engine.h"
#include "schedule/JobSwitch.h"
#include "ui/Form1.h"
#include "ui/Window.h"

Row downloadRow(Window& w)
{
    Form1& f = w.form;
    Engine& e = w.engine;
    return { w, JobKind::Download, f.Combo2, f.Text1, f.fText3, f.fText4, f.Text2, f.Text7, f.Text9, f.Check3,
             f.Text11, f.Check1, f.Label11, e.Timer1, e.schedule.downloadSwitchOn, e.downloadFields,
             downloadSiteColumns(e.sites), w.ui.downloadListIndex, w.ui.downloadFieldsLoading,
             e.schedule.downloadActiveText, e.options.downloadDupeCheck };
}

Row uploadRow(Window& w)
{
    Form1& f = w.form;
    Engine& e = w.engine;
    return { w, JobKind::Upload, f.Combo3, f.Text3, f.Text4, f.Text5, f.Text6, f.Text8, f.Text10, f.Check4,
             f.Text12, f.Check2, f.Label12, e.Timer2, e.schedule.uploadSwitchOn, e.uploadFields,
             uploadSiteColumns(e.sites), w.ui.uploadListIndex, w.ui.uploadFieldsLoading,
             e.schedule.uploadActiveText, e.options.uploadDupeCheck };
}

Row rowOf(Window& window, JobKind job)
{
    return job == JobKind::Download ? downloadRow(window) : uploadRow(window);
}

void switchJobOff(Row& row)
{
    row.scheduleTimer.setEnabled(false);
    if (row.switchOn)
        turnJobSwitch(row.window.engine, row.kind, false);
}

QString scheduleDisplayText(const Row& row, const QString& activeText)
{
    return row.site.current(row.site.hours) + row.site.current(row.site.amPm) + QLatin1Char(' ') + activeText;
}
