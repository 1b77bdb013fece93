#pragma once

// The program as the operator meets it, and what the operator does in its
// window, done through the controls' own input events (keys, clicks, menu
// clicks), so the handlers run as they do for the operator. Shared by the
// widget tests of the operator controls.

#include "app/Program.h"
#include "app/StartUp.h"
#include "platform/TimeScale.h"
#include "support/FileBytes.h"
#include "support/SampleSites.h"
#include "support/TemporaryCurrentFolder.h"

#include <QMenu>
#include <QStyleOptionButton>
#include <QtTest>

Q_DECLARE_METATYPE(JobKind)

// A fresh program as start-up leaves it, its window opened as the program
// opens it, in a temporary current folder of its own holding the site files
// given (none for an empty one) and the working folder "work", timers running
// at the given scale (by default one program second lasts 20 ms) and message
// boxes recorded, not shown. Keys reach the window once the window system has
// shown it.
struct ProgramUnderTest {
    explicit ProgramUnderTest(const QByteArray& downloadSites = {}, const QByteArray& uploadSites = {}, double timeScale = 0.02)
    {
        TimeScale::set(timeScale);
        for (const auto& [file, sites] : { std::pair { "valuesd.log", downloadSites }, { "valuesu.log", uploadSites } })
            if (!sites.isEmpty())
                writeFileBytes(file, sites);
        program.form.messages.recordInsteadOfShowing();
        startUp(program);
        QDir(folder.path()).mkdir(QStringLiteral("work"));
        program.engine.workPath = folder.file(QStringLiteral("work"));
        program.engine.File2.setPath(program.engine.workPath);
        program.form.openCentred();
        (void)QTest::qWaitForWindowExposed(&program.form);
    }

    TemporaryCurrentFolder folder;
    Program program;
};

namespace operatorActions {

// Real milliseconds; bounds only catch hangs.
constexpr int kWaitMs = 5000;

struct SiteFields {
    QString host;
    QString user = QStringLiteral("alice");
    QString password = QStringLiteral("s3cret");
    QString path = QStringLiteral("/in");
    QString pattern = QStringLiteral("*.dat");
    QString port = QStringLiteral("2121");
};

// Replaces a field's text by typing: select everything, then type (or delete).
inline void type(QLineEdit* field, const QString& text)
{
    field->selectAll();
    text.isEmpty() ? QTest::keyClick(field, Qt::Key_Backspace) : QTest::keyClicks(field, text);
}

// Empties the host box of a row: the next letter typed starts a new site.
inline void clearHost(const Row& row)
{
    type(row.hostList->lineEdit(), QString());
}

// A new site, typed into an emptied host box and the row's fields; with no
// host, only the fields are typed, as before any site exists.
inline void typeSite(const Row& row, const SiteFields& site)
{
    clearHost(row);
    QTest::keyClicks(row.hostList, site.host);
    for (const auto& [field, text] : { std::pair { row.user, site.user }, { row.password, site.password },
                                       { row.path, site.path }, { row.pattern, site.pattern }, { row.port, site.port } })
        type(field, text);
}

// Picks an item of a list with the arrow keys, as the operator steps through
// the list; none for a position below 0.
inline void pick(QComboBox* list, int position)
{
    while (position >= 0 && list->currentIndex() != position)
        QTest::keyClick(list, list->currentIndex() < position ? Qt::Key_Down : Qt::Key_Up);
}

// Clicks a check box where a click toggles it (it has no caption, only its
// indicator).
inline void click(QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    QTest::mouseClick(box, Qt::LeftButton, {}, box->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, box).center());
}

// Clicks a menu item in its open menu; a disabled item cannot be chosen this
// way, as for the operator.
inline void choose(QAction* item)
{
    auto* menu = qobject_cast<QMenu*>(item->associatedObjects().value(0));
    QVERIFY(menu);
    menu->popup(QPoint(0, 0));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    menu->hide();
}

}
