// Prepares a home for measuring the program from the outside: writes a store
// of N generated entries (or the welcome document, given "welcome", or one note
// whose body is one line of 20,000,000 characters, given "longline") where the
// program keeps it by default, encrypted under the given passphrase, and that
// passphrase as the program's "PassKey", so the program opens the store
// without asking. The folders follow XDG_DATA_HOME and XDG_CONFIG_HOME.
#include "bench/StoreGenerator.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/EntryDocument.h"
#include "store/PassKey.h"
#include "store/StoreFile.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    bool isCount = false;
    const int entries = arguments.value(1).toInt(&isCount);
    const bool welcome = arguments.value(1) == QLatin1String("welcome");
    const bool longLine = arguments.value(1) == QLatin1String("longline");
    if (arguments.size() != 3 || (!welcome && !longLine && (!isCount || entries < 0)) || arguments[2].isEmpty()) {
        std::fprintf(stderr, "usage: %s ENTRIES|welcome|longline PASSPHRASE\n", argv[0]);
        return 2;
    }
    try {
        const QByteArray passPhrase = StoreFile::PassPhraseBytes(arguments[2]);
        QByteArray plain = welcome    ? EntryDocument::DefaultDocumentText(Clock::now())
                           : longLine ? StoreGenerator::oneNote(40, 20'000'000, StoreGenerator::BodyLines::OneLine)
                                      : StoreGenerator::document(entries);
        StoreFile::SaveStore(Paths::dataFolder() + QStringLiteral("/brindo.dat"), passPhrase, std::move(plain));
        TRegistry registry;
        registry.OpenKey(RegistryKeys::program(), true);
        PassKey::Write(registry, EncodePassKey(passPhrase));
        // Where no keyring answers, the program would say once where it keeps
        // the passphrase, in a box that holds up every start measured.
        registry.WriteBool(PassKey::NoticeValueName, true);
        registry.CloseKey();
    } catch (const ETamselError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
