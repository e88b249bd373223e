// Writes COUNT integer values NAME0 .. NAME<COUNT-1> into the registry file
// FILE, each as a rewrite of its own, as fast as it can:
//   registry_writer FILE NAME COUNT single|batch
// "batch" writes each value as a batch of one. Says "ready" and begins once a
// line arrives on its input, so that two of them can be set off together.

#include "platform/FileSync.h"
#include "settings/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: registry_writer FILE NAME COUNT single|batch\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const int count = std::atoi(argv[3]);
    const bool batch = std::strcmp(argv[4], "batch") == 0;
    // Flushing to the disk plays no part in how two rewrites interleave.
    FileSync::SetSync([](int, const QByteArray &) { return 0; });
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    try {
        TRegistry registry(file);
        registry.OpenKey(QStringLiteral("\\Software\\Kestrine\\Tamsel\\Settings"), true);
        for (int i = 0; i < count; ++i) {
            if (batch)
                registry.BeginBatch();
            registry.WriteInteger(name + QString::number(i), i);
            if (batch)
                registry.CommitBatch();
        }
    } catch (const ETamselError &error) {
        std::fprintf(stderr, "registry_writer: %s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
