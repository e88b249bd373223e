// Obtaining the passphrase that protects the store: read from the desktop's
// keyring, or from "PassKey" where no keyring answers, or asked for once with
// the passphrase dialog. A "PassKey" is moved into the keyring as soon as one
// answers.
#include "mainwindow/Main.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/PassKey.h"
#include "mainwindow/PasswordDlg.h"
#include "mainwindow/StorageMove.h"
#include "store/StoreFile.h"
#include "platform/SecretStore.h"

#include <QApplication>
#include <QFileInfo>
#include <QScopeGuard>
#include <exception>

namespace {
const QString crlf2 = QStringLiteral("\r\n\r\n");

// What a damaged settings file has cost: where it was set aside, or that it
// could not be.
QString settingsResetText(const QString &registryFile, const ERegistryDamaged &damaged)
{
    if (!damaged.AsidePath().isEmpty())
        return QStringLiteral("Tamsel's settings file %1 was damaged. It has been set aside as %2, "
                              "and your settings are back at their defaults.")
            .arg(registryFile, damaged.AsidePath());
    return QStringLiteral("Tamsel's settings file %1 is damaged, and it could not be set aside. Your "
                          "settings are at their defaults, and Tamsel cannot keep settings or your "
                          "password until the file is moved away: quit Tamsel, move the file elsewhere "
                          "and start Tamsel again.")
        .arg(registryFile);
}

// A damaged settings file costs the settings even where the keyring holds
// the passphrase; the file is set aside at its first reading, so this is
// told once.
void tellSettingsReset(const QString &registryFile, const ETamselError &error)
{
    LogError({QStringLiteral("Main"), QStringLiteral("GetPositions"), error.message()});
    if (const auto *damaged = dynamic_cast<const ERegistryDamaged *>(&error))
        MessageDlg(settingsResetText(registryFile, *damaged), TMsgDlgType::Warning, mbOK);
}

// A stored passphrase that cannot be read is as good as none: the dialog
// asks for it. The user hears why, and that the passphrase to enter is the
// one the entries were saved with.
void tellPassKeyUnreadable(const QString &registryFile, const ETamselError &error)
{
    LogError({QStringLiteral("Main"), QStringLiteral("GetPositions"), error.message()});
    QString message;
    QString keptIn;
    if (const auto *damaged = dynamic_cast<const ERegistryDamaged *>(&error)) {
        keptIn = damaged->AsidePath();
        message = settingsResetText(registryFile, *damaged);
    } else {
        message = QStringLiteral("Tamsel cannot read the password it keeps in its settings file %1.").arg(registryFile);
    }
    message += crlf2
               + QStringLiteral("Tamsel will now ask for your password. If you have entries already, enter the "
                                "password they are protected with: no other password opens them.");
    if (!keptIn.isEmpty())
        message += crlf2
                   + QStringLiteral("If your entries do not open, your old password is probably still in %1: quit "
                                    "Tamsel, copy the \"PassKey\" entry from that file into %2 in place of the "
                                    "new one, and start Tamsel again.")
                         .arg(keptIn, registryFile);
    else
        message += crlf2
                   + QStringLiteral("If your entries do not open, quit Tamsel, remove the \"PassKey\" entry from "
                                    "%1 and start Tamsel again to enter the password anew.")
                         .arg(registryFile)
                   + crlf2 + QStringLiteral("Details: ") + error.message();
    MessageDlg(message, TMsgDlgType::Warning, mbOK);
}

// Puts the passphrase into the keyring and reads it back; an empty text when
// the keyring gives back exactly this passphrase, otherwise why not.
QString keepInKeyring(const QString &passPhrase)
{
    return SecretStore::Current().Keep(SecretStore::PassPhraseKey, passPhrase);
}

// Once the keyring holds the passphrase, the scrambled copy in the settings
// goes. Left behind, it would still give the entries away.
void removePassKey()
{
    TRegistry registry;
    try {
        if (!registry.OpenKey(RegistryKeys::program(), false) || !registry.ValueExists(PassKey::ValueName))
            return;
    } catch (const ETamselError &error) {
        // A settings file that cannot be read holds no copy that could be read.
        LogError({QStringLiteral("Main"), QStringLiteral("GetPositions"), error.message()});
        return;
    }
    try {
        registry.DeleteValue(PassKey::ValueName);
    } catch (const ETamselError &error) {
        LogError({QStringLiteral("Main"), QStringLiteral("GetPositions"), error.message()});
        MessageDlg(QStringLiteral("Your password is now kept in the desktop's keyring, but Tamsel could not remove "
                                  "the scrambled copy from its settings file %1. Anyone who can read that file can "
                                  "still open your entries: remove the \"PassKey\" entry from it.")
                           .arg(registry.FilePath())
                       + crlf2 + QStringLiteral("Details: ") + error.message(),
                   TMsgDlgType::Warning, mbOK);
    }
}

// Says once, at the first start that keeps the passphrase in the settings
// file, where it is and what that means.
void tellPassKeyKeptOnce(const QString &keyringFailure)
{
    TRegistry registry;
    try {
        if (registry.OpenKey(RegistryKeys::program(), false) && registry.ValueExists(PassKey::NoticeValueName))
            return;
        registry.OpenKey(RegistryKeys::program(), true);
        registry.WriteBool(PassKey::NoticeValueName, true);
    } catch (const ETamselError &error) {
        LogError({QStringLiteral("Main"), QStringLiteral("GetPositions"), error.message()});
        return;
    }
    MessageDlg(QStringLiteral("Where Tamsel keeps your password"),
               QStringLiteral("Tamsel keeps your password in its settings file %1, scrambled but not encrypted: "
                              "anyone who can read that file can open your entries.")
                       .arg(registry.FilePath())
                   + crlf2
                   + QStringLiteral("Tamsel keeps it there because the desktop's keyring (GNOME Keyring, KWallet "
                                    "or KeePassXC) could not take it. At the first start where the keyring "
                                    "answers, Tamsel moves your password into it and removes it from the "
                                    "settings file.")
                   + crlf2 + QStringLiteral("Details: ") + keyringFailure,
               TMsgDlgType::Information, mbOK);
}
} // namespace

