#pragma once

// The access keys (Alt+letter) a window offers: the menu bar's titles, the
// captions of its buttons, check boxes, radio buttons, tabs and group boxes,
// and the labels that lead to a field. Windows of their own (menus, dialogs)
// are not counted: their keys are theirs alone.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QMenuBar>
#include <QStringList>
#include <QTabBar>

namespace AccessKeys {

// The letter after the first single '&' of a caption ("&&" is a plain '&').
inline QChar keyOf(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&'))
            continue;
        if (caption.at(i + 1) != QLatin1Char('&'))
            return caption.at(i + 1).toUpper();
        ++i;
    }
    return {};
}

// Each access key of the window with the captions that claim it.
inline QMap<QChar, QStringList> of(QWidget *window)
{
    QMap<QChar, QStringList> keys;
    const auto add = [&keys](const QString &caption) {
        if (const QChar key = keyOf(caption); !key.isNull())
            keys[key].append(caption);
    };
    const auto own = [window](QWidget *widget) { return widget->window() == window; };
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        for (QAction *menu : main->menuBar()->actions())
            add(menu->text());
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (own(button))
            add(button->text());
    }
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (own(label) && label->buddy())
            add(label->text());
    }
    for (QTabBar *tabs : window->findChildren<QTabBar *>()) {
        if (own(tabs)) {
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs->tabText(i));
        }
    }
    for (QGroupBox *group : window->findChildren<QGroupBox *>()) {
        if (own(group))
            add(group->title());
    }
    return keys;
}

// "T: &Tools, &Tasks" for every key claimed more than once; empty when each
// key leads to one place.
inline QStringList clashes(QWidget *window)
{
    QStringList result;
    const QMap<QChar, QStringList> keys = of(window);
    for (auto key = keys.cbegin(); key != keys.cend(); ++key) {
        if (key.value().size() > 1)
            result << QString(key.key()) + QStringLiteral(": ") + key.value().join(QStringLiteral(", "));
    }
    return result;
}

} // namespace AccessKeys
