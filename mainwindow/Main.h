#pragma once

#include "mainwindow/SettingsTable.h"
#include "output/SaveAsDialog.h"
#include "quickadd/QuickAddHost.h"
#include "reminders/ReminderHost.h"
#include "reminders/ReminderSound.h"
#include "settings/ui/OptionsHost.h"
#include "store/EntryTable.h"
#include "store/StoreLock.h"
#include "store/StoreStamp.h"
#include "store/StoreWriter.h"
#include "store/XmlDocument.h"

#include <QFont>
#include <QFutureWatcher>
#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QFileSystemWatcher;
class QComboBox;
class QDateEdit;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSessionManager;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTextEdit;
class QTimeEdit;
class QTimer;
class QToolBar;
class QTreeView;
class TEntryListModel;
namespace StoreFile {
struct TOpenedEntries;
}
class TListViewEx;
class TRichEditURL;
class TSpellChecker;
class TSpellLanguageComboBox;
class TUnreadableReminders;
class TfrmReminder;
class TfrmSplash;
struct TRowLook;

enum class TEditorKind { None, Note, Task };

// The main window: owns the entry document, the settings, the two lists and
// the editor for the whole run. Its handlers delegate to the units beside it,
// and it is what the windows it opens call back (their Host interfaces).
class TfrmMain : public QMainWindow, public TOptionsHost, public TQuickAddHost, public TReminderHost
{
    Q_OBJECT

public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // Start-up and shutdown.
    // How start-up opens the store: before FormCreate returns, or in the
    // background while the window is already shown (the program's own start),
    // finishing start-up once the entries are read.
    enum class TStoreOpening { BeforeReturn, WhileShown };
    void FormCreate(const QStringList &arguments = {}, TStoreOpening opening = TStoreOpening::BeforeReturn);
    // Waits for a store still being opened in the background and finishes
    // start-up with it; nothing when none is.
    void FinishStartUpNow();
    void Exit1Click();
    void Exit2Click();
    void WMQueryEndSession(QSessionManager &manager);
    void FormDestroy();
    // Reads the passphrase from the desktop's keyring or "PassKey", or asks for
    // a new one with GeneratePassPhrase.
    void ObtainPassPhrase();
    void GeneratePassPhrase();
    // At start-up, when the passphrase kept does not open the store (it was
    // changed with tamsel-store rekey, or on another computer): asks for the
    // one that does until it opens the store or the user cancels. The store
    // opened replaces `opened`, and its passphrase becomes PassPhrase and is
    // kept for the next start.
    void AskForStorePassPhrase(std::shared_ptr<StoreFile::TOpenedEntries> &opened);
    // File > Set Password, enabled while no passphrase is known (the first
    // passphrase dialog was cancelled): the same dialog again, and on OK the
    // start-up it stopped goes on (tray, store, lists, timers).
    void mnuSetPassPhraseClick();
    QAction *mnuSetPassPhrase = nullptr;
    // File > "Change Passphrase...", enabled while a passphrase is known and
    // the entries are open: stores what is not stored yet, asks for the
    // passphrase in use and the new one, encrypts the store anew with it
    // (ReEncryptStore) and keeps it in place of the old one. Should the new
    // one not be kept, the store goes back to the old passphrase; the user
    // hears what happened either way.
    void mnuChangePassPhraseClick();
    QAction *mnuChangePassPhrase = nullptr;
    // Writes the entries as they are stored now, under the passphrase's bytes
    // given, atomically and holding the store's lock from the look at the
    // store to the rename, as every save does. An empty text once written;
    // otherwise why not, and the store is as it was.
    QString ReEncryptStore(const QByteArray &key);
    void GetPositions();
    // Writes the settings this copy changed since start-up; another copy of
    // the program may have written the others meanwhile.
    void SetPositions();
    void ResetFormLayout();
    // Widens the date columns to the locale's longest date and time text;
    // stored widths, read afterwards, replace these.
    void FitDateColumns();

