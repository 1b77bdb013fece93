#include "ui/Form2.h"

#include "config/NumberText.h"
#include "schedule/Engine.h"
#include "ui/DialogKeys.h"
#include "ui/FieldValidation.h"
#include "ui/Form1.h"
#include "ui/Row.h"
#include "ui/Window.h"

#include <QHBoxLayout>

#include <cmath>

namespace {

SiteColumn& hoursOf(SiteColumns& site) { return site.hours; }
SiteColumn& halfDaysOf(SiteColumns& site) { return site.amPm; }
SiteColumn& activeFlagsOf(SiteColumns& site) { return site.activeFlags; }

}

Form2::Form2(Window& window, bool forDownload)
    : QDialog(&window.form), Combo1(new QComboBox), Combo2(new QComboBox), Check1(new QCheckBox(QStringLiteral("InActive"))),
      window(window), forDownload(forDownload)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(forDownload ? QStringLiteral("Download Time") : QStringLiteral("Upload Time"));
    for (int hour = 1; hour <= 12; ++hour)
        Combo1->addItem(QString::number(hour));
    Combo2->addItems({ QStringLiteral("AM"), QStringLiteral("PM") });
    QFont bold = Check1->font();
    bold.setBold(true);
    Check1->setFont(bold);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Combo1);
    layout->addWidget(Combo2);
    layout->addWidget(Check1);

    Row row = forDownload ? downloadRow(window) : uploadRow(window);
    const double hour = valueOf(row.site.current(row.site.hours));
    // Only a whole hour from 1 to 12 has an item. Any other (from a hand-edited
    // file) selects none and stays as it is until the operator picks one.
    const bool hourShown = hour >= 1 && hour <= 12 && hour == std::floor(hour);
    Combo1->setCurrentIndex(hourShown ? int(hour) - 1 : -1);
    Combo2->setCurrentIndex(row.site.current(row.site.amPm) == QLatin1String("PM") ? 1 : 0);
    const bool active = valueOf(row.site.current(row.site.activeFlags)) == 1;
    Check1->setChecked(active);
    showActive(active);
    // The site holds what the dialog shows, as if the operator had chosen it:
    // a half-day written "pm" by hand, which the schedule would never match,
    // becomes the "AM" shown.
    if (hourShown)
        writeSite(hoursOf, Combo1->currentText());
    writeSite(halfDaysOf, Combo2->currentText());
    writeSite(activeFlagsOf, active ? QStringLiteral("1") : QStringLiteral("0"));

    connect(Combo1, &QComboBox::currentTextChanged, this, [this](const QString& text) { writeSite(hoursOf, text); });
    connect(Combo2, &QComboBox::currentTextChanged, this, [this](const QString& text) { writeSite(halfDaysOf, text); });
    connect(Check1, &QCheckBox::toggled, this, [this](bool checked) {
        writeSite(activeFlagsOf, checked ? QStringLiteral("1") : QStringLiteral("0"));
        showActive(checked);
    });
    closeOnEnter(this);
}

void Form2::writeSite(SiteColumn& (*column)(SiteColumns&), const QString& text)
{
    Row row = forDownload ? downloadRow(window) : uploadRow(window);
    if (row.site.index >= 0 && row.site.index < kSiteSlots)
        column(row.site)[size_t(row.site.index)] = text;
}

void Form2::showActive(bool active)
{
    Row row = forDownload ? downloadRow(window) : uploadRow(window);
    row.activeText = active ? QStringLiteral("Active") : QStringLiteral("InActive");
    Check1->setText(row.activeText);
}

void Form2::done(int result)
{
    Row row = forDownload ? downloadRow(window) : uploadRow(window);
    row.scheduleDisplay->setText(scheduleDisplayText(row, row.activeText));
    checkFields(row);
    QDialog::done(result);
}

void showTimeDialog(Window& window)
{
    if (window.form.findChild<Form2*>())
        return;
    (new Form2(window, window.ui.timeDialogForDownload))->show();
}
