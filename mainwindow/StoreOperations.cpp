// Reading, writing and converting the entry store of the main window.
#include "mainwindow/Main.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "store/EntryTable.h"
#include "store/StoreFile.h"
#include "store/StoreLock.h"

#include <QScopeGuard>

namespace {
const QString unitMain = QStringLiteral("Main");

const QString leftUnchanged = QStringLiteral(
    "The file has been left unchanged. Until Tamsel can open it, entries cannot be added or changed.");

// The user hears in plain words what happened; the details go to the log.
void tellNotOpened(const char *method, const QString &message, const QString &details)
{
    LogError({ unitMain, QLatin1String(method), details });
    MessageDlg(
        message + QStringLiteral("\r\n\r\n") + leftUnchanged + QStringLiteral("\r\n\r\nDetails: ") + details,
        TMsgDlgType::Error, mbOK);
}

void tellBusy(const QString &reason)
{
    LogError({ unitMain, QStringLiteral("StoreExclusively"), reason });
    MessageDlg(QStringLiteral("Your change was NOT saved just now.\r\n\r\n%1\r\n\r\n"
                              "Your text is still in Tamsel. Save again once the other copy has finished "
                              "saving.")
                   .arg(reason),
        TMsgDlgType::Error, mbOK);
}

void tellNotSaved(const char *method, const QString &storePath, const QString &reason)
{
    LogError({ unitMain, QLatin1String(method), reason });
    MessageDlg(QStringLiteral("Your change was NOT saved: Tamsel could not write your entries to %1.\r\n\r\n"
                              "Reason: %2\r\n\r\n"
                              "Your text is still in Tamsel. Make room on the disk or make the folder "
                              "writable, then save again.")
                   .arg(storePath, reason),
        TMsgDlgType::Error, mbOK);
}
} // namespace

bool TfrmMain::StoreExclusively(const std::function<bool()> &step)
{
    // The writer would wait for this lock while this thread waits for it.
    WaitForSaveInFlight();
    try {
        StoreWriteLock.emplace(StoreFilePath);
    } catch (const EStoreBusy &error) {
        tellBusy(error.message());
        return false;
    } catch (const ETamselError &error) {
        tellNotSaved("StoreExclusively", StoreFilePath, error.message());
        return false;
    }
    const auto letGo = qScopeGuard([this] { StoreWriteLock.reset(); });
    return step();
}

bool TfrmMain::EncryptXMLFile()
{
    WaitForSaveInFlight();
    try {
        // A store that could not be opened is never replaced by what is in memory.
        if (!StoreAvailable)
            throw ETamselError(QStringLiteral("The entries were not opened, so they are not stored."));
        const QByteArray key = StorePassPhrase.isEmpty() ? StoreFile::PassPhraseBytes(PassPhrase) : StorePassPhrase;
        KeepDailyBackup();
        StoreFileStamp = StoreFile::SaveStore(StoreFilePath, key, xmlNotes);
        return true;
    } catch (const ETamselError &error) {
        // Nothing more is written in this turn.
        StoreWriteLock.reset();
        tellNotSaved("EncryptXMLFile", StoreFilePath, error.message());
        return false;
    }
}

bool TfrmMain::StartSaving()
{
    // A store that could not be opened is never replaced by what is in memory.
    if (!StoreAvailable) {
        KeepEditorUnsaved();
        tellNotSaved("EncryptXMLFile", StoreFilePath,
            QStringLiteral("The entries were not opened, so they are not stored."));
        return false;
    }
    const QByteArray key = StorePassPhrase.isEmpty() ? StoreFile::PassPhraseBytes(PassPhrase) : StorePassPhrase;
    StoreWriter->start({ StoreFilePath, key, StoreFileStamp, Clock::now().date(), BackupCount });
    return true;
}

void TfrmMain::SaveFinished(const TStoreWriteResult &result)
{
    using TOutcome = TStoreWriteResult::TOutcome;
    using TWriteOutcome = TEntryTable::TWriteOutcome;
    StoreFileStamp = result.stamp;
    if (result.lookFailure) {
        // The write met the same trouble, or got through.
        LogError({ unitMain, QStringLiteral("ReadStoreAgainIfChanged"), *result.lookFailure });
    }
    if (result.removedElsewhere)
        LogError({ unitMain, QStringLiteral("ReadStoreAgainIfChanged"),
            QStringLiteral("%1 was removed by another program; it is written again.").arg(StoreFilePath) });
    if (result.backupFailure)
        BackupFailed(*result.backupFailure);
    // The table is up to date before the user hears of a failure.
    switch (result.outcome) {
    case TOutcome::Written:
        Entries->WriteFinished(TWriteOutcome::Written);
        return;
    case TOutcome::ChangedElsewhere:
        Entries->WriteFinished(TWriteOutcome::ChangedElsewhere);
        return;
    case TOutcome::Busy:
        Entries->WriteFinished(TWriteOutcome::Failed);
        KeepEditorUnsaved();
        tellBusy(result.reason);
        return;
    case TOutcome::Failed:
        Entries->WriteFinished(TWriteOutcome::Failed);
        KeepEditorUnsaved();
        tellNotSaved("EncryptXMLFile", StoreFilePath, result.reason);
        return;
    }
}

