// Start-up and shutdown of the main window.
#include "mainwindow/Main.h"

#include "controls/EntryListModel.h"
#include "reminders/ReminderCheck.h"
#include "store/EntryTable.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "diagnostics/StartUpTrace.h"
#include "output/SendMailMAPI.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/TrayHost.h"
#include "store/EntryDocument.h"
#include "store/HmacSha256.h"
#include "store/LocaleFormat.h"
#include "store/StoreFile.h"
#include "updates/UpdateCommands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QRadioButton>
#include <QSessionManager>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeView>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

namespace {
const QString unitMain = QStringLiteral("Main");

void reportMain(const char *method, const QString &message)
{
    ReportError({unitMain, QLatin1String(method), message});
}
} // namespace

TfrmMain::TfrmMain(QWidget *parent) : QMainWindow(parent)
{
    CreateFrame();
    CreateTaskListLook();
    timReminder = new QTimer(this);
    timReminder->setObjectName(QStringLiteral("timReminder"));
    timReminder->setInterval(30000);
    connect(timReminder, &QTimer::timeout, this, [this] { timReminderTimer(); });
    UnreadableReminders = new TUnreadableReminders(*Entries, this);
    timAutoSave = new QTimer(this);
    timAutoSave->setObjectName(QStringLiteral("timAutoSave"));
    ConnectEditorEvents();
    ConnectSearchEvents();
    ConnectAttachmentEvents();
    ConnectUpdateCommands(*this);
    ConnectOutputCommands();
    CreateSpellChecker();
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager &manager) { WMQueryEndSession(manager); });
}

TfrmMain::~TfrmMain()
{
    RemoveEventFilters();
    FormDestroy();
    // The writer reads xmlNotes.
    WaitForSaveInFlight();
    // The lists read their rows from xmlNotes, which goes before the widgets do.
    Entries->Clear();
}

void TfrmMain::FormCreate(const QStringList &arguments, TStoreOpening opening)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Starting = true;
    Printing = false;
    ShowSplash();
    try {
        MailFooter = MailFooterText();
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale::system()));
        FitDateColumns();
        GetPositions();
        // The check of the settings' choice runs once they are read; the
        // events it held back run before start-up goes on.
        if (CheckForUpdatesOnStartup) {
            CheckforUpdatesNow1Click();
            QCoreApplication::processEvents();
        }

        if (!HasPassPhrase) {
            pgcData->setCurrentWidget(tabNotes);
            radNote->setChecked(true);
            ClearNoteValues();
            EnableUserControls();
            // No lists to sort, but the stored directions are taken as the
            // start-up sort would take them, so the exit writes them back unchanged.
            NoteSortToggle = -NoteSortToggle;
            TaskSortToggle = -TaskSortToggle;
            mnuSetPassPhrase->setEnabled(true);
        } else {
            switch (OpenStoreAtStart(arguments, opening)) {
            case TStoreStart::Quit:
                QuitAtStart = true;
                break;
            case TStoreStart::Opening:
                return;
            case TStoreStart::Opened:
                break;
            }
        }
    } catch (const std::exception &error) {
        reportMain("FormCreate", QString::fromStdString(error.what()));
    }
    EndStartUp();
    // Said once the splash has gone: the window would otherwise come up
    // empty, every command off, without a word why.
    if (!HasPassPhrase)
        MessageDlg(QStringLiteral("No password was set, so Tamsel cannot open or keep your entries: every "
                                  "entry command is off.\r\n\r\n"
                                  "To set your password and open your entries, choose File > Set Password."),
                   TMsgDlgType::Information, mbOK);
}

TfrmMain::TStoreStart TfrmMain::OpenStoreAtStart(const QStringList &arguments, TStoreOpening opening)
{
    if (!DecideStorageFolder())
        return TStoreStart::Quit;
    if (!arguments.isEmpty() || StartMinimized)
        setWindowState(windowState() | Qt::WindowMinimized);
    AddTrayIcon();
    StoreFilePath = StorageFolder() + QStringLiteral("brindo.dat");
    RemoveStaleStoreFiles();
    if (!QFileInfo::exists(StoreFilePath)) {
        if (QFileInfo::exists(StorageFolder() + QStringLiteral("brindo.xml")))
            MigrateXMLFile();
        else
            WriteTamselFile();
    }
    // A store that could not be made has been reported where it failed;
    // there is then nothing to open.
    if (QFileInfo::exists(StoreFilePath)) {
        if (opening == TStoreOpening::WhileShown) {
            // Decrypting and parsing a large store takes a while: the
            // window shows meanwhile, its entry commands off, and
            // start-up goes on when the entries are read.
            StoreOpening = new QFutureWatcher<std::shared_ptr<StoreFile::TOpenedEntries>>(this);
            connect(StoreOpening, &QFutureWatcherBase::finished, this, &TfrmMain::FinishStartUpNow);
            StoreOpening->setFuture(QtConcurrent::run([path = StoreFilePath, passPhrase = PassPhrase] {
                std::shared_ptr<StoreFile::TOpenedEntries> opened = StoreFile::OpenEntries(path, passPhrase);
                ReleaseCryptoThreadState();
                return opened;
            }));
            EnableUserControls();
            return TStoreStart::Opening;
        }
        DecryptXMLFile();
    }
    ShowEntriesAtStart();
    return TStoreStart::Opened;
}