void TfrmMain::ObtainPassPhrase()
{
    TRegistry registry;
    std::optional<QByteArray> scrambled;
    std::exception_ptr passKeyUnreadable;
    try {
        if (registry.OpenKey(RegistryKeys::program(), false))
            scrambled = PassKey::Read(registry);
        registry.CloseKey();
    } catch (const ETamselError &) {
        passKeyUnreadable = std::current_exception();
    }
    if (scrambled) {
        PassPhrase = StoreFile::PassPhraseFromBytes(DecodePassKey(*scrambled));
        // The entries open with it at once; the keyring takes it meanwhile,
        // however long it takes to answer (a keyring that asks for its own
        // password may wait for the user). The copy in the settings goes
        // only when the keyring holds the passphrase still in use.
        const QString kept = PassPhrase;
        SecretStore::Current().KeepLater(SecretStore::PassPhraseKey, kept, this, [this, kept](const QString &failure) {
            if (PassPhrase != kept)
                return;
            if (failure.isEmpty())
                removePassKey();
            else
                tellPassKeyKeptOnce(failure);
        });
    } else {
        const TSecretRead kept = SecretStore::Current().Read(SecretStore::PassPhraseKey);
        if (kept.result == TSecretResult::Done && !kept.secret.isEmpty()) {
            PassPhrase = kept.secret;
            if (passKeyUnreadable) {
                try {
                    std::rethrow_exception(passKeyUnreadable);
                } catch (const ETamselError &error) {
                    tellSettingsReset(registry.FilePath(), error);
                }
            }
        } else {
            if (kept.result == TSecretResult::Failed)
                LogError({QStringLiteral("Main"), QStringLiteral("GetPositions"), kept.detail});
            // Only now does an unreadable settings file cost the passphrase.
            if (passKeyUnreadable) {
                try {
                    std::rethrow_exception(passKeyUnreadable);
                } catch (const ETamselError &error) {
                    tellPassKeyUnreadable(registry.FilePath(), error);
                }
            }
            GeneratePassPhrase();
        }
    }
    HasPassPhrase = !PassPhrase.isEmpty();
}

void TfrmMain::GeneratePassPhrase()
{
    // The dialog comes first: a passphrase confirmed there is used for this
    // run even when it cannot be stored.
    HasPassPhrase = TPasswordDlg::Execute(PassPhrase);
    if (HasPassPhrase)
        KeepPassPhrase();
}

QString TfrmMain::TryKeepPassPhrase()
{
    const QString keyringFailure = keepInKeyring(PassPhrase);
    if (keyringFailure.isEmpty()) {
        removePassKey();
        return {};
    }
    TRegistry registry;
    try {
        registry.OpenKey(RegistryKeys::program(), true);
        PassKey::Write(registry, EncodePassKey(StoreFile::PassPhraseBytes(PassPhrase)));
        registry.CloseKey();
        tellPassKeyKeptOnce(keyringFailure);
        return {};
    } catch (const ETamselError &error) {
        LogError({QStringLiteral("Main"), QStringLiteral("GeneratePassPhrase"), error.message()});
        return keyringFailure + QLatin1Char(' ') + error.message();
    }
}

bool TfrmMain::KeepPassPhrase()
{
    const QString failure = TryKeepPassPhrase();
    if (failure.isEmpty())
        return true;
    // Unless the user knows, the next start asks for a passphrase they may
    // no longer remember exactly.
    const TRegistry registry;
    MessageDlg(QStringLiteral("Tamsel could not keep your password, neither in the desktop's keyring nor in its settings "
                                 "file %1.").arg(registry.FilePath())
                   + crlf2
                   + QStringLiteral("Your entries are protected with it for this run, but Tamsel will ask for "
                                    "it again at the next start: enter exactly the same password then, or your "
                                    "entries will not open. Settings changed in this run will not be kept "
                                    "either.")
                   + crlf2
                   + QStringLiteral("To let Tamsel keep them, make sure you can write to the folder %1.")
                         .arg(QFileInfo(registry.FilePath()).absolutePath())
                   + crlf2 + QStringLiteral("Details: ") + failure,
               TMsgDlgType::Warning, mbOK);
    return false;
}

void TfrmMain::AskForStorePassPhrase(std::shared_ptr<StoreFile::TOpenedEntries> &opened)
{
    // Only a body that decrypts to noise tells of another passphrase; an
    // empty, cut or damaged file opens with none.
    if (!opened->failure || !opened->unopenable || opened->tooShort)
        return;
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const auto hourglassAgain = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    for (bool retry = false;; retry = true) {
        const std::optional<QString> typed = AskStorePassPhrase(StoreFilePath, retry);
        if (!typed)
            return;
        if (typed->isEmpty())
            continue;
        std::shared_ptr<StoreFile::TOpenedEntries> tried = StoreFile::OpenEntries(StoreFilePath, *typed);
        if (tried->failure && tried->unopenable && !tried->tooShort)
            continue;
        opened = std::move(tried);
        if (!opened->failure) {
            PassPhrase = *typed;
            KeepPassPhrase();
        }
        return;
    }
}