void TfrmMain::KeepEditorUnsaved()
{
    // The editor's entry was not stored: it shows as unsaved again, so that
    // the next load or New asks first.
    if (const TEntry *entry = EditorEntry(); entry && entry->changedHere)
        actSaveNote->setEnabled(true);
}

void TfrmMain::WaitForSaveInFlight()
{
    while (SaveInFlight())
        StoreWriter->finishNow();
}

void TfrmMain::DecryptXMLFile()
{
    std::shared_ptr<StoreFile::TOpenedEntries> opened = StoreFile::OpenEntries(StoreFilePath, PassPhrase);
    AskForStorePassPhrase(opened);
    TakeOpenedStore(*opened);
}

void TfrmMain::TakeOpenedStore(StoreFile::TOpenedEntries &opened)
{
    WaitForSaveInFlight();
    // The entry table points into the document being replaced.
    Entries->Clear();
    if (!opened.failure) {
        xmlNotes = std::move(opened.document);
        StorePassPhrase = opened.passPhrase;
        StoreFileStamp = opened.stamp;
        StoreAvailable = true;
        return;
    }
    xmlNotes.Clear();
    StoreFileStamp = {};
    StoreAvailable = false;
    if (opened.damaged) {
        tellNotOpened("DecryptXMLFile",
            QStringLiteral("Tamsel could not open your entries in %1: the file is damaged. Part of it has "
                           "changed since it was saved (for example through a failing disk or an "
                           "interrupted copy), so its entries cannot be trusted.\r\n\r\n"
                           "If you have a backup copy of the file, put it in place of this one.")
                .arg(StoreFilePath),
            *opened.failure);
    } else if (opened.tooShort) {
        tellNotOpened("DecryptXMLFile",
            QStringLiteral("Tamsel could not open your entries in %1. %2\r\n\r\n"
                           "If you have a backup copy of the file, put it in place of this one.")
                .arg(StoreFilePath, *opened.failure),
            *opened.failure);
    } else if (opened.unopenable) {
        tellNotOpened("DecryptXMLFile",
            QStringLiteral("Tamsel could not open your entries in %1.\r\n\r\n"
                           "Most likely the password Tamsel has is not the one the entries were "
                           "saved with (for example after its settings were lost and a new "
                           "password was entered), or the file is damaged.")
                .arg(StoreFilePath),
            *opened.failure);
    } else {
        tellNotOpened("DecryptXMLFile",
            QStringLiteral("Tamsel could not read your entries in %1.").arg(StoreFilePath), *opened.failure);
    }
}

void TfrmMain::RemoveStaleStoreFiles()
{
    try {
        const QStringList removed = StoreFile::RemoveStaleTemporaryFiles(StoreFilePath);
        if (!removed.isEmpty())
            LogError({ unitMain, QStringLiteral("RemoveStaleStoreFiles"),
                QStringLiteral("Removed unfinished store writes: ") + removed.join(QStringLiteral(", ")) });
    } catch (const ETamselError &error) {
        LogError({ unitMain, QStringLiteral("RemoveStaleStoreFiles"), error.message() });
    }
}

void TfrmMain::MigrateXMLFile()
{
    const QString folder = StorageFolder();
    const QString legacyPath = folder + QStringLiteral("brindo.xml");
    const QString backupPath = folder + StoreFile::BackupFileName(Clock::now().date());
    try {
        bool renamed = false;
        {
            const TStoreLock lock(StoreFilePath);
            renamed = StoreFile::MigrateLegacyFile(
                legacyPath, StoreFilePath, backupPath, StoreFile::PassPhraseBytes(PassPhrase));
        }
        if (!renamed) {
            MessageDlg(QStringLiteral("Your entries were converted to the encrypted file %1.\r\n\r\n"
                                      "The old file %2 could not be renamed to %3, because a file of that "
                                      "name exists already, so it was left where it is. It still holds your "
                                      "entries as plain text: move or delete it once you no longer need it.")
                           .arg(StoreFilePath, legacyPath, backupPath),
                TMsgDlgType::Warning, mbOK);
        }
    } catch (const EStoreOpenError &error) {
        tellNotOpened("MigrateXMLFile",
            QStringLiteral("Tamsel could not convert your entries in %1: the file is damaged.")
                .arg(legacyPath),
            error.message());
    } catch (const ETamselError &error) {
        ReportError({ unitMain, QStringLiteral("MigrateXMLFile"), error.message() });
    }
}
