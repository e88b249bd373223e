#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class QWidget;

// Undo, Cut, Copy, Paste and Select All of the Edit menu and the tool bar.
// They work on the text field that has the focus (a line edit, a text edit,
// the text of a spin box or date/time picker, or of an editable combo box)
// and are enabled by what that field allows at the moment: Cut and Copy with
// a selection, Paste with text on the clipboard, Select All with text in the
// field, Undo when the field can undo. Without a focused text field they are
// disabled, but for Undo when it is given a command of its own there
// (bringing back a deleted entry) that can be done; the menu bar and its
// menus taking the focus leave them with the field the user was in. A
// read-only field is never changed: Cut, Paste and Undo stay disabled there.
class TEditActions : public QObject
{
    Q_OBJECT

public:
    struct TActions
    {
        QAction *undo;
        QAction *cut;
        QAction *copy;
        QAction *paste;
        QAction *selectAll;
    };

    TEditActions(const TActions &actions, QObject *parent);

    // What Undo does while no text field has the focus, and whether it can.
    void setUndoWithoutField(std::function<bool()> available, std::function<void()> undo);

    // The field the actions work on, or null.
    QWidget *field() const { return m_field; }
    // Sets the actions' enabled states from the field and the clipboard.
    void updateActions();

private:
    void focusChanged(QWidget *now);
    void clipboardChanged();
    void watch(QWidget *field);

    TActions m_actions;
    QPointer<QWidget> m_field;
    QList<QMetaObject::Connection> m_fieldConnections;
    bool m_clipboardHasText = false;
    std::function<bool()> m_undoWithoutFieldAvailable;
    std::function<void()> m_undoWithoutField;
};
