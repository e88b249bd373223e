#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QPushButton;
class QTimeEdit;
class QTimer;
class TQuickAddHost;
class TRichEditURL;
struct TEntry;

// The small window that adds a note or a task without the main window: a
// title, for a task its deadline, lead time and completion, a body and a file.
// Save appends the entry through the entry table of the window that opens it; the window
// keeps its place and size in the settings.
class TfrmAddNote : public QDialog
{
    Q_OBJECT

public:
    TfrmAddNote(TQuickAddHost &host, bool task);

    // The entry Save added (the store may have failed: see Stored), or null.
    TEntry *AddedEntry() const { return m_added; }
    // The added entry was written to the store, or a write of it began
    // (one that fails is told when it ends).
    bool Stored() const { return m_stored; }

    void edtTitleChange();
    void redFileNameChange();
    void btnAddFileClick();
    void btnViewFileClick();
    void btnRemoveFileClick();
    void btnSaveClick();
    // The end of a move or resize: the window is kept on the first screen.
    void ExitSizeMove();

    const bool TaskMode;
    QFrame *pnlContents = nullptr;
    QLabel *lblTitle = nullptr;
    TRichEditURL *edtTitle = nullptr;
    QWidget *pnlTask = nullptr;
    QDateEdit *dtpDate = nullptr;
    QTimeEdit *dtpTime = nullptr;
    QComboBox *cboReminder = nullptr;
    QCheckBox *chkComplete = nullptr;
    TRichEditURL *redNote = nullptr;
    TRichEditURL *redFileName = nullptr;
    QPushButton *btnAddFile = nullptr;
    QPushButton *btnViewFile = nullptr;
    QPushButton *btnRemoveFile = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnCancel = nullptr;

    // Designed size of the window, in pixels.
    static constexpr int DesignedWidth = 520;
    static constexpr int DesignedHeight = 300;

protected:
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    void LoadGeometry();
    void SaveGeometry();

    TQuickAddHost &m_host;
    TEntry *m_added = nullptr;
    bool m_stored = false;
    // A window manager tells no end of a move or resize: the end is taken as
    // a short pause after the last change.
    QTimer *m_endOfMove = nullptr;
};