    // Entry store. EncryptXMLFile stores the document and tells the user in
    // plain words when it could not: false then.
    void WriteTamselFile();
    bool EncryptXMLFile();
    // The entry table's writes go to StoreWriter, away from the window's
    // thread: StartSaving starts one (false, the user told, when none can
    // be), and SaveFinished takes its outcome: the stamp of the store
    // written, or the user told why it was NOT saved (the changes stay kept
    // for the next try), or the store another program changed read again.
    bool StartSaving();
    void SaveFinished(const TStoreWriteResult &result);
    // After a write that failed: the editor's entry, changed here and not
    // stored, shows as unsaved.
    void KeepEditorUnsaved();
    TStoreWriter *StoreWriter = nullptr;
    bool SaveInFlight() const { return StoreWriter && StoreWriter->busy(); }
    // Waits for the write under way and the writes that follow it (changes
    // made meanwhile, a store read again), each taken as SaveFinished
    // takes it. Everything that replaces the document or the store, and
    // every way out of the program, waits here first.
    void WaitForSaveInFlight();
    void DecryptXMLFile();
    void MigrateXMLFile();
    // Removes what interrupted store writes left beside the store.
    void RemoveStaleStoreFiles();
    // Takes the outcome of opening the store: the entries, or the user is told
    // why they could not be opened.
    void TakeOpenedStore(StoreFile::TOpenedEntries &opened);
    // Keeps the store as it was before the first save of the day in its
    // backup folder (store/StoreBackups.h), BackupCount of them; called
    // under the store's lock before each write made here (StoreWriter keeps
    // it itself before its writes). A backup that fails is logged and told
    // once a run; the save goes on all the same.
    void KeepDailyBackup();
    // Logs why the day's backup could not be kept, and tells it once a run.
    void BackupFailed(const QString &reason);
    bool BackupFailureTold = false;
    // File > "Restore from Backup...": replaces the entries with those of a
    // backup the user chooses, keeping the store as one more backup first.
    void mnuRestoreBackupClick();

    // Another program changing the store. The store as last read or written
    // here; the entry table asks ReadStoreAgainIfChanged when the writer
    // found the store changed, and the folder watcher's pause ends in
    // StoreWatchTimerTimer, which reads the store again when it changed.
    // Own writes change nothing.
    TStoreStamp StoreFileStamp;
    bool ReadStoreAgainIfChanged();
    // Runs the step (a look at the store and a write) holding the store's
    // lock, so that no other copy of Tamsel or tamsel-store writes the store
    // in between; false, with the user told why, when the lock cannot be had.
    // The lock is let go before any message is shown, so that the other
    // writers do not wait for the user.
    bool StoreExclusively(const std::function<bool()> &step);
    std::optional<TStoreLock> StoreWriteLock;
    // Watches the store's folder and file from now on.
    void WatchStore();
    void StoreWatchTimerTimer();
    // Shows the rebuilt lists with the selections and the editor's entry
    // found again; tells the user when changes of this program were made
    // again on the other program's entries, naming the entries both had
    // changed.
    void ShowReloadedEntries(bool changesMadeAgain, const QStringList &changedElsewhere);
    QFileSystemWatcher *StoreWatcher = nullptr;
    // The pause after the watcher's last report.
    QTimer *StoreWatchTimer = nullptr;

    // Entry lists.
    void LoadNotes();
    void lsvNotesColumnClick(QTreeView *sender, int column);
    void lsvTasksColumnClick(QTreeView *sender, int column);
    void pgcDataChange();
    void FillReminderComboBox(QComboBox *box) override;

    // Task states and completion boxes. A task row's completion box is its
    // check state in the list's "Done" column; a click on it arrives here.
    void CheckBoxClick(TEntry *entry, bool checked);
    // The look of a list row at the moment it is drawn.
    TRowLook lsvNotesCustomDrawItem(const TEntry &entry);
    // At the given moment (a day number), or now.
    TRowLook lsvTasksCustomDrawItem(const TEntry &entry, double now);
    TRowLook lsvTasksCustomDrawItem(const TEntry &entry);

