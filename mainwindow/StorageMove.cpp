// Moving the entry store to another folder, and the folder in use.
#include "mainwindow/StorageMove.h"

#include "mainwindow/Main.h"
#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "platform/Paths.h"
#include "store/EntryTable.h"
#include "store/StoreFile.h"
#include "store/StoreLock.h"

#include <QApplication>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QTreeView>
#include <utility>

namespace {
QList<std::optional<QString>> &queuedAnswers()
{
    static QList<std::optional<QString>> answers;
    return answers;
}

StorePassPhraseSeam::TUnansweredHandler &unansweredHandler()
{
    static StorePassPhraseSeam::TUnansweredHandler handler;
    return handler;
}

const QString storeName = QStringLiteral("brindo.dat");
} // namespace

std::optional<QString> AskStorePassPhrase(const QString &storePath, bool retry)
{
    if (!queuedAnswers().isEmpty())
        return queuedAnswers().takeFirst();
    if (const StorePassPhraseSeam::TUnansweredHandler &handler = unansweredHandler())
        return handler();
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Tamsel Password"));
    dialog.setLabelText((retry ? QStringLiteral("That password does not open the entries either.\n\n")
                               : QStringLiteral("Your password does not open these entries:\n%1\n\n").arg(storePath))
                        + QStringLiteral("Enter the password they were saved with:"));
    dialog.setTextEchoMode(QLineEdit::Password);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void StorePassPhraseSeam::setNextAnswers(const QList<std::optional<QString>> &answers) { queuedAnswers() = answers; }

bool StorePassPhraseSeam::hasPendingAnswers() { return !queuedAnswers().isEmpty(); }

StorePassPhraseSeam::TUnansweredHandler StorePassPhraseSeam::setUnansweredHandler(TUnansweredHandler handler)
{
    return std::exchange(unansweredHandler(), std::move(handler));
}

QString TfrmMain::StorageFolder() const
{
    if (!UseAlternateLocation)
        return TamselLocation;
    return MissingAlternateLocation ? Paths::withTrailingDelimiter(Paths::dataFolder())
                                    : Paths::withTrailingDelimiter(AlternateLocation);
}

bool TfrmMain::MoveStorage(const QString &folder, const std::function<void()> &moved)
{
    WaitForSaveInFlight();
    const QString targetStore = Paths::withTrailingDelimiter(folder) + storeName;
    const QFileInfo target(targetStore);
    // The folder in use under another name: there is nothing to carry.
    if (target.exists() && target.canonicalFilePath() == QFileInfo(StoreFilePath).canonicalFilePath()) {
        StoreFilePath = targetStore;
        MissingAlternateLocation = false;
        moved();
        return true;
    }
    if (!QFileInfo(folder).isDir()) {
        MessageDlg(QStringLiteral("Your entries were not moved: the folder %1 does not exist.").arg(folder),
            TMsgDlgType::Error, mbOK);
        return false;
    }

    bool openThere = false;
    if (target.exists()) {
        const QString question
            = QStringLiteral("The folder %1 already holds Tamsel entries.\r\n\r\n").arg(folder)
              + QStringLiteral("Choose Yes to open those entries and use them from now on. Your current entries "
                               "stay as they are in %1.\r\n\r\n")
                    .arg(StoreFilePath)
              + (StoreAvailable ? QStringLiteral("Choose No to replace the entries in %1 with your current entries. "
                                                 "The entries there now are then lost.\r\n\r\n")
                                      .arg(folder)
                                : QString())
              + QStringLiteral("Choose Cancel to keep your entries where they are.");
        const int answer = MessageDlg(question, TMsgDlgType::Confirmation,
            StoreAvailable ? mbYes | mbNo | mbCancel : mbYes | mbCancel);
        if (answer == mrCancel)
            return true;
        openThere = answer == mrYes;
    } else if (!StoreAvailable) {
        MessageDlg(QStringLiteral("Your entries were not moved to %1: they could not be opened, so there is "
                                  "nothing Tamsel could carry there.")
                       .arg(folder),
            TMsgDlgType::Error, mbOK);
        return false;
    }

    if (!openThere) {
        // The whole document goes to the new folder; the old store stays as it is.
        try {
            const QByteArray key = StorePassPhrase.isEmpty() ? StoreFile::PassPhraseBytes(PassPhrase) : StorePassPhrase;
            // Another copy of Tamsel may be using the entries there.
            const TStoreLock lock(targetStore);
            StoreFileStamp = StoreFile::SaveStore(targetStore, key, xmlNotes);
        } catch (const ETamselError &error) {
            LogError({ QStringLiteral("Main"), QStringLiteral("MoveStorage"), error.message() });
            MessageDlg(QStringLiteral("Your entries were NOT moved: Tamsel could not write them to %1.\r\n\r\n"
                                      "Reason: %2\r\n\r\n"
                                      "They stay in %3, and Tamsel goes on keeping them there.")
                           .arg(targetStore, error.message(), StoreFilePath),
                TMsgDlgType::Error, mbOK);
            return false;
        }
        StoreFilePath = targetStore;
        WatchStore();
        // Changes an earlier store could not take are in the new store now.
        if (Entries->Unstored())
            Entries->Store();
        MissingAlternateLocation = false;
        moved();
        return true;
    }

    // Nothing unsaved may stay behind with the entries being put away.
    if (actSaveNote->isEnabled() && !ConfirmSaveChanges())
        return true;
    WaitForSaveInFlight();
    if (Entries->Unstored()) {
        Entries->Store();
        WaitForSaveInFlight();
        if (Entries->Unstored())
            return false;
    }
    std::shared_ptr<StoreFile::TOpenedEntries> opened = StoreFile::OpenEntries(targetStore, PassPhrase);
    QString passPhrase = PassPhrase;
    for (bool retry = false; opened->failure && opened->unopenable; retry = true) {
        const std::optional<QString> asked = AskStorePassPhrase(targetStore, retry);
        if (!asked)
            return true;
        passPhrase = *asked;
        opened = StoreFile::OpenEntries(targetStore, passPhrase);
    }
    if (opened->failure) {
        LogError({ QStringLiteral("Main"), QStringLiteral("MoveStorage"), *opened->failure });
        MessageDlg(QStringLiteral("Tamsel could not read the entries in %1, so it keeps using your entries in "
                                  "%2.\r\n\r\nDetails: %3")
                       .arg(targetStore, StoreFilePath, *opened->failure),
            TMsgDlgType::Error, mbOK);
        return false;
    }
    StoreFilePath = targetStore;
    TakeOpenedStore(*opened);
    WatchStore();
    MissingAlternateLocation = false;
    moved();
    if (passPhrase != PassPhrase) {
        // The next start opens these entries with the password they were saved with.
        PassPhrase = passPhrase;
        KeepPassPhrase();
    }
    LoadNotes();
    ResortList(lsvNotes);
    ResortList(lsvTasks);
    EnableUserControls();
    return true;
}
