// Opens a generated store of the given size as the program does at start-up
// and prints the process's peak resident memory in KiB, read from
// /proc/self/status: first after the load (passphrase, decrypt, parse, entry
// table), then after the stored sorts are replayed and the window is painted.
// The store is written by tamsel_storegen in a process of its own, so that
// generating it leaves nothing in this process's peak.
#include "mainwindow/Main.h"
#include "controls/ListViewEx.h"
#include "platform/Paths.h"
#include "store/LocaleFormat.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

namespace {
// The peak resident memory so far in KiB, or -1 when it cannot be read.
long long peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto match = QRegularExpression(QStringLiteral("VmHWM:\\s+(\\d+) kB"))
                           .match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int entries = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;

    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    if (QProcess::execute(QStringLiteral(TAMSEL_STOREGEN),
                          {QString::number(entries), QStringLiteral("correct horse battery staple")})
        != 0)
        return 1;

    // The locale of the other measurements (see BenchHome).
    SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
    TfrmMain w;
    w.PassPhrase = QStringLiteral("correct horse battery staple");
    w.HasPassPhrase = true;
    w.StoreFilePath = Paths::dataFolder() + QStringLiteral("/brindo.dat");
    w.DecryptXMLFile();
    if (!w.StoreAvailable)
        return 1;
    w.FillReminderComboBox(w.cboReminder);
    w.LoadNotes();
    const long long afterLoad = peakKiB();

    w.lsvNotesColumnClick(w.lsvNotes, w.NoteSortColumn);
    w.lsvTasksColumnClick(w.lsvTasks, w.TaskSortColumn);
    w.resize(815, 654);
    w.show();
    w.grab();
    const long long afterPaint = peakKiB();
    if (afterLoad < 0 || afterPaint < 0)
        return 1;
    std::printf("%lld %lld\n", afterLoad, afterPaint);
    return 0;
}