void TfrmMain::mnuSetPassPhraseClick()
{
    if (HasPassPhrase)
        return;
    try {
        GeneratePassPhrase();
        if (!HasPassPhrase)
            return;
        mnuSetPassPhrase->setEnabled(false);
        // Start-up goes on where the cancelled dialog stopped it.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Starting = true;
        // The directions were taken as they were stored; the sort replays them.
        NoteSortToggle = -NoteSortToggle;
        TaskSortToggle = -TaskSortToggle;
        if (OpenStoreAtStart({}, TStoreOpening::BeforeReturn) == TStoreStart::Quit) {
            Starting = false;
            QApplication::restoreOverrideCursor();
            Exit1Click();
            return;
        }
    } catch (const std::exception &error) {
        reportMain("mnuSetPassPhraseClick", QString::fromStdString(error.what()));
        if (!Starting)
            return;
    }
    EndStartUp();
}

void TfrmMain::FinishStartUpNow()
{
    if (!StoreOpening)
        return;
    QFutureWatcher<std::shared_ptr<StoreFile::TOpenedEntries>> *opening = std::exchange(StoreOpening, nullptr);
    opening->disconnect(this);
    try {
        std::shared_ptr<StoreFile::TOpenedEntries> opened = opening->future().result();
        AskForStorePassPhrase(opened);
        TakeOpenedStore(*opened);
        ShowEntriesAtStart();
    } catch (const std::exception &error) {
        reportMain("FormCreate", QString::fromStdString(error.what()));
    }
    opening->deleteLater();
    EndStartUp();
    // The window has been put in its place already, into the tray perhaps.
    if (BringToFrontAfterStart)
        MaximizeFromTray();
}

void TfrmMain::ShowEntriesAtStart()
{
    FillReminderComboBox(cboReminder);
    LoadNotes();
    WatchStore();
    const QDateTime now = Clock::now();
    dtpDate->setDate(now.date());
    dtpTime->setTime(now.time());
    EnableUserControls();
    lsvNotesColumnClick(lsvNotes, NoteSortColumn);
    lsvTasksColumnClick(lsvTasks, TaskSortColumn);

    if (pgcData->currentWidget() == tabNotes) {
        radNote->setChecked(true);
        if (NotesModel->rowCount() > 0) {
            lsvNotes->setCurrentIndex(NotesModel->index(0, 0));
            lsvNotesDblClick(lsvNotes);
        }
        pgcData->setCurrentWidget(tabTasks);
        pgcData->setCurrentWidget(tabNotes);
    } else {
        radTask->setChecked(true);
        if (TasksModel->rowCount() > 0) {
            lsvTasks->setCurrentIndex(TasksModel->index(0, 0));
            lsvNotesDblClick(lsvTasks);
        }
    }
}

void TfrmMain::EndStartUp()
{
    timAutoSave->setInterval(AutoSaveAfterTime * 60 * 1000);
    ResetTimerState();
    actSaveNote->setEnabled(false);
    EnableUserControls();
    if (BringToFrontAfterStart)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    CloseSplash();
    Starting = false;
    QApplication::restoreOverrideCursor();
    // Tasks already due are reminded of at once, not a full interval later:
    // the timer's check, made once the window is in its place, when the
    // reminders are on and nothing holds the timer meanwhile.
    QTimer::singleShot(0, this, [this] {
        if (timReminder->isActive())
            timReminderTimer();
    });
    StartUpTrace::TraceFirstIdle();
}

