#pragma once

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

#include <algorithm>
#include <functional>

// The operator's hand on the menus: clicks and pointer moves delivered to the menu bar and the
// menus as the windowing system delivers them, so that what the menus do in return (status
// tips, tool tips, submenus opening) happens as it does on a desktop.
namespace menuclicks {

inline void MoveOver(QWidget* widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QSpontaneKeyEvent::setSpontaneous(&move);
    QApplication::sendEvent(widget, &move);
}

// Opens the menu bar's menu of item with a click on the bar.
inline QMenu* OpenFromBar(QMenuBar* bar, QAction* item)
{
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(item).center());
    return QTest::qWaitFor([item] { return item->menu()->isVisible(); }) ? item->menu() : nullptr;
}

// Rests the pointer on every item of menu, and of its submenus, one after the other, then calls
// visit with the menu and the item under the pointer.
inline void HoverEveryItem(QMenu* menu, const std::function<void(QMenu*, QAction*)>& visit)
{
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            continue;
        MoveOver(menu, menu->actionGeometry(a).center());
        visit(menu, a);
        if (a->menu() && QTest::qWaitFor([a] { return a->menu()->isVisible(); }, 2000))
            HoverEveryItem(a->menu(), visit);
    }
}

// Clicks the command at path from the menu bar: the menu's title, any submenu titles, then the
// command's text.
inline bool Choose(QMenuBar* bar, const QStringList& path)
{
    QWidget* owner = bar;
    QAction* item = nullptr;
    for (const QString& text : path) {
        const QList<QAction*> items = owner->actions();
        const auto found =
            std::find_if(items.begin(), items.end(), [&](QAction* a) { return a->text() == text; });
        if (found == items.end())
            return false;
        item = *found;
        if (owner == bar) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(item).center());
        } else {
            auto* menu = static_cast<QMenu*>(owner);
            MoveOver(menu, menu->actionGeometry(item).center());
            if (!item->menu())
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        }
        if (item->menu() && !QTest::qWaitFor([item] { return item->menu()->isVisible(); }, 2000))
            return false;
        owner = item->menu();
    }
    return item && !item->menu();
}

} // namespace menuclicks
