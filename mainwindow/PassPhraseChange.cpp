// File > "Change Passphrase...": the store encrypted anew with another
// passphrase, which is then kept in place of the old one.
#include "mainwindow/Main.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "mainwindow/ChangePassPhraseDlg.h"
#include "store/EntryTable.h"
#include "store/StoreFile.h"
#include "store/StoreLock.h"

#include <QAction>

namespace {
const QString unitMain = QStringLiteral("Main");
const QString crlf2 = QStringLiteral("\r\n\r\n");
} // namespace

QString TfrmMain::ReEncryptStore(const QByteArray &key)
{
    // A write under way would put the document back under the key it began with.
    WaitForSaveInFlight();
    try {
        const TStoreLock lock(StoreFilePath);
        // Whatever another program saved since the last look would be lost.
        if (StoreStamp::Changed(StoreFilePath, StoreFileStamp))
            return QStringLiteral("Another program saved your entries just now.");
        KeepDailyBackup();
        StoreFileStamp = StoreFile::SaveStore(StoreFilePath, key, xmlNotes);
        return {};
    } catch (const ETamselError &error) {
        return error.message();
    }
}

void TfrmMain::mnuChangePassPhraseClick()
{
    if (!HasPassPhrase || !StoreAvailable)
        return;
    // The editor's text is stored under the passphrase in use first, so
    // nothing is left behind.
    if (actSaveNote->isEnabled() && !ConfirmSaveChanges())
        return;
    const std::optional<QString> typed = TChangePassPhraseDlg::Execute(PassPhrase, this);
    if (!typed)
        return;
    // What another program saved meanwhile, and changes the store could not
    // take before, go into the store that is encrypted anew.
    WaitForSaveInFlight();
    Entries->Refresh();
    if (Entries->Unstored() && !Entries->Store())
        return;
    // The write just started must have gone through before the store is
    // encrypted anew; a failure has been told and keeps the change.
    WaitForSaveInFlight();
    if (!StoreAvailable || Entries->Unstored())
        return;

    const QString oldPassPhrase = PassPhrase;
    const QByteArray oldKey = StorePassPhrase.isEmpty() ? StoreFile::PassPhraseBytes(PassPhrase) : StorePassPhrase;
    const QByteArray newKey = StoreFile::PassPhraseBytes(*typed);
    const QString notWritten = ReEncryptStore(newKey);
    if (!notWritten.isEmpty()) {
        LogError({ unitMain, QStringLiteral("mnuChangePassPhraseClick"), notWritten });
        MessageDlg(QStringLiteral("Your passphrase was NOT changed: Tamsel could not write your entries under the "
                                  "new passphrase to %1.")
                           .arg(StoreFilePath)
                       + crlf2 + QStringLiteral("Reason: ") + notWritten + crlf2
                       + QStringLiteral("Your entries and your passphrase are as they were. Try again once the "
                                        "trouble is mended."),
            TMsgDlgType::Error, mbOK);
        return;
    }
    PassPhrase = *typed;
    StorePassPhrase = newKey;
    const QString notKept = TryKeepPassPhrase();
    if (notKept.isEmpty()) {
        MessageDlg(QStringLiteral("Your passphrase has been changed: your entries are encrypted with the new "
                                  "passphrase, and Tamsel keeps it for the next start.")
                       + crlf2
                       + QStringLiteral("Write the new passphrase down. Backups made before the change open only "
                                        "with the old passphrase."),
            TMsgDlgType::Information, mbOK);
        return;
    }
    LogError({ unitMain, QStringLiteral("mnuChangePassPhraseClick"), notKept });
    // Where the new passphrase is not kept, the next start would find the
    // old one: the store goes back to that.
    const QString notRestored = ReEncryptStore(oldKey);
    if (notRestored.isEmpty()) {
        PassPhrase = oldPassPhrase;
        StorePassPhrase = oldKey;
        MessageDlg(QStringLiteral("Your passphrase was NOT changed: Tamsel could not keep the new passphrase, "
                                  "neither in the desktop's keyring nor in its settings file, so it encrypted "
                                  "your entries with the old passphrase again.")
                       + crlf2 + QStringLiteral("Your entries and your passphrase are as they were.") + crlf2
                       + QStringLiteral("Details: ") + notKept,
            TMsgDlgType::Error, mbOK);
        return;
    }
    LogError({ unitMain, QStringLiteral("mnuChangePassPhraseClick"), notRestored });
    MessageDlg(QStringLiteral("Your entries are now encrypted with the NEW passphrase, but Tamsel could not keep "
                              "it, neither in the desktop's keyring nor in its settings file, and could not "
                              "encrypt them with the old one again.")
                   + crlf2
                   + QStringLiteral("Your entries stay open in this run. At the next start Tamsel asks for the "
                                    "passphrase: enter the NEW one.")
                   + crlf2 + QStringLiteral("Details: ") + notKept + QLatin1Char(' ') + notRestored,
        TMsgDlgType::Warning, mbOK);
}
