#pragma once

#include "store/XmlDocument.h"

#include <QFont>
#include <QMainWindow>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSessionManager;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTimeEdit;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TListViewEx;
class TRichEditURL;

enum class TEditorKind { None, Note, Task };

// The main window: owns the entry document, the settings, the two lists and
// the editor for the whole run. Its handlers delegate to the units beside it.
class TfrmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // Start-up and shutdown.
    void FormCreate(const QStringList &arguments = {});
    void Exit1Click();
    void Exit2Click();
    void WMQueryEndSession(QSessionManager &manager);
    void FormDestroy();
    void ObtainPassPhrase();
    void GetPositions();
    void SetPositions();
    void ResetFormLayout();

    // Entry store.
    void WriteTamselFile();
    QString GetNoteDate(int documentIndex);
    void EncryptXMLFile();
    void DecryptXMLFile();

    // Entry lists.
    void LoadNotes();
    void lsvNotesColumnClick(QTreeWidget *sender, int column);
    void lsvTasksColumnClick(QTreeWidget *sender, int column);
    void pgcDataChange();
    void FillReminderComboBox(QComboBox *box);
    // Gives a task row its completion box (unchecked).
    void CreateTaskCheckBox(QTreeWidget *list, QTreeWidgetItem *row);

    // Editor.
    void lsvNotesDblClick(QTreeWidget *sender);
    void ClearNoteValues();
    void EnableUserControls(QObject *sender = nullptr);
    void radNoteClick();

    // The entry font: the editors' font until one is chosen or restored.
    QFont CurrentEntryFont() const;

    // Flags of the run.
    bool Starting = false;
    bool Exiting = false;
    bool Printing = false;
    bool LoadingEntry = false;
    TEditorKind EditorKind = TEditorKind::None;
    QString MailFooter;
    QString StoreFilePath;
    TXmlDocument xmlNotes;

    // Passphrase.
    QString PassPhrase;
    bool HasPassPhrase = false;
    // The entry document was opened or created; without it nothing may be
    // stored, so a store that could not be read is never overwritten.
    bool StoreAvailable = false;

    // Settings kept in fields.
    QString TamselLocation;
    bool StartMinimized = false;
    bool CloseOnMenuOnly = false;
    bool AutoSave = false;
    int AutoSaveAfterTime = 15;
    bool DisplayReminders = true;
    int NoteSortColumn = 0;
    int NoteSortToggle = 1;
    int TaskSortColumn = 0;
    int TaskSortToggle = 1;
    std::optional<QFont> EntryFont;

    // Sign of the last sort, shared by both lists: +1 ascending, -1 descending.
    int SortSign = 1;

    // Frame.
    QToolBar *ToolBar1 = nullptr;
    QSplitter *Splitter1 = nullptr;
    QFrame *pnlContents = nullptr;
    QWidget *pnlNoteList = nullptr;
    QTabWidget *pgcData = nullptr;
    QWidget *tabNotes = nullptr;
    QWidget *tabTasks = nullptr;
    QStatusBar *barStatus = nullptr;
    QLineEdit *edtFind = nullptr;
    QPushButton *btnFind = nullptr;
    QTreeWidget *lsvNotes = nullptr;
    TListViewEx *lsvTasks = nullptr;

    // Editor pane.
    QLabel *lblTitle = nullptr;
    TRichEditURL *edtTitle = nullptr;
    QRadioButton *radNote = nullptr;
    QRadioButton *radTask = nullptr;
    QWidget *pnlTask = nullptr;
    QDateEdit *dtpDate = nullptr;
    QTimeEdit *dtpTime = nullptr;
    QLabel *lblReminder = nullptr;
    QComboBox *cboReminder = nullptr;
    QCheckBox *chkComplete = nullptr;
    QWidget *pnlNote = nullptr;
    TRichEditURL *redNote = nullptr;
    TRichEditURL *redFileName = nullptr;
    QPushButton *btnViewFile = nullptr;
    QPushButton *btnRemoveFile = nullptr;
    QLabel *lblCreationDate = nullptr;
    // The editor document index (-1: no stored entry in the editor).
    int EditorIndex = -1;

    // Actions and menus.
    QAction *actNewNote = nullptr;
    QAction *actSaveNote = nullptr;
    QAction *actDeleteNote = nullptr;
    QAction *actPrint = nullptr;
    QAction *actEditUndo = nullptr;
    QAction *actEditCopy = nullptr;
    QAction *actEditCut = nullptr;
    QAction *actEditPaste = nullptr;
    QAction *actEditSelectAll = nullptr;
    QAction *actFont = nullptr;
    QAction *actSendMail = nullptr;
    QAction *actSaveNotesAs = nullptr;
    QAction *actFind = nullptr;
    QAction *actSpellCheck = nullptr;
    QAction *actHelp = nullptr;
    QAction *actAddFile = nullptr;
    QAction *actDeleteFile = nullptr;
    QAction *actViewFile = nullptr;
    QAction *actStartFind = nullptr;
    QAction *Exit1 = nullptr;
    QAction *mnuOptions = nullptr;
    QAction *CheckforUpdatesNow1 = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *Sendfeedback1 = nullptr;

    QTimer *timReminder = nullptr;
    QTimer *timAutoSave = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateFrame();
    void CreateActions();
    void CreateMenus();
    void CreateEditorPane();
    void CreateLists();
    void SetActionImage(QAction *action, int enabledImage, int disabledImage);
    void SortList(QTreeWidget *list, int column, int &toggle, int &sortColumn);
    void addNoteRow(QTreeWidgetItem *row, pugi::xml_node entry, int index, const QString &caption);
};