    // Editor.
    void lsvNotesDblClick(QTreeView *sender);
    void ClearNoteValues();
    void EnableUserControls(QObject *sender = nullptr);
    void radNoteClick();
    void edtTitleOriginalChange();
    void cboReminderChange();
    void actNewNoteExecute();
    void actSaveNoteExecute();
    void actDeleteNoteExecute();
    // Edit > Undo (Ctrl+Z) while no text field has the focus: brings the
    // entry deleted last back and opens it in the editor.
    void actUndoDeleteExecute();
    void lsvNotesSelectItem();
    void lsvTasksSelectItem();
    void lsvNotesClick();
    void redNoteOriginalEnter();
    void pnlContentsResize();
    // Ctrl+B in a field types a bullet; true when the key was handled.
    bool redNoteOriginalKeyPress(TRichEditURL *sender, QKeyEvent *event) override;
    // F7, F8, F9 released in the body or file field stamp the body.
    void redFileNameKeyUp(QKeyEvent *event);
    void radAllNotesEnter(QWidget *sender);
    void radAllNotesExit(QWidget *sender);
    void actFontExecute();
    void timAutoSaveTimer();
    void redNoteURLClick(QObject *sender, const QString &url) override;

    // Search: one step of the find bar in its scope, and its controls.
    void actFindExecute();
    void actStartFindExecute();
    void edtFindChange();
    void edtFindKeyPress();
    void radAllNotesClick();
    void radCurrentTabClick();
    void radCurrentNoteClick();

    // File attachments: the file field's commands, and a file dropped on it.
    void actAddFileExecute();
    void actViewFileExecute();
    void actDeleteFileExecute();
    void drpFileDrop(const QString &path);
    // Lets the user choose a file for a file field; true when one was chosen.
    bool AddFile(QTextEdit *field);

    // Saving the entry in the editor; true when it was written.
    bool SaveNote();
    bool SaveTask();

    // Output: the checked entries to a text file or the printer, the entry
    // in the editor by e-mail, feedback by e-mail.
    void actSaveNotesAsExecute();
    void actPrintExecute();
    void actSendMailExecute();
    void Sendfeedback1Click();
    // The save dialog of Save to File, kept for the run.
    TSaveAsDialog dlgSaveAs;

    // Spell checking of the title, then the body. Inside a save the save
    // resumes the timers after writing.
    void actSpellCheckExecute(bool partOfSave = false);
    // Makes a row of the spelling-language list current (the options dialog's
    // choice): the checker, the list's row, SpellCheckerLanguage and, so that
    // the choice is kept, SpellCheckerType (the kind the row was listed for)
    // follow. A row outside the list changes nothing.
    void ChooseSpellLanguage(int row) override;
    TSpellChecker *splChecker = nullptr;
    // Hidden; every list the user chooses a language from is filled alike.
    TSpellLanguageComboBox *cboSpellCheck = nullptr;

    // Timers: pause the reminder check; run each timer as its setting says.
    void DisableTimer();
    void ResetTimerState() override;
    // What the reminder window stands over and works on.
    QWidget &ReminderOwner() override;
    TEntryTable &ReminderEntries() override;
    const TReminderSoundInfo &ReminderSoundSettings() const override;
    // The reminder check: the reminder window for the tasks that are due.
    // While that window is open the checks go on, and the tasks that fall
    // due meanwhile join it; there is never a second one.
    void timReminderTimer();
    TUnreadableReminders *UnreadableReminders = nullptr;
    // The reminder window while it is open for the user.
    QPointer<TfrmReminder> ReminderWindow;

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
    // The entries of xmlNotes; both lists and every other window read and
    // change entries through it.
    TEntryTable *Entries = nullptr;
    TEntryListModel *NotesModel = nullptr;
    TEntryListModel *TasksModel = nullptr;
    // The stored entry in the editor (EditorIndex with the creation key), or null.
    TEntry *EditorEntry() const;
    // The entry of a list's selected row, or null.
    TEntry *SelectedEntry(QTreeView *list) const;
    TEntryListModel *ModelOf(const QTreeView *list) const;

    // Passphrase.
    QString PassPhrase;
    bool HasPassPhrase = false;
    // The passphrase's bytes the store was opened with (an older version may
    // have keyed it in a single-byte code page); stores keep that key.
    QByteArray StorePassPhrase;
    // The entry document was opened or created; without it nothing may be
    // stored, so a store that could not be read is never overwritten.
    bool StoreAvailable = false;

