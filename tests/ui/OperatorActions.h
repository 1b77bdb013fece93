#pragma once

// What the operator does in the window, done through the controls' own input
// events (keys, clicks, menu clicks), so the handlers run as they do for the
// operator. Shared by the widget tests of the operator controls.

#include "app/Program.h"
#include "ui/Row.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStyleOptionButton>
#include <QtTest>

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

inline bool showWindow(Form1& form)
{
    form.show();
    return QTest::qWaitForWindowExposed(&form);
}

// Replaces a field's text by typing: select everything, then type (or delete).
inline void type(QLineEdit* field, const QString& text)
{
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, text);
}

// Empties the host box of a row: the next letter typed starts a new site.
inline void clearHost(QComboBox* hostList)
{
    hostList->lineEdit()->selectAll();
    QTest::keyClick(hostList, Qt::Key_Backspace);
}

// A new site, typed into an emptied host box and the row's fields.
inline void typeSite(const Row& row, const SiteFields& site)
{
    clearHost(row.hostList);
    QTest::keyClicks(row.hostList, site.host);
    type(row.user, site.user);
    type(row.password, site.password);
    type(row.path, site.path);
    type(row.pattern, site.pattern);
    type(row.port, site.port);
}

// A required field of the row by its name: "user", "password", "path",
// "pattern", or "host" for the host box's text field.
inline QLineEdit* fieldNamed(const Row& row, const QString& name)
{
    return name == QLatin1String("user") ? row.user
        : name == QLatin1String("password") ? row.password
        : name == QLatin1String("path")     ? row.path
        : name == QLatin1String("pattern")  ? row.pattern
                                            : row.coveredHost;
}

// Picks an item of a host list with the arrow keys, as the operator steps
// through the list.
inline void pick(QComboBox* hostList, int position)
{
    while (hostList->currentIndex() < position)
        QTest::keyClick(hostList, Qt::Key_Down);
    while (hostList->currentIndex() > position)
        QTest::keyClick(hostList, Qt::Key_Up);
}

// Where a click toggles a check box (with no caption, only its indicator).
inline QPoint clickPoint(QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    return box->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, box).center();
}

inline void click(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, clickPoint(box));
}

// Clicks a menu item in its open menu (or on the menu bar); a disabled item
// cannot be chosen this way, as for the operator.
inline void choose(QAction* item)
{
    for (QObject* owner : item->associatedObjects()) {
        if (auto* bar = qobject_cast<QMenuBar*>(owner)) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(item).center());
            return;
        }
        if (auto* menu = qobject_cast<QMenu*>(owner)) {
            menu->popup(QPoint(0, 0));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
            menu->hide();
            return;
        }
    }
    QFAIL("the item is in no menu");
}

}
