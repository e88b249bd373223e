// Obtaining the passphrase that protects the store: read from "PassKey", or
// asked for once with the passphrase dialog.
#include "app/Main.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/MessageDlg.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/PassKey.h"
#include "app/PasswordDlg.h"
#include "store/StoreFile.h"

#include <QFileInfo>

namespace {
const QString crlf2 = QStringLiteral("\r\n\r\n");

// A stored passphrase that cannot be read is as good as none: the dialog
// asks for it. The user hears why, and that the passphrase to enter is the
// one the entries were saved with.
void tellPassKeyUnreadable(const QString &registryFile, const ETamselError &error)
{
    LogError({QStringLiteral("Main"), QStringLiteral("GetPositions"), error.message()});
    QString message;
    QString keptIn;
    const auto *damaged = dynamic_cast<const ERegistryDamaged *>(&error);
    if (damaged && !damaged->AsidePath().isEmpty()) {
        keptIn = damaged->AsidePath();
        message = QStringLiteral("Tamsel's settings file %1 was damaged. It has been set aside as %2, "
                                 "and your settings are back at their defaults.")
                      .arg(registryFile, keptIn);
    } else if (damaged) {
        message = QStringLiteral("Tamsel's settings file %1 is damaged, and it could not be set aside. Your "
                                 "settings are at their defaults, and Tamsel cannot keep settings or your "
                                 "password until the file is moved away: quit Tamsel, move the file elsewhere "
                                 "and start Tamsel again.")
                      .arg(registryFile);
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
} // namespace

void TfrmMain::ObtainPassPhrase()
{
    TRegistry registry;
    std::optional<QByteArray> scrambled;
    try {
        if (registry.OpenKey(RegistryKeys::program(), false))
            scrambled = PassKey::Read(registry);
        registry.CloseKey();
    } catch (const ETamselError &error) {
        tellPassKeyUnreadable(registry.FilePath(), error);
    }
    if (scrambled)
        PassPhrase = StoreFile::PassPhraseFromBytes(DecodePassKey(*scrambled));
    else
        GeneratePassPhrase();
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

bool TfrmMain::KeepPassPhrase()
{
    TRegistry registry;
    try {
        registry.OpenKey(RegistryKeys::program(), true);
        PassKey::Write(registry, EncodePassKey(StoreFile::PassPhraseBytes(PassPhrase)));
        registry.CloseKey();
        return true;
    } catch (const ETamselError &error) {
        // Unless the user knows, the next start asks for a passphrase they
        // may no longer remember exactly.
        LogError({QStringLiteral("Main"), QStringLiteral("GeneratePassPhrase"), error.message()});
        MessageDlg(QStringLiteral("Tamsel could not keep your password in its settings file %1.").arg(registry.FilePath())
                       + crlf2
                       + QStringLiteral("Your entries are protected with it for this run, but Tamsel will ask for "
                                        "it again at the next start: enter exactly the same password then, or your "
                                        "entries will not open. Settings changed in this run will not be kept "
                                        "either.")
                       + crlf2
                       + QStringLiteral("To let Tamsel keep them, make sure you can write to the folder %1.")
                             .arg(QFileInfo(registry.FilePath()).absolutePath())
                       + crlf2 + QStringLiteral("Details: ") + error.message(),
                   TMsgDlgType::Warning, mbOK);
        return false;
    }
}
