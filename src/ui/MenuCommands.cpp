#include "ui/MenuCommands.h"

#include "app/Program.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/Form4.h"
#include "ui/Row.h"
#include "ui/SiteList.h"

namespace {

void openTimeDialog(Program& p, bool forDownload)
{
    Row row = forDownload ? downloadRow(p) : uploadRow(p);
    if (row.hostList->currentText().isEmpty() || row.site.count < 1)
        return;
    p.ui.timeDialogForDownload = forDownload;
    showTimeDialog(p);
}

// Two items of which exactly one is checked.
void chooseOneOf(QAction* chosen, QAction* other)
{
    chosen->setChecked(true);
    other->setChecked(false);
}

template <typename Fn>
void onClick(Program& p, QAction* item, Fn fn)
{
    QObject::connect(item, &QAction::triggered, &p.form, fn);
}

}

void connectMenuCommands(Program& p)
{
    Form1& f = p.form;
    Options& o = p.options;
    onClick(p, f.ai_down, [&p] { openTimeDialog(p, true); });
    onClick(p, f.ai_up, [&p] { openTimeDialog(p, false); });
    onClick(p, f.ai_exit, [&p] {
        p.session.appClosing = true;
        p.exitNowRequested = true;
        p.form.close();
    });
    onClick(p, f.ai_path, [&p] { showPathDialog(p); });
    onClick(p, f.ai_pass, [&o, &f] { o.recallPassword = f.ai_pass->isChecked(); });
    onClick(p, f.ai_del, [&o, &f] { o.deleteAfterDownload = f.ai_del->isChecked(); });
    onClick(p, f.ai_del2, [&o, &f] { o.deleteAfterUpload = f.ai_del2->isChecked(); });
    onClick(p, f.ai_fsize, [&o, &f] { o.fileSizeExistsOption = f.ai_fsize->isChecked(); });
    onClick(p, f.ai_list, [&f] { chooseOneOf(f.ai_list, f.ai_nlst); });
    onClick(p, f.ai_nlst, [&f] { chooseOneOf(f.ai_nlst, f.ai_list); });
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
