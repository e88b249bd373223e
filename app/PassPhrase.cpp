// Obtaining the passphrase that protects the store: read from "PassKey", or
// asked for once with the passphrase dialog.
#include "app/Main.h"

#include "diagnostics/ErrorReport.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/PassKey.h"
#include "app/PasswordDlg.h"
#include "store/StoreFile.h"

void TfrmMain::ObtainPassPhrase()
{
    // A registry that cannot be read raises to the caller, which ends reading
    // the settings; HasPassPhrase then stays as it was.
    TRegistry registry;
    registry.OpenKey(RegistryKeys::program(), true);
    const std::optional<QByteArray> scrambled = PassKey::Read(registry);
    registry.CloseKey();
    if (scrambled)
        PassPhrase = StoreFile::PassPhraseFromBytes(DecodePassKey(*scrambled));
    else
        GeneratePassPhrase();
    HasPassPhrase = !PassPhrase.isEmpty();
}

void TfrmMain::GeneratePassPhrase()
{
    try {
        // The dialog comes first: a passphrase confirmed there is used for
        // this run even when it cannot be stored (the next start asks again).
        HasPassPhrase = TPasswordDlg::Execute(PassPhrase);
        if (!HasPassPhrase)
            return;
        TRegistry registry;
        registry.OpenKey(RegistryKeys::program(), true);
        PassKey::Write(registry, EncodePassKey(StoreFile::PassPhraseBytes(PassPhrase)));
        registry.CloseKey();
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("GeneratePassPhrase"), error.message() });
    }
}
