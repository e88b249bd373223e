#pragma once

class QComboBox;
class QKeyEvent;
class QObject;
class QString;
class QWidget;
class TEntryTable;
class TRichEditURL;

// What the quick-add window needs of the window that opens it: its owner,
// the entries it adds to, the lead-time list, and the editor's handling of
// keys and links in its fields.
class TQuickAddHost {
public:
    virtual QWidget &QuickAddOwner() = 0;
    virtual TEntryTable &QuickAddEntries() = 0;
    virtual void FillReminderComboBox(QComboBox *box) = 0;
    // Ctrl+B in a field types a bullet; true when the key was handled.
    virtual bool redNoteOriginalKeyPress(TRichEditURL *sender, QKeyEvent *event) = 0;
    virtual void redNoteURLClick(QObject *sender, const QString &url) = 0;

protected:
    ~TQuickAddHost() = default;
};
