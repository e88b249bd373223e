// The store changed by another program (a second copy of Tamsel, a sync
// client, a restored backup): noticed before every write and when the folder
// watcher reports a change, then read again, so that neither program's
// entries are lost.
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "controls/EntryListModel.h"
#include "store/StoreFile.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QTimer>
#include <QTreeView>

namespace {
const QString unitMain = QStringLiteral("Main");

// Folder watchers report every step of a sync client's write; the store is
// looked at once they have been quiet this long.
constexpr int watchPauseMs = 400;

void select(QTreeView *list, TEntryListModel *model, TEntry *entry)
{
    const QModelIndex row = entry ? model->indexOf(entry) : QModelIndex();
    if (!row.isValid())
        return;
    list->setCurrentIndex(row);
    list->scrollTo(row);
}
} // namespace

void TfrmMain::showEntryAgain(const TEntry &entry)
{
    LoadingEntry = true;
    try {
        loadEntry(entry);
    } catch (const ETamselError &error) {
        LogError({ unitMain, QStringLiteral("ShowReloadedEntries"), error.message() });
    }
    actSaveNote->setEnabled(false);
    LoadingEntry = false;
}

bool TfrmMain::ReadStoreAgainIfChanged()
{
    if (!StoreAvailable || StoreFilePath.isEmpty())
        return false;
    try {
        if (!StoreStamp::Changed(StoreFilePath, StoreFileStamp))
            return false;
    } catch (const ETamselError &error) {
        // The write that follows meets the same trouble and says so.
        LogError({ unitMain, QStringLiteral("ReadStoreAgainIfChanged"), error.message() });
        return false;
    }
    if (!QFileInfo::exists(StoreFilePath)) {
        // Nothing is there to lose: the next write puts the entries back.
        LogError({ unitMain, QStringLiteral("ReadStoreAgainIfChanged"),
            QStringLiteral("%1 was removed by another program; it is written again.").arg(StoreFilePath) });
        StoreFileStamp = {};
        return false;
    }
    const std::shared_ptr<StoreFile::TOpenedEntries> opened = StoreFile::OpenEntries(StoreFilePath, PassPhrase);
    if (opened->failure) {
        // Whatever is there now is the other program's, and stays as it is.
        StoreAvailable = false;
        StoreWriteLock.reset();
        LogError({ unitMain, QStringLiteral("ReadStoreAgainIfChanged"), *opened->failure });
        MessageDlg(QStringLiteral("Another program has replaced your entries in %1 with a file Tamsel cannot "
                                  "open%2.\r\n\r\n"
                                  "Tamsel leaves that file as it is and saves no changes to it. The entries "
                                  "Tamsel had stay shown, and your text stays in the editor: copy what you "
                                  "need, then put a copy of the file that opens with your password in place "
                                  "and start Tamsel again.\r\n\r\nDetails: %3")
                       .arg(StoreFilePath,
                           opened->unopenable
                               ? QStringLiteral(" with your password (it was saved with another password, or it is damaged)")
                               : QString(),
                           *opened->failure),
            TMsgDlgType::Error, mbOK);
        return false;
    }
    PlacesBeforeReload = { TEntryTable::KeyOf(EditorEntry()), TEntryTable::KeyOf(SelectedEntry(lsvNotes)),
        TEntryTable::KeyOf(SelectedEntry(lsvTasks)) };
    xmlNotes = std::move(opened->document);
    StorePassPhrase = opened->passPhrase;
    StoreFileStamp = opened->stamp;
    return true;
}

void TfrmMain::ShowReloadedEntries(bool changesMadeAgain, const QStringList &changedElsewhere)
{
    ChangedElsewhere += changedElsewhere;
    ResortList(lsvNotes);
    ResortList(lsvTasks);
    select(lsvNotes, NotesModel, Entries->Find(PlacesBeforeReload.selectedNote));
    select(lsvTasks, TasksModel, Entries->Find(PlacesBeforeReload.selectedTask));
    if (PlacesBeforeReload.editor) {
        // Text the user changed stays as it is; a save goes to the entry
        // found again, or makes a new one when it is gone. An unchanged
        // editor shows the entry as it is now.
        if (const TEntry *entry = Entries->Find(PlacesBeforeReload.editor)) {
            EditorIndex = entry->documentIndex;
            if (!actSaveNote->isEnabled())
                showEntryAgain(*entry);
        } else {
            EditorIndex = -1;
            lblCreationDate->clear();
        }
    }
    PlacesBeforeReload = {};
    if (!changesMadeAgain || ReloadNoticeQueued)
        return;
    // Told once the change in hand is complete, not in the middle of it.
    ReloadNoticeQueued = true;
    QTimer::singleShot(0, this, [this] {
        ReloadNoticeQueued = false;
        QString bothChanged;
        for (const QString &title : std::as_const(ChangedElsewhere))
            bothChanged += QStringLiteral("\r\n\r\nThe other program had also changed \"%1\": your change is on "
                                          "it, and the other program's version is kept as the new entry "
                                          "\"%1 (changed elsewhere)\".")
                               .arg(title.simplified());
        ChangedElsewhere.clear();
        MessageDlg(QStringLiteral("Another program changed your entries in %1 while Tamsel was running.\r\n\r\n"
                                  "Tamsel has read them again and made your change on them, so the entries "
                                  "of both are kept.%2")
                       .arg(StoreFilePath, bothChanged),
            TMsgDlgType::Information, mbOK);
    });
}

void TfrmMain::WatchStore()
{
    if (!StoreWatcher) {
        StoreWatcher = new QFileSystemWatcher(this);
        StoreWatchTimer = new QTimer(this);
        StoreWatchTimer->setSingleShot(true);
        StoreWatchTimer->setInterval(watchPauseMs);
        connect(StoreWatchTimer, &QTimer::timeout, this, &TfrmMain::StoreWatchTimerTimer);
        const auto changed = [this] { StoreWatchTimer->start(); };
        connect(StoreWatcher, &QFileSystemWatcher::fileChanged, this, changed);
        connect(StoreWatcher, &QFileSystemWatcher::directoryChanged, this, changed);
    }
    const QStringList watched = StoreWatcher->files() + StoreWatcher->directories();
    if (!watched.isEmpty())
        StoreWatcher->removePaths(watched);
    // A link is followed to the file that is replaced on every write.
    const QString target = StoreFile::FinalTarget(StoreFilePath);
    StoreWatcher->addPath(QFileInfo(target).absolutePath());
    if (QFileInfo::exists(target))
        StoreWatcher->addPath(target);
}

void TfrmMain::StoreWatchTimerTimer()
{
    // Windows that hold entries (the reminders, a question about to change
    // one) and a start-up still reading the store come first.
    // A write under way looks at the store itself, and must find the
    // document as it is.
    if (Starting || StoreOpening || SaveInFlight() || QApplication::activeModalWidget()) {
        StoreWatchTimer->start();
        return;
    }
    // A replacement by rename leaves the watcher without the file.
    const QString target = StoreFile::FinalTarget(StoreFilePath);
    if (!StoreWatcher->files().contains(target) && QFileInfo::exists(target))
        StoreWatcher->addPath(target);
    try {
        Entries->Refresh();
    } catch (const ETamselError &error) {
        ReportError({ unitMain, QStringLiteral("StoreWatchTimerTimer"), error.message() });
    }
}