bool TfrmMain::DecideStorageFolder()
{
    const QString defaultFolder = Paths::withTrailingDelimiter(Paths::dataFolder());
    const QString folder = StorageFolder();
    if (QFileInfo(folder).isDir() || folder == defaultFolder)
        return true;
    const int answer = MessageDlg(
        QStringLiteral("Tamsel cannot find the folder that holds your entries:\r\n\r\n%1\r\n\r\n"
                       "It may be on a drive that is not connected, or in a network or synchronised folder "
                       "that is not available yet.\r\n\r\n"
                       "Do you want to work in the default folder %2 for this run only? Entries you add or "
                       "change now are kept there, not in your folder. Tamsel looks for your folder again at "
                       "the next start.\r\n\r\n"
                       "Choose No to quit Tamsel now, and start it again once the folder is available.")
            .arg(folder, defaultFolder),
        TMsgDlgType::Warning, mbYes | mbNo);
    if (answer != mrYes)
        return false;
    if (UseAlternateLocation) {
        MissingAlternateLocation = true;
        return true;
    }
    MissingTamselLocation = TamselLocation;
    TamselLocation = defaultFolder;
    return true;
}

void TfrmMain::WriteTamselFile()
{
    const bool existed = QFile::exists(StoreFilePath);
    try {
        // The default document is built in memory; only the store is written.
        xmlNotes.LoadFromMemory(EntryDocument::DefaultDocumentText(Clock::now()));
        StoreAvailable = true;
        // Without a first store nothing later could be stored either: the
        // entry commands stay off, and the write has said why.
        if (!StoreExclusively([this] { return EncryptXMLFile(); })) {
            xmlNotes.Clear();
            StoreAvailable = false;
        }
    } catch (const ETamselError &error) {
        reportMain("WriteTamselFile", error.message() + QStringLiteral(" File:  ") + StoreFilePath
                                          + QStringLiteral("; Exists: ")
                                          + (existed ? QStringLiteral("True") : QStringLiteral("False"))
                                          + QStringLiteral("."));
    }
}

bool TfrmMain::ConfirmSaveBeforeExit()
{
    // A start-up still reading the store ends first, so the settings written
    // at the end are those of a whole start.
    FinishStartUpNow();
    WaitForSaveInFlight();
    if (actSaveNote->isEnabled() && !ConfirmSaveChanges())
        return false;
    WaitForSaveInFlight();
    // Changes the store could not take are offered once more before they are
    // lost; each failed try has told why.
    while (Entries->Unstored()) {
        const int answer = MessageDlg(
            QStringLiteral("Some of your changes could not be written to %1 and are NOT saved.\r\n\r\n"
                           "Try again to save them now? No ends Tamsel without them.")
                .arg(StoreFilePath),
            TMsgDlgType::Warning, mbYes | mbNo | mbCancel);
        if (answer != mrYes)
            return answer == mrNo;
        Entries->Store();
        WaitForSaveInFlight();
    }
    return true;
}

void TfrmMain::Exit1Click()
{
    try {
        if (!ConfirmSaveBeforeExit())
            return;
        SetPositions();
        Exiting = true;
    } catch (const std::exception &error) {
        reportMain("Exit1Click", QString::fromStdString(error.what()));
        return;
    }
    QApplication::quit();
}

void TfrmMain::WMQueryEndSession(QSessionManager &manager)
{
    // The desktop session is ending: answer as closing the window would, then
    // leave through the orderly exit in any case.
    if (!Exiting && CloseOnMenuOnly && manager.allowsInteraction()) {
        manager.cancel();
        MinimizeToTray();
    }
    Exit1Click();
}

void TfrmMain::Exit2Click()
{
    Exit1->trigger();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    // FormCloseQuery, then FormClose. Once File > Exit or an earlier close has
    // asked its questions and written the settings, the program ending closes
    // the window once more, and nothing is asked or written again.
    if (Exiting) {
        event->accept();
        return;
    }
    if (CloseOnMenuOnly) {
        event->ignore();
        MinimizeToTray();
        return;
    }
    try {
        if (!ConfirmSaveBeforeExit()) {
            event->ignore();
            return;
        }
        SetPositions();
        Exiting = true;
    } catch (const std::exception &error) {
        // As with File > Exit, a failure keeps the program running.
        reportMain("FormClose", QString::fromStdString(error.what()));
        event->ignore();
        return;
    }
    event->accept();
    QApplication::quit();
}

void TfrmMain::BringToFront()
{
    if (Starting) {
        BringToFrontAfterStart = true;
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            dialog->raise();
            dialog->activateWindow();
        }
        return;
    }
    MaximizeFromTray();
}

void TfrmMain::ShowAfterStart()
{
    // Hidden from the start, the window is in the tray, and the tray menu
    // brings it up.
    if (isMinimized() && TrayIcon && TrayHost::available())
        UpdateTrayItems();
    else
        show();
}

void TfrmMain::FormDestroy()
{
    timReminder->stop();
    timAutoSave->stop();
    timTray->stop();
    if (TrayIcon)
        TrayIcon->hide();
}