    // The settings kept in fields are TSettingFields' (settings/SettingFields.h).
    std::optional<QFont> EntryFont;
    // The state the window gets back when it leaves the tray: normal or maximized.
    Qt::WindowStates SavedWindowState = Qt::WindowNoState;

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
    // Search scope of the find bar: all entries, the active tab, the entry in the editor.
    QRadioButton *radAllNotes = nullptr;
    QRadioButton *radCurrentTab = nullptr;
    QRadioButton *radCurrentNote = nullptr;
    QTreeView *lsvNotes = nullptr;
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
    QAction *mnuRestoreBackup = nullptr;
    QAction *CheckforUpdatesNow1 = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *Sendfeedback1 = nullptr;

    QTimer *timReminder = nullptr;
    QTimer *timAutoSave = nullptr;

    // Start-up faults and the ways out of the program.
    // The questions before the program ends, shared by File > Exit and the
    // close box: unsaved editor changes, then changes the store could not
    // take (offered to store again). True when the program may end.
    bool ConfirmSaveBeforeExit();
    // A later start of the program asks this one to come forward. The window
    // is shown only once start-up is complete: a request during start-up
    // brings the dialog start-up waits on forward and is honoured at its end.
    void BringToFront();
    bool BringToFrontAfterStart = false;
    // The storage folder of the settings when it was missing at start-up and
    // the user chose to work in the default folder for this run only; exit
    // writes it back in place of the default folder.
    QString MissingTamselLocation;
    // By setting name, what SetPositions would have written right after the
    // settings were read; a setting that still gives this value at exit is
    // not written. A setting whose stored value could not be read or used,
    // or one never read, is missing here: exit writes it.
    std::map<QString, TSettingValue> SettingsAtStart;
    // Fills SettingsAtStart from the settings as they are now, but for those
    // named in `unread`.
    void KeepSettingsAtStart(const QStringList &unread);
    // When the storage folder is missing, asks whether to work in the default
    // folder for this run; false when the user chose to quit instead.
    bool DecideStorageFolder();
    // The user chose to quit during start-up: the program ends without
    // showing its window and without writing the settings.
    bool QuitAtStart = false;
    // Shows the window at the end of start-up; a minimized start stays in the
    // tray, or on the taskbar where the desktop has no tray.
    void ShowAfterStart();

    // Tray icon, its menu and the quick-add windows.
    QSystemTrayIcon *TrayIcon = nullptr;
    QMenu *popMenu = nullptr;
    QAction *popAddNote = nullptr;
    QAction *popAddTask = nullptr;
    QAction *Show1 = nullptr;
    QAction *Hide1 = nullptr;
    QAction *Exit2 = nullptr;
    // The quick-add commands in the File menu, for desktops without a tray.
    QAction *mnuAddNote = nullptr;
    QAction *mnuAddTask = nullptr;
    void AddTrayIcon();
    void TrayMessage(QSystemTrayIcon::ActivationReason reason);
    // Into the tray where the desktop has one; minimized on the taskbar where
    // it has none, so the window is never out of reach.
    void MinimizeToTray();
    void MaximizeFromTray();
    void Show1Click();
    void Hide1Click();
    void popAddNoteClick();
    void popAddTaskClick();
    // What the quick-add window stands over and adds to.
    QWidget &QuickAddOwner() override;
    TEntryTable &QuickAddEntries() override;
    // Follows the desktop's tray: the icon where one has appeared, the window
    // back on the taskbar when the tray holding it has gone.
    void TrayCheck();
    QTimer *timTray = nullptr;
    // Show1 and Hide1 follow whether the window is shown.
    void UpdateTrayItems();

    // Options and start with the system.
    void mnuOptionsClick();
    // True when the start-up entry was written; failures are reported.
    bool CreateStartupShortcut() override;
    void DeleteStartupShortcut() override;
    bool IsAdmin() override;
    // The options dialog's other steps: the same languages as the spelling
    // list, the auto-save timer and the task list's look follow the settings.
    QStringList SpellLanguages() const override;
    int SpellLanguageRow() const override;
    void AutoSaveChanged() override;
    void TaskLookChanged() override;
    // Keeps PassPhrase for the next start, in the desktop's keyring or, where
    // none takes it, in "PassKey"; false (the user told) when it could not be
    // kept.
    bool KeepPassPhrase();
    // KeepPassPhrase without a word about a failure: an empty text once kept,
    // otherwise why it could not be.
    QString TryKeepPassPhrase();

