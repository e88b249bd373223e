#pragma once

// Driving the quick-add windows from the tray menu as the user does.

#include "mainwindow/Main.h"
#include "quickadd/AddNote.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

// Opens the quick add from the tray menu; `work` fills the window while it is
// shown modally and closes it.
inline void quickAdd(TfrmMain &w, bool task, const std::function<void(TfrmAddNote &)> &work)
{
    bool worked = false;
    QTimer::singleShot(0, &w, [&] {
        auto *window = qobject_cast<TfrmAddNote *>(QApplication::activeModalWidget());
        if (!window)
            return;
        work(*window);
        worked = true;
        if (window->isVisible())
            window->reject();
    });
    (task ? w.popAddTask : w.popAddNote)->trigger();
    QVERIFY(worked);
}

inline void typeAndSave(TfrmAddNote &window, const QString &title, int reminderDowns = 0, bool complete = false)
{
    QTest::keyClicks(window.edtTitle, title);
    if (window.TaskMode) {
        window.cboReminder->setFocus();
        for (int i = 0; i < reminderDowns; ++i)
            QTest::keyClick(window.cboReminder, Qt::Key_Down);
        if (complete)
            QTest::mouseClick(window.chkComplete, Qt::LeftButton);
    }
    QTest::mouseClick(window.btnSave, Qt::LeftButton);
}
