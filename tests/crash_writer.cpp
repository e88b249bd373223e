// Stores the crash campaign's two documents in turn, through the program's
// own store writer, until it is killed:
//   crash_writer STORE
// Says "ready" once both are built and the writes begin.

#include "store/StoreFile.h"
#include "tests/CrashStore.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: crash_writer STORE\n");
        return 2;
    }
    const QString store = QString::fromLocal8Bit(argv[1]);
    TXmlDocument documents[2];
    CrashStore::Build(0, documents[0]);
    CrashStore::Build(1, documents[1]);
    std::printf("ready\n");
    std::fflush(stdout);
    try {
        for (int generation = 1;; generation = 1 - generation)
            StoreFile::SaveStore(store, CrashStore::PassPhrase, documents[generation]);
    } catch (const ETamselError &error) {
        std::fprintf(stderr, "crash_writer: %s\n", qPrintable(error.message()));
        return 1;
    }
}