    // Storage location. The folder the store is read from and written to,
    // with a trailing '/': AlternateLocation while UseAlternateLocation is on
    // (the default folder for a run where it was missing), else TamselLocation.
    QString StorageFolder() const;
    bool MissingAlternateLocation = false;
    // Carries the entries to the store in another folder and uses it from then
    // on; when that folder holds a store already, the user chooses between
    // opening it and replacing it. `moved` runs once the folder is in use.
    // False when the move failed (the user has been told); true also when the
    // user chose to keep the store where it is.
    bool MoveStorage(const QString &folder, const std::function<void()> &moved) override;

    // Update check, about box and help.
    void CheckforUpdatesNow1Click();
    void mnuAboutClick();
    void actHelpExecute();
    // The about box, shown as the splash while start-up runs.
    void ShowSplash();
    void CloseSplash();
    TfrmSplash *frmSplash = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateFrame();
    void CreateActions();
    void CreateMenus();
    void CreateEditorPane();
    void CreateToolBar();
    void CreateLists();
    void CreateFindBar();
    // Both lists' drawing, and the binding of lsvTasks' boxes to CheckBoxClick.
    void CreateTaskListLook();
    void SetTabOrder();
    void SetActionImage(QAction *action, int enabledImage, int disabledImage);
    void SortList(QTreeView *list, int column, int &toggle, int &sortColumn);
    void ConnectEditorEvents();
    void RemoveEventFilters();
    void ConnectSearchEvents();
    void SearchLists(const QString &text);
    void SearchCurrentEntry(const QString &text);
    // Selects a found entry's row, scrolls to it and brings its tab forward;
    // returns its list.
    QTreeView *SelectSearchMatch(const TEntry *entry);
    // A match in a list, opened in the editor when LoadNotesOnSearch is on.
    void ShowSearchMatch(TEntry *entry, bool inBody, const QString &text);

    void ConnectAttachmentEvents();

    void ConnectOutputCommands();
    // Writes the file of Save to File.
    void SaveEntriesAs(const QString &path);
    // Lays the print out in the body field and prints it.
    void PrintEntries(QPrinter &printer);

    void CreateSpellChecker();
    // SpellCheckerType and SpellCheckerLanguage, as read at start-up.
    void ApplySpellingSettings();
    // The list's current row and SpellCheckerLanguage: the checker's language.
    void ShowSpellLanguageInUse();

    void loadEntry(const TEntry &entry);
    // The editor's entry, unchanged by the user, as the store read again has it.
    void showEntryAgain(const TEntry &entry);
    void selectItem(QTreeView *list);
    // The save prompt: false when the operation must stop (Cancel, or a save
    // that did not go through).
    bool ConfirmSaveChanges();
    // Sorts a list again by its sort column, keeping its direction.
    void ResortList(QTreeView *list);
    void ShowSavedEntry(const TEntryWrite &write, bool moved);
    // The editor's fields of a task the reminder window changed.
    void ShowReminderChoice(const TEntry &task);
    // Start-up from the passphrase on: storage folder, tray icon, store, and
    // (unless the store is opened in the background) the entries shown.
    enum class TStoreStart { Opened, Opening, Quit };
    TStoreStart OpenStoreAtStart(const QStringList &arguments, TStoreOpening opening);
    // Start-up from the opened store on: lists, sorts, the first entry.
    void ShowEntriesAtStart();
    // The tray menu and the File menu's quick-add items.
    void CreateTrayMenu();
    void QuickAdd(bool task, const char *method);
    // Start-up's last step, which always runs: timers, actions, Starting off.
    void EndStartUp();
    // The store being opened in the background while the window shows.
    QFutureWatcher<std::shared_ptr<StoreFile::TOpenedEntries>> *StoreOpening = nullptr;
    // The entries the editor and the lists' selections showed before the
    // store was read again.
    struct TPlacesBeforeReload {
        std::optional<TEntryKey> editor;
        std::optional<TEntryKey> selectedNote;
        std::optional<TEntryKey> selectedTask;
    };
    TPlacesBeforeReload PlacesBeforeReload;
    bool ReloadNoticeQueued = false;
    // Entries both programs changed, for the notice queued.
    QStringList ChangedElsewhere;
};
