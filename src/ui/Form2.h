#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>

#include "config/SiteTables.h"

struct Window;

// The schedule time dialog: the hour, half-day and active flag of the current
// site of one job. Every change is written into the site at once; closing
// (Enter, Escape or the close button) shows the site's time in the schedule
// display and checks the row.
class Form2 : public QDialog {
    Q_OBJECT
public:
    Form2(Window& window, bool forDownload);

    QComboBox* Combo1;
    QComboBox* Combo2;
    QCheckBox* Check1;

protected:
    void done(int result) override;

private:
    void showActive(bool active);
    void writeSite(SiteColumn& (*column)(SiteColumns&), const QString& text);

    Window& window;
    bool forDownload;
};

// Opens the dialog for the job that timeDialogForDownload names, unless it is
// open already.
void showTimeDialog(Window& window);
