#include "ui/Row.h"

#include "app/Program.h"

Row downloadRow(Program& p)
{
    Form1& f = p.form;
    return { p, true, f.Combo2, f.Text1, f.fText3, f.fText4, f.Text2, f.Text7, f.Text9, f.Check3, f.Text11,
             f.Check1, f.Label6, f.Label11, f.Timer1, f.ftpclient1, f.ftpclient2, downloadSiteColumns(p.sites),
             p.ui.downloadListIndex, p.ui.downloadFieldsLoading, p.ui.downloadActiveText,
             p.options.downloadDupeCheck, p.schedule.downloadTickCount, QStringLiteral("Downloads On"),
             QStringLiteral("Downloads Off") };
}

Row uploadRow(Program& p)
{
    Form1& f = p.form;
    return { p, false, f.Combo3, f.Text3, f.Text4, f.Text5, f.Text6, f.Text8, f.Text10, f.Check4, f.Text12,
             f.Check2, f.Label7, f.Label12, f.Timer2, f.ftpclient1a, f.ftpclient3, uploadSiteColumns(p.sites),
             p.ui.uploadListIndex, p.ui.uploadFieldsLoading, p.ui.uploadActiveText,
             p.options.uploadDupeCheck, p.schedule.uploadTickCount, QStringLiteral("Uploads On"),
             QStringLiteral("Uploads Off") };
}

QString scheduleDisplayText(const Row& row, const QString& activeText)
{
    return row.site.current(row.site.hours) + row.site.current(row.site.amPm) + QLatin1Char(' ') + activeText;
}
