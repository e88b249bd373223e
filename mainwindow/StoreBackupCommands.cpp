// The store's daily backups and File > "Restore from Backup...".
#include "mainwindow/Main.h"

#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "mainwindow/RestoreBackupDialog.h"
#include "platform/Clock.h"
#include "store/StoreBackups.h"
#include "store/StoreFile.h"

#include <QAction>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <utility>

namespace {
const QString unitMain = QStringLiteral("Main");

QString dayText(const QDate &day) { return QLocale().toString(day, QLocale::LongFormat); }

// The store's backups, newest first, each with its entries counted under the
// passphrase; one that does not open with it is offered without a count.
QList<TBackupChoice> backupChoices(const QString &storePath, const QString &passPhrase)
{
    QList<TBackupChoice> choices;
    for (const StoreBackups::TBackup &backup : StoreBackups::List(storePath)) {
        TBackupChoice choice { backup.path, backup.day, backup.number, std::nullopt };
        try {
            choice.entries = StoreBackups::EntryCount(backup.path, passPhrase);
        } catch (const ETamselError &error) {
            LogError({ unitMain, QStringLiteral("mnuRestoreBackupClick"),
                backup.path + QStringLiteral(": ") + error.message() });
        }
        choices.append(choice);
    }
    return choices;
}
} // namespace

void TfrmMain::KeepDailyBackup()
{
    try {
        StoreBackups::KeepDailyBackup(StoreFilePath, Clock::now().date(), BackupCount);
    } catch (const ETamselError &error) {
        BackupFailed(error.message());
    }
}

void TfrmMain::BackupFailed(const QString &reason)
{
    LogError({ unitMain, QStringLiteral("KeepDailyBackup"), reason });
    if (std::exchange(BackupFailureTold, true))
        return;
    // Told once the save is over: the store's lock may be held now, and
    // other writers must not wait for the user.
    QTimer::singleShot(0, this, [this, reason] {
        MessageDlg(QStringLiteral("Tamsel could not keep today's backup of your entries. Your entries "
                                  "themselves are saved as usual.\r\n\r\n"
                                  "Reason: %1\r\n\r\n"
                                  "Tamsel tries again at every save and tells you no more about it until "
                                  "it is started again. The backups are kept in %2.")
                       .arg(reason, StoreBackups::Folder(StoreFilePath)),
            TMsgDlgType::Warning, mbOK);
    });
}

void TfrmMain::mnuRestoreBackupClick()
{
    if (actSaveNote->isEnabled() && !ConfirmSaveChanges())
        return;
    WaitForSaveInFlight();
    QList<TBackupChoice> choices;
    try {
        choices = backupChoices(StoreFilePath, PassPhrase);
    } catch (const ETamselError &error) {
        ReportError({ unitMain, QStringLiteral("mnuRestoreBackupClick"), error.message() });
        return;
    }
    if (choices.isEmpty()) {
        MessageDlg(QStringLiteral("There are no backups of your entries yet. Tamsel keeps one in %1 at the "
                                  "first save of each day.")
                       .arg(StoreBackups::Folder(StoreFilePath)),
            TMsgDlgType::Information, mbOK);
        return;
    }
    const std::optional<QString> chosen = TfrmRestoreBackup::Choose(choices, this);
    if (!chosen)
        return;
    QDate day;
    for (const TBackupChoice &choice : std::as_const(choices)) {
        if (choice.path == *chosen)
            day = choice.day;
    }

    // Read before the question, so that a backup that cannot be used is
    // refused at once.
    const std::shared_ptr<StoreFile::TOpenedEntries> opened = StoreFile::OpenEntries(*chosen, PassPhrase);
    if (opened->failure) {
        LogError({ unitMain, QStringLiteral("mnuRestoreBackupClick"),
            *chosen + QStringLiteral(": ") + *opened->failure });
        MessageDlg(QStringLiteral("The backup of %1 cannot be restored: %2\r\n\r\n"
                                  "Your entries were left as they are.\r\n\r\nDetails: %3")
                       .arg(dayText(day),
                           opened->unopenable && !opened->damaged && !opened->tooShort
                               ? QStringLiteral("it does not open with your password. It was saved under "
                                                "another password, or it is damaged.")
                               : QStringLiteral("it is damaged or cannot be read."),
                           *opened->failure),
            TMsgDlgType::Error, mbOK);
        return;
    }
    if (MessageDlg(QStringLiteral("Replace your entries with the backup of %1?\r\n\r\n"
                                  "Your entries as they are now are kept as one more backup first.%2")
                       .arg(dayText(day),
                           Entries->Unstored()
                               ? QStringLiteral(" Changes Tamsel could not save yet are not in it, and are lost.")
                               : QString()),
            TMsgDlgType::Confirmation, mbYes | mbNo)
        != mrYes)
        return;

    QString kept;
    std::optional<QString> failure;
    const bool replaced = StoreExclusively([&] {
        try {
            if (QFileInfo::exists(StoreFilePath))
                kept = StoreBackups::KeepExtraBackup(StoreFilePath, Clock::now().date());
            opened->stamp = StoreFile::SaveStore(StoreFilePath, opened->passPhrase, opened->document);
            return true;
        } catch (const ETamselError &error) {
            failure = error.message();
            return false;
        }
    });
    if (failure) {
        LogError({ unitMain, QStringLiteral("mnuRestoreBackupClick"), *failure });
        MessageDlg(
            QStringLiteral("The backup was NOT restored: %1\r\n\r\nYour entries were left as they are.")
                .arg(*failure),
            TMsgDlgType::Error, mbOK);
        return;
    }
    if (!replaced)
        return;
    try {
        StoreBackups::RemoveOldBackups(StoreFilePath, BackupCount);
    } catch (const ETamselError &error) {
        LogError({ unitMain, QStringLiteral("mnuRestoreBackupClick"), error.message() });
    }
    TakeOpenedStore(*opened);
    LoadNotes();
    ResortList(lsvNotes);
    ResortList(lsvTasks);
    EnableUserControls();
    MessageDlg(QStringLiteral("Your entries are now those of the backup of %1.%2")
                   .arg(dayText(day),
                       kept.isEmpty()
                           ? QString()
                           : QStringLiteral("\r\n\r\nYour entries as they were are kept in %1.").arg(kept)),
        TMsgDlgType::Information, mbOK);
}
