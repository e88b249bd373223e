// The registry file reader: the input is the file's text. Every value of the
// settings key is read as each type, and a batch of new values is written
// over what the file holds, as the program does at exit.

#include "fuzz/FuzzFolder.h"
#include "platform/FileSync.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
// Names of values the program reads, and one it never writes.
const QString names[] = {
    QStringLiteral("PassKey"), QStringLiteral("MainWindowWidth"), QStringLiteral("EntryFont"),
    QStringLiteral("SortColumn"), QStringLiteral(""), QStringLiteral("Missing"),
};

void readAll(TRegistry &registry)
{
    for (const QString &name : names) {
        const auto attempt = [](auto read) {
            try {
                read();
            } catch (const ERegistryError &) {
            }
        };
        attempt([&] { (void)registry.ValueExists(name); });
        attempt([&] { (void)registry.ReadInteger(name); });
        attempt([&] { (void)registry.ReadString(name); });
        attempt([&] { (void)registry.ReadBinaryData(name); });
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FileSync::SetSync([](int, const QByteArray &) { return 0; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString folder = FuzzFolder();
    static const QString path = folder + QStringLiteral("/registry.json");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size)) {
            std::fprintf(stderr, "fuzz_registry: %s cannot be written\n", qPrintable(path));
            std::abort();
        }
    }

    TRegistry registry(path);
    try {
        for (const QString &key : {RegistryKeys::program(), RegistryKeys::settings()}) {
            if (!registry.OpenKey(key, false))
                continue;
            readAll(registry);
            registry.BeginBatch();
            registry.WriteInteger(QStringLiteral("MainWindowWidth"), 640);
            registry.WriteString(QStringLiteral("SortColumn"), QStringLiteral("2"));
            registry.WriteBinaryData(QStringLiteral("PassKey"), QByteArrayLiteral("\x01\x02"));
            readAll(registry);
            registry.CommitBatch();
            readAll(registry);
        }
    } catch (const ERegistryError &) {
        // A damaged file is moved aside and reported: nothing more to read.
    }
    // Damaged files moved aside would pile up.
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(folder + QLatin1Char('/') + name);
    return 0;
}
