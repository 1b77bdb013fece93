#include "ui/MenuCommands.h"

#include "schedule/Engine.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/Form4.h"
#include "ui/Row.h"
#include "ui/SiteList.h"
#include "ui/Window.h"

namespace {

void openTimeDialog(Window& w, bool forDownload)
{
    Row row = forDownload ? downloadRow(w) : uploadRow(w);
    if (row.hostList->currentText().isEmpty() || row.site.count < 1)
        return;
    w.ui.timeDialogForDownload = forDownload;
    showTimeDialog(w);
}

// Two items of which exactly one is checked.
void chooseOneOf(QAction* chosen, QAction* other)
{
    chosen->setChecked(true);
    other->setChecked(false);
}

template <typename Fn>
void onClick(Window& w, QAction* item, Fn fn)
{
    QObject::connect(item, &QAction::triggered, &w.form, fn);
}

}

void connectMenuCommands(Window& p)
{
    Form1& f = p.form;
    Options& o = p.engine.options;
    onClick(p, f.ai_down, [&p] { openTimeDialog(p, true); });
    onClick(p, f.ai_up, [&p] { openTimeDialog(p, false); });
    onClick(p, f.ai_hr, [&o, &f] { o.ai_hr = f.ai_hr->isChecked(); });
    onClick(p, f.ai_exit, [&p] {
        p.engine.session.appClosing = true;
        p.engine.schedule.exitNowRequested = true;
        p.form.close();
    });
    onClick(p, f.ai_path, [&p] { showPathDialog(p); });
    onClick(p, f.ai_pass, [&o, &f] { o.recallPassword = f.ai_pass->isChecked(); });
    onClick(p, f.ai_del, [&o, &f] { o.deleteAfterDownload = f.ai_del->isChecked(); });
    onClick(p, f.ai_del2, [&o, &f] { o.deleteAfterUpload = f.ai_del2->isChecked(); });
    onClick(p, f.ai_fsize, [&o, &f] { o.fileSizeExistsOption = f.ai_fsize->isChecked(); });
    onClick(p, f.ai_dstamp, [&o, &f] { o.ai_dstamp = f.ai_dstamp->isChecked(); });
    onClick(p, f.ai_ustamp, [&o, &f] { o.ai_ustamp = f.ai_ustamp->isChecked(); });
    onClick(p, f.ai_list, [&o, &f] {
        chooseOneOf(f.ai_list, f.ai_nlst);
        o.ai_nlst = false;
    });
    onClick(p, f.ai_nlst, [&o, &f] {
        chooseOneOf(f.ai_nlst, f.ai_list);
        o.ai_nlst = true;
    });
    onClick(p, f.ai_bin, [&o, &f] {
        o.transferTypeCommand = QStringLiteral("TYPE I");
        chooseOneOf(f.ai_bin, f.ai_asc);
    });
    onClick(p, f.ai_asc, [&o, &f] {
        o.transferTypeCommand = QStringLiteral("TYPE A");
        chooseOneOf(f.ai_asc, f.ai_bin);
    });
    onClick(p, f.ai_rem, [&p] {
        Row row = downloadRow(p);
        removeCurrentSite(row);
    });
    onClick(p, f.ai_rem2, [&p] {
        Row row = uploadRow(p);
        removeCurrentSite(row);
    });
    onClick(p, f.ai_about, [&f] { showAboutWindow(&f); });
}
