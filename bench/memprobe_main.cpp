// Loads a generated store of the given size as the program does at start-up
// (decrypt, parse, fill both lists) and prints the process's peak resident
// memory in KiB, read from /proc/self/status.
#include "bench/BenchHome.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int entries = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    BenchHome home(entries);
    home.window().DecryptXMLFile();
    home.window().LoadNotes();

    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 1;
    const QString text = QString::fromLatin1(status.readAll());
    const auto match = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+) kB")).match(text);
    if (!match.hasMatch())
        return 1;
    std::printf("%s\n", qPrintable(match.captured(1)));
    return 0;
}
