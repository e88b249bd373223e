// The settings store: what start-up reads into the main window and what exit
// writes back, checked against the registry file itself.
#include "mainwindow/Main.h"
#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/LogFile.h"
#include "diagnostics/MessageDlg.h"
#include "tests/RowProbe.h"
#include "platform/Clock.h"
#include "platform/FileSync.h"
#include "platform/SecretStore.h"
#include "settings/FontStyleCode.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "settings/WindowsColor.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellLanguageList.h"
#include "store/DayNumber.h"
#include "mainwindow/PasswordDlg.h"
#include "controls/WindowBounds.h"
#include "tests/TestHome.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <cerrno>
#include <functional>
#include <unistd.h>

namespace {
const QString settingsKey = QStringLiteral("\\Software\\Kestrine\\Tamsel\\Settings");

// One stored value: its type in the registry file and its content.
struct Stored
{
    QString type;
    QVariant value;
    bool operator==(const Stored &other) const = default;
};
using Snapshot = QMap<QString, Stored>;

QString describe(const Stored &stored)
{
    return stored.type + QLatin1Char(' ') + stored.value.toString();
}

char *toString(const Stored &stored)
{
    return qstrdup(qPrintable(describe(stored)));
}

Stored integer(qint64 value)
{
    return {QStringLiteral("integer"), value};
}

Stored string(const QString &value)
{
    return {QStringLiteral("string"), value};
}

// A setting's value as the registry file holds it.
Stored asStored(const TSettingValue &value)
{
    if (const int *number = std::get_if<int>(&value))
        return integer(*number);
    if (const bool *flag = std::get_if<bool>(&value))
        return integer(*flag ? 1 : 0);
    return string(std::get<QString>(value));
}

// Every value of the settings key, read from the registry file directly so
// that nothing of the program stands between the test and the file.
Snapshot settingsSnapshot(const TestHome &home)
{
    QFile file(home.registryFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject values = QJsonDocument::fromJson(file.readAll())
                                   .object()
                                   .value(QStringLiteral("keys"))
                                   .toObject()
                                   .value(settingsKey)
                                   .toObject();
    Snapshot snapshot;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const QString type = entry.value(QStringLiteral("type")).toString();
        const QJsonValue value = entry.value(QStringLiteral("value"));
        snapshot.insert(it.key(), {type, value.isDouble() ? QVariant(value.toInteger()) : QVariant(value.toString())});
    }
    return snapshot;
}

// The names whose values differ, with both values; empty when the same.
QString differences(const Snapshot &actual, const Snapshot &expected)
{
    QStringList names = actual.keys() + expected.keys();
    names.removeDuplicates();
    QStringList result;
    for (const QString &name : std::as_const(names)) {
        if (actual.value(name) != expected.value(name))
            result.append(QStringLiteral("%1: %2 instead of %3")
                              .arg(name, actual.contains(name) ? describe(actual.value(name)) : QStringLiteral("missing"),
                                   expected.contains(name) ? describe(expected.value(name)) : QStringLiteral("missing")));
    }
    return result.join(QStringLiteral("; "));
}

#define COMPARE_SNAPSHOTS(actual, expected)                                                                  \
    do {                                                                                                     \
        const QString difference = differences(actual, expected);                                            \
        QVERIFY2(difference.isEmpty(), qPrintable(difference));                                              \
    } while (false)

TRegistry openSettings()
{
    TRegistry registry;
    registry.OpenKey(RegistryKeys::settings(), true);
    return registry;
}

void writeStored(TRegistry &registry, const QString &name, const Stored &stored)
{
    if (stored.type == QLatin1String("integer"))
        registry.WriteInteger(name, qint32(stored.value.toLongLong()));
    else if (stored.type == QLatin1String("string"))
        registry.WriteString(name, stored.value.toString());
    else
        registry.WriteBinaryData(name, stored.value.toString().toUtf8());
}

// The first start in a home asks for a passphrase; answer it with OK.
void answerPassPhrase()
{
    if (!PasswordDlgSeam::hasPendingAnswer())
        PasswordDlgSeam::answerOk(QStringLiteral("settings test"));
}

void startWindow(TfrmMain &w)
{
    answerPassPhrase();
    w.FormCreate();
}

void readSettings(TfrmMain &w)
{
    answerPassPhrase();
    w.GetPositions();
}

// Reads the settings and replays the one header click per list that
// start-up makes, which turns the stored toggles into the directions in effect.
void readSettingsLikeStartUp(TfrmMain &w)
{
    readSettings(w);
    w.lsvNotesColumnClick(w.lsvNotes, w.NoteSortColumn);
    w.lsvTasksColumnClick(w.lsvTasks, w.TaskSortColumn);
}

void writeRegistryFile(TestHome &home, const QByteArray &bytes)
{
    QFile file(home.registryFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString logText()
{
    QFile file(LogFile::path());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int stylesOf(const QFont &font)
{
    using namespace FontStyleCode;
    return (font.bold() ? Bold : 0) | (font.italic() ? Italic : 0) | (font.underline() ? Underline : 0)
           | (font.strikeOut() ? StrikeOut : 0);
}

void setEditorFont(TfrmMain &w, const QFont &font, const QColor &color)
{
    for (TRichEditURL *edit : {w.edtTitle, w.redNote, w.redFileName}) {
        edit->setFont(font);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, color);
        edit->setPalette(palette);
    }
    w.EntryFont = font;
}

// The values a first start writes at exit, in the order they are written;
// no value: system-dependent (the designed font), checked for type only.
struct Default
{
    const char *name;
    QString type;
    QVariant value;
};

QList<Default> defaultsAtExit(const TestHome &home)
{
    const QString i = QStringLiteral("integer");
    const QString s = QStringLiteral("string");
    return {
        {"Top", i, 89},
        {"Left", i, 547},
        {"Width", i, 815},
        {"Height", i, 654},
        {"NotePanelHeight", i, 196},
        // The date columns fit the locale's date texts (checked in tst_entrylists).
        {"colDate", i, QVariant()},
        {"colTitle", i, QVariant()},
        {"colNote", i, 255},
        {"Font", s, QVariant()},
        {"fColor", i, QVariant()},
        // The replayed header click made the notes toggle -1; it is stored negated.
        {"NoteSortToggle", i, 1},
        {"NoteSortColumn", i, 0},
        {"TaskSortToggle", i, 1},
        {"TaskSortColumn", i, 0},
        {"ActiveTab", i, 0},
        {"CurrentColor", i, 0},
        {"CompleteColor", i, 12632256},
        {"OverdueColor", i, 255},
        {"NevermindColor", i, 255},
        {"DisplayReminders", i, 1},
        {"StrikeoutComplete", i, 1},
        {"PlaySoundOnReminder", i, 0},
        {"UseDefaultSound", i, 1},
        {"AlternateSound", s, QString()},
        {"fSize", i, QVariant()},
        {"fStyle", i, 0},
        {"FormState", i, 0},
        {"CheckForUpdatesOnStartup", i, 0},
        {"AutoStartWithWindows", i, 0},
        {"StartMinimized", i, 0},
        {"AutoSave", i, 0},
        {"AutoSaveAfterTime", i, 15},
        {"LoadNotesOnSearch", i, 0},
        {"UseAlternateLocation", i, 0},
        {"AlternateLocation", s, home.dataFolder()},
        {"TamselLocation", s, QString(home.dataFolder() + QLatin1Char('/'))},
        {"CloseOnMenuOnly", i, 0},
        {"DefaultSearchSetting", i, 1},
        {"ConfirmOnDelete", i, 0},
        {"SpellCheckerType", i, 0},
        // The row of British English in the list of installed languages.
        {"SpellCheckerLanguage", i, QVariant()},
        {"CheckSpellingOnSave", i, 0},
        {"DefaultPrintSetting", i, 1},
        {"DefaultSaveSetting", i, 1},
        {"BackupCount", i, 14},
        {"ReminderNotifications", i, 1},
    };
}

// A value of every setting other than its default, as set on the window, as
// stored, and as the next start must hold it.
struct Probe
{
    const char *name;
    Stored stored;
    std::function<QVariant(TfrmMain &)> held;
    QVariant expected;
};

const QColor fontColor(10, 20, 30);

void setEveryValue(TfrmMain &w, const QString &storeFolder, const QString &alternateFolder)
{
    w.pgcData->setCurrentIndex(1);
    w.move(200, 120);
    w.resize(700, 500);
    w.Splitter1->setSizes({150, 300});
    w.lsvNotes->setColumnWidth(0, 90);
    w.lsvNotes->setColumnWidth(1, 110);
    w.lsvNotes->setColumnWidth(2, 300);
    QFont font(QStringLiteral("Tamsel Test Face"), 13);
    font.setBold(true);
    font.setItalic(true);
    setEditorFont(w, font, fontColor);
    w.CheckForUpdatesOnStartup = true;
    w.AutoStartWithWindows = true;
    w.StartMinimized = true;
    w.AutoSave = true;
    w.AutoSaveAfterTime = 7;
    w.LoadNotesOnSearch = true;
    w.UseAlternateLocation = true;
    w.ConfirmOnDelete = true;
    w.TamselLocation = storeFolder + QLatin1Char('/');
    w.AlternateLocation = alternateFolder;
    w.CloseOnMenuOnly = true;
    w.DefaultSearchSetting = 3;
    w.NoteSortToggle = 1; // ascending in effect
    w.NoteSortColumn = 2;
    w.TaskSortToggle = -1; // descending in effect
    w.TaskSortColumn = 4;
    w.CurrentColor = 0x112233;
    w.CompleteColor = 0x445566;
    w.OverdueColor = 0x778899;
    w.NevermindColor = 0xAABBCC;
    w.DisplayReminders = false;
    w.StrikeoutComplete = false;
    w.SpellCheckerType = 2;
    w.SpellCheckerLanguage = 3;
    w.CheckSpellingOnSave = true;
    w.DefaultSaveSetting = 2;
    w.DefaultPrintSetting = 2;
    w.BackupCount = 0;
    w.ReminderNotifications = false;
    w.ReminderSoundInfo = {true, false, QStringLiteral("/sounds/bell.wav")};
}

QList<Probe> everyValueProbes(const QString &storeFolder, const QString &alternateFolder)
{
    return {
        {"ActiveTab", integer(1), [](TfrmMain &w) { return QVariant(w.pgcData->currentIndex()); }, 1},
        {"Top", integer(120), [](TfrmMain &w) { return QVariant(w.y()); }, 120},
        {"Left", integer(200), [](TfrmMain &w) { return QVariant(w.x()); }, 200},
        {"Width", integer(700), [](TfrmMain &w) { return QVariant(w.width()); }, 700},
        {"Height", integer(500), [](TfrmMain &w) { return QVariant(w.height()); }, 500},
        {"NotePanelHeight", integer(150), [](TfrmMain &w) { return QVariant(w.Splitter1->sizes().value(0)); }, 150},
        // The other window states: formStateIsApplied. A hidden maximized window
        // of the test platform reports its place outside its frame margins.
        {"FormState", integer(0), [](TfrmMain &w) { return QVariant(int(w.windowState()) | int(w.SavedWindowState)); }, 0},
        {"colDate", integer(90), [](TfrmMain &w) { return QVariant(w.lsvNotes->columnWidth(0)); }, 90},
        {"colTitle", integer(110), [](TfrmMain &w) { return QVariant(w.lsvNotes->columnWidth(1)); }, 110},
        {"colNote", integer(300), [](TfrmMain &w) { return QVariant(w.lsvNotes->columnWidth(2)); }, 300},
        {"Font", string(QStringLiteral("Tamsel Test Face")),
         [](TfrmMain &w) {
             return QVariant(QStringList{w.edtTitle->font().family(), w.redNote->font().family(),
                                         w.redFileName->font().family(), w.CurrentEntryFont().family()});
         },
         QStringList(4, QStringLiteral("Tamsel Test Face"))},
        {"fColor", integer(30 << 16 | 20 << 8 | 10),
         [](TfrmMain &w) {
             return QVariant(w.edtTitle->palette().color(QPalette::Text) == fontColor
                             && w.redNote->palette().color(QPalette::Text) == fontColor
                             && w.redFileName->palette().color(QPalette::Text) == fontColor);
         },
         true},
        {"fSize", integer(13),
         [](TfrmMain &w) {
             return QVariant::fromValue(QList<int>{w.edtTitle->font().pointSize(), w.redFileName->font().pointSize(),
                                                   w.CurrentEntryFont().pointSize()});
         },
         QVariant::fromValue(QList<int>{13, 13, 13})},
        {"fStyle", integer(3), [](TfrmMain &w) { return QVariant(stylesOf(w.edtTitle->font())); },
         FontStyleCode::Bold | FontStyleCode::Italic},
        {"CheckForUpdatesOnStartup", integer(1), [](TfrmMain &w) { return QVariant(w.CheckForUpdatesOnStartup); }, true},
        {"AutoStartWithWindows", integer(1), [](TfrmMain &w) { return QVariant(w.AutoStartWithWindows); }, true},
        {"StartMinimized", integer(1), [](TfrmMain &w) { return QVariant(w.StartMinimized); }, true},
        {"AutoSave", integer(1), [](TfrmMain &w) { return QVariant(w.AutoSave); }, true},
        {"AutoSaveAfterTime", integer(7), [](TfrmMain &w) { return QVariant(w.AutoSaveAfterTime); }, 7},
        {"LoadNotesOnSearch", integer(1), [](TfrmMain &w) { return QVariant(w.LoadNotesOnSearch); }, true},
        {"UseAlternateLocation", integer(1), [](TfrmMain &w) { return QVariant(w.UseAlternateLocation); }, true},
        {"ConfirmOnDelete", integer(1), [](TfrmMain &w) { return QVariant(w.ConfirmOnDelete); }, true},
        {"TamselLocation", string(storeFolder + QLatin1Char('/')), [](TfrmMain &w) { return QVariant(w.TamselLocation); },
         QString(storeFolder + QLatin1Char('/'))},
        // Written without its trailing delimiter.
        {"AlternateLocation", string(alternateFolder), [](TfrmMain &w) { return QVariant(w.AlternateLocation); }, alternateFolder},
        {"CloseOnMenuOnly", integer(1), [](TfrmMain &w) { return QVariant(w.CloseOnMenuOnly); }, true},
        {"DefaultSearchSetting", integer(3), [](TfrmMain &w) { return QVariant(w.DefaultSearchSetting); }, 3},
        // Stored negated; the start-up header click negates it back.
        {"NoteSortToggle", integer(-1), [](TfrmMain &w) { return QVariant(w.NoteSortToggle); }, 1},
        {"NoteSortColumn", integer(2), [](TfrmMain &w) { return QVariant(w.NoteSortColumn); }, 2},
        {"TaskSortToggle", integer(1), [](TfrmMain &w) { return QVariant(w.TaskSortToggle); }, -1},
        {"TaskSortColumn", integer(4), [](TfrmMain &w) { return QVariant(w.TaskSortColumn); }, 4},
        {"CurrentColor", integer(0x112233), [](TfrmMain &w) { return QVariant(w.CurrentColor); }, 0x112233},
        {"CompleteColor", integer(0x445566), [](TfrmMain &w) { return QVariant(w.CompleteColor); }, 0x445566},
        {"OverdueColor", integer(0x778899), [](TfrmMain &w) { return QVariant(w.OverdueColor); }, 0x778899},
        {"NevermindColor", integer(0xAABBCC), [](TfrmMain &w) { return QVariant(w.NevermindColor); }, 0xAABBCC},
        {"DisplayReminders", integer(0), [](TfrmMain &w) { return QVariant(w.DisplayReminders); }, false},
        {"StrikeoutComplete", integer(0), [](TfrmMain &w) { return QVariant(w.StrikeoutComplete); }, false},
        {"SpellCheckerType", integer(2), [](TfrmMain &w) { return QVariant(w.SpellCheckerType); }, 2},
        {"SpellCheckerLanguage", integer(3), [](TfrmMain &w) { return QVariant(w.SpellCheckerLanguage); }, 3},
        {"CheckSpellingOnSave", integer(1), [](TfrmMain &w) { return QVariant(w.CheckSpellingOnSave); }, true},
        {"DefaultSaveSetting", integer(2), [](TfrmMain &w) { return QVariant(w.DefaultSaveSetting); }, 2},
        {"DefaultPrintSetting", integer(2), [](TfrmMain &w) { return QVariant(w.DefaultPrintSetting); }, 2},
        {"BackupCount", integer(0), [](TfrmMain &w) { return QVariant(w.BackupCount); }, 0},
        {"ReminderNotifications", integer(0), [](TfrmMain &w) { return QVariant(w.ReminderNotifications); }, false},
        {"PlaySoundOnReminder", integer(1), [](TfrmMain &w) { return QVariant(w.ReminderSoundInfo.PlaySoundOnReminder); }, true},
        {"UseDefaultSound", integer(0), [](TfrmMain &w) { return QVariant(w.ReminderSoundInfo.UseDefaultSound); }, false},
        {"AlternateSound", string(QStringLiteral("/sounds/bell.wav")),
         [](TfrmMain &w) { return QVariant(w.ReminderSoundInfo.AlternateSound); }, QStringLiteral("/sounds/bell.wav")},
    };
}

// Every value stored with a non-default value; returns what was stored.
Snapshot storeEveryValue(const TestHome &home)
{
    QDir().mkpath(home.path() + QStringLiteral("/store"));
    QDir().mkpath(home.path() + QStringLiteral("/alternate"));
    TfrmMain w;
    setEveryValue(w, home.path() + QStringLiteral("/store"), home.path() + QStringLiteral("/alternate"));
    w.SetPositions();
    return settingsSnapshot(home);
}

QStringList noteTitles(const TfrmMain &w)
{
    QStringList titles;
    for (int i = 0; i < w.lsvNotes->model()->rowCount(); ++i)
        titles.append(rowAt(w.lsvNotes, i)->subItem(NoteRow::Title));
    return titles;
}

void addNote(TfrmMain &w, const QString &title, double created)
{
    pugi::xml_node note = w.xmlNotes.Root().append_child("Note");
    TXmlDocument::WriteChildValue(note, "Title", title);
    TXmlDocument::WriteChildValue(note, "Text", QString());
    TXmlDocument::WriteChildValue(note, "DateTime", DayNumber::text(created));
    TXmlDocument::WriteChildValue(note, "LastModified", DayNumber::text(created));
    TXmlDocument::WriteChildValue(note, "NoteType", QStringLiteral("N"));
    TXmlDocument::WriteChildValue(note, "FileName", QString());
}
} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Clock::setFixed(QDateTime(QDate(2026, 3, 14), QTime(9, 30)));
    }

    void firstStartWritesTheWindowPlaceAtOnce()
    {
        TestHome home;
        TfrmMain w;
        startWindow(w);
        const Snapshot expected{{QStringLiteral("ActiveTab"), integer(0)},     {QStringLiteral("Top"), integer(89)},
                                {QStringLiteral("Left"), integer(547)},        {QStringLiteral("Width"), integer(815)},
                                {QStringLiteral("Height"), integer(654)},      {QStringLiteral("NotePanelHeight"), integer(196)},
                                {QStringLiteral("FormState"), integer(0)}};
        COMPARE_SNAPSHOTS(settingsSnapshot(home), expected);
    }

    // A first run holds the defaults at exit. Having changed none of them, it
    // leaves the file as its start made it: the window's place only.
    void firstRunExitsWithTheDefaults()
    {
        TestHome home;
        Snapshot stored;
        Snapshot atStart;
        {
            TfrmMain w;
            startWindow(w);
            atStart = settingsSnapshot(home);
            for (const TSetting *setting : SettingsWriteOrder())
                stored.insert(setting->name, asStored(setting->save(w)));
            w.Exit1Click();
        }
        COMPARE_SNAPSHOTS(settingsSnapshot(home), atStart);
        const QList<Default> defaults = defaultsAtExit(home);
        QStringList wrong;
        QStringList names;
        for (const Default &value : defaults) {
            const QString name = QLatin1String(value.name);
            names.append(name);
            if (!stored.contains(name)) {
                wrong.append(name + QStringLiteral(" missing"));
                continue;
            }
            const Stored actual = stored.value(name);
            if (actual.type != value.type || (value.value.isValid() && actual.value != value.value))
                wrong.append(name + QStringLiteral(" is ") + describe(actual));
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));
        QCOMPARE(QStringList(stored.keys()), [&names] { names.sort(); return names; }());
        QVERIFY(!stored.value(QStringLiteral("Font")).value.toString().isEmpty());
        QVERIFY(stored.value(QStringLiteral("fSize")).value.toInt() > 0);
    }

    // Leaving the program writes the settings once, as one rewrite of the
    // registry file that reaches the disk: File > Exit as well as the close
    // box, after which the ending program closes the window once more.
    void exitWritesTheSettingsOnce_data()
    {
        QTest::addColumn<bool>("fromTheMenu");
        QTest::newRow("File > Exit") << true;
        QTest::newRow("close box") << false;
    }

    void exitWritesTheSettingsOnce()
    {
        QFETCH(bool, fromTheMenu);
        TestHome home;
        TfrmMain w;
        startWindow(w);
        w.resize(700, 500);
        int rewrites = 0;
        const QByteArray registryFile = QFile::encodeName(home.registryFile());
        const FileSync::TSyncFunction saved =
            FileSync::SetSync([&rewrites, &registryFile](int fd, const QByteArray &path) {
                if (path.startsWith(registryFile))
                    ++rewrites;
                return ::fsync(fd) == 0 ? 0 : errno;
            });
        bool closed = true;
        if (fromTheMenu)
            w.Exit1->trigger();
        else
            closed = w.close();
        // The ending program closes its windows.
        closed = closed && w.close();
        FileSync::SetSync(saved);

        QVERIFY(closed);
        QCOMPARE(rewrites, 1);
        const Snapshot stored = settingsSnapshot(home);
        QCOMPARE(stored.value(QStringLiteral("Width")).value.toInt(), 700);
    }

    // Should start-up end before the settings are read, the fields already
    // hold the values a start with an empty registry gives them.
    void fieldsStartAtTheirDefaults()
    {
        TestHome home;
        {
            TfrmMain w;
            w.SetPositions();
        }
        Snapshot unread = settingsSnapshot(home);
        // No folder is made up for a location never set.
        QCOMPARE(unread.value(QStringLiteral("AlternateLocation")), string(QString()));
        QVERIFY(QFile::remove(home.registryFile()));
        {
            TfrmMain w;
            readSettings(w);
            // Written whole, not only what changed since the reading.
            w.SettingsAtStart.clear();
            w.SetPositions();
        }
        Snapshot read = settingsSnapshot(home);
        // The storage folders are found at start-up; nothing to compare.
        for (const char *name : {"TamselLocation", "AlternateLocation"}) {
            unread.remove(QLatin1String(name));
            read.remove(QLatin1String(name));
        }
        COMPARE_SNAPSHOTS(unread, read);
    }

    void everyValueSurvivesARoundTrip()
    {
        TestHome home;
        const Snapshot stored = storeEveryValue(home);
        const QList<Probe> probes = everyValueProbes(home.path() + QStringLiteral("/store"),
                                                     home.path() + QStringLiteral("/alternate"));
        QStringList probed;
        QStringList wrong;
        for (const Probe &probe : probes) {
            probed.append(QLatin1String(probe.name));
            if (stored.value(QLatin1String(probe.name)) != probe.stored)
                wrong.append(QStringLiteral("stored %1 = %2").arg(QLatin1String(probe.name), describe(stored.value(QLatin1String(probe.name)))));
        }
        probed.sort();
        QCOMPARE(QStringList(stored.keys()), probed);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));

        TfrmMain w;
        readSettingsLikeStartUp(w);
        for (const Probe &probe : probes) {
            const QVariant held = probe.held(w);
            if (held != probe.expected)
                wrong.append(QStringLiteral("read %1 = %2").arg(QLatin1String(probe.name), held.toString()));
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QStringLiteral("; "))));

        // Written again unchanged, the values are the same.
        w.SetPositions();
        COMPARE_SNAPSHOTS(settingsSnapshot(home), stored);
    }

    void formStateIsApplied_data()
    {
        QTest::addColumn<int>("formState");
        QTest::addColumn<int>("shownState");
        QTest::addColumn<int>("savedState");
        QTest::newRow("0 normal") << 0 << int(Qt::WindowNoState) << int(Qt::WindowNoState);
        QTest::newRow("1 minimized, restored as normal") << 1 << int(Qt::WindowMinimized) << int(Qt::WindowNoState);
        QTest::newRow("2 maximized") << 2 << int(Qt::WindowMaximized) << int(Qt::WindowMaximized);
        QTest::newRow("5 maximized") << 5 << int(Qt::WindowMaximized) << int(Qt::WindowMaximized);
        QTest::newRow("-1 maximized") << -1 << int(Qt::WindowMaximized) << int(Qt::WindowMaximized);
    }
    void formStateIsApplied()
    {
        QFETCH(int, formState);
        QFETCH(int, shownState);
        QFETCH(int, savedState);
        TestHome home;
        {
            TRegistry registry = openSettings();
            registry.WriteInteger(QStringLiteral("FormState"), formState);
        }
        TfrmMain w;
        startWindow(w);
        w.show();
        QCOMPARE(int(w.windowState()), shownState);
        QCOMPARE(int(w.SavedWindowState), savedState);
        QCOMPARE(w.isMaximized(), shownState == Qt::WindowMaximized);
        // A state left as it was shown leaves the stored value as it is.
        w.SetPositions();
        QCOMPARE(settingsSnapshot(home).value(QStringLiteral("FormState")), integer(formState));
        // A maximized window is stored as 2 at exit, a normal one as 0.
        if (w.isMaximized())
            w.showNormal();
        else
            w.showMaximized();
        w.SetPositions();
        QCOMPARE(settingsSnapshot(home).value(QStringLiteral("FormState")), integer(w.isMaximized() ? 2 : 0));
    }

    void sizeThatCannotBeUsedKeepsTheDesignedSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("designed");
        QTest::newRow("Width 0") << QStringLiteral("Width") << 0 << 815;
        QTest::newRow("Width negative") << QStringLiteral("Width") << -40 << 815;
        QTest::newRow("Height 0") << QStringLiteral("Height") << 0 << 654;
        QTest::newRow("NotePanelHeight 0") << QStringLiteral("NotePanelHeight") << 0 << 196;
        QTest::newRow("colNote 0") << QStringLiteral("colNote") << 0 << 255;
    }
    void sizeThatCannotBeUsedKeepsTheDesignedSize()
    {
        QFETCH(QString, name);
        QFETCH(int, stored);
        QFETCH(int, designed);
        TestHome home;
        {
            TRegistry registry = openSettings();
            registry.WriteInteger(name, stored);
        }
        TfrmMain w;
        readSettings(w);
        const QMap<QString, int> shown{{QStringLiteral("Width"), w.width()},
                                       {QStringLiteral("Height"), w.height()},
                                       {QStringLiteral("NotePanelHeight"), w.Splitter1->sizes().value(0)},
                                       {QStringLiteral("colNote"), w.lsvNotes->columnWidth(2)}};
        QCOMPARE(shown.value(name), designed);
        // The next exit writes the real size.
        w.SetPositions();
        QCOMPARE(settingsSnapshot(home).value(name), integer(designed));
    }

    void fitIntoArea_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("fitted");
        const QRect screen(0, 0, 1280, 984);
        QTest::newRow("inside stays") << QRect(10, 20, 800, 600) << screen << QRect(10, 20, 800, 600);
        QTest::newRow("designed bounds on 1280 wide")
            << QRect(547, 89, 815, 654) << screen << QRect(465, 89, 815, 654);
        QTest::newRow("above and left of it") << QRect(-300, -50, 800, 600) << screen << QRect(0, 0, 800, 600);
        QTest::newRow("larger than the area") << QRect(0, 0, 32767, 32767) << screen << screen;
        QTest::newRow("largest frame far off")
            << QRect(INT_MAX / 2, INT_MAX / 2, INT_MAX / 2, INT_MAX / 2) << screen << screen;
        QTest::newRow("taller only") << QRect(100, 100, 400, 2000) << screen << QRect(100, 0, 400, 984);
        QTest::newRow("second screen, off its right edge")
            << QRect(3000, 100, 800, 600) << QRect(1280, 0, 1920, 1050) << QRect(2400, 100, 800, 600);
        QTest::newRow("second screen, left of it")
            << QRect(0, 100, 800, 600) << QRect(1280, 0, 1920, 1050) << QRect(1280, 100, 800, 600);
    }
    void fitIntoArea()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, available);
        QFETCH(QRect, fitted);
        QCOMPARE(FitIntoArea(frame, available), fitted);
    }

    // Whatever bounds the settings hold, the window starts wholly on the screen.
    void storedBoundsAreKeptOnScreen_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("largest size") << 0 << 0 << INT_MAX << INT_MAX;
        QTest::newRow("largest position") << INT_MAX << INT_MAX << 400 << 300;
        QTest::newRow("smallest position") << INT_MIN << INT_MIN << 400 << 300;
        QTest::newRow("all largest") << INT_MAX << INT_MAX << INT_MAX << INT_MAX;
        QTest::newRow("partly off the right") << 700 << 10 << 400 << 300;
    }
    void storedBoundsAreKeptOnScreen()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        TestHome home;
        {
            TRegistry registry = openSettings();
            registry.WriteInteger(QStringLiteral("Left"), left);
            registry.WriteInteger(QStringLiteral("Top"), top);
            registry.WriteInteger(QStringLiteral("Width"), width);
            registry.WriteInteger(QStringLiteral("Height"), height);
        }
        TfrmMain w;
        readSettings(w);
        KeepOnScreen(w);
        const QRect available = w.screen()->availableGeometry();
        QVERIFY2(available.contains(w.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(w.x()).arg(w.y()).arg(w.width()).arg(w.height())));
    }

    void storedEditorPaneHeightIsShown()
    {
        TestHome home;
        {
            TRegistry registry = openSettings();
            registry.WriteInteger(QStringLiteral("Height"), 700);
            registry.WriteInteger(QStringLiteral("NotePanelHeight"), 240);
        }
        TfrmMain w;
        readSettings(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.pnlContents->height(), 240);
        w.resize(w.width(), 800);
        QTRY_COMPARE(w.height(), 800);
        QCOMPARE(w.pnlContents->height(), 240);
    }

    // A folder that is missing now is kept as stored (start-up asks about
    // it); one that can never be a folder gives way to the default.
    void storageFoldersAsRead_data()
    {
        QTest::addColumn<QString>("storedLocation");
        QTest::addColumn<QString>("storedAlternate");
        QTest::addColumn<QString>("expectedLocation");
        QTest::addColumn<QString>("expectedAlternate");
        const QString folder = QStringLiteral("%home/kept");
        const QString other = QStringLiteral("%home/other");
        const QString standard = QStringLiteral("%data/");
        QTest::newRow("both exist") << folder + QLatin1Char('/') << other << folder + QLatin1Char('/') << other;
        QTest::newRow("no trailing delimiter") << folder << other << folder + QLatin1Char('/') << other;
        QTest::newRow("storage gone") << QStringLiteral("%home/gone/") << other << QStringLiteral("%home/gone/") << other;
        QTest::newRow("alternate gone") << folder << QStringLiteral("%home/gone") << folder + QLatin1Char('/') << QStringLiteral("%home/gone");
        QTest::newRow("empty") << QString() << QString() << standard << standard;
        QTest::newRow("relative") << QStringLiteral("kept/") << QStringLiteral("kept") << standard << standard;
        QTest::newRow("a file") << QStringLiteral("%home/file/") << QStringLiteral("%home/file") << standard << standard;
    }
    void storageFoldersAsRead()
    {
        QFETCH(QString, storedLocation);
        QFETCH(QString, storedAlternate);
        QFETCH(QString, expectedLocation);
        QFETCH(QString, expectedAlternate);
        TestHome home;
        QDir().mkpath(home.path() + QStringLiteral("/kept"));
        QDir().mkpath(home.path() + QStringLiteral("/other"));
        QFile file(home.path() + QStringLiteral("/file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const auto place = [&home](QString text) {
            return text.replace(QStringLiteral("%home"), home.path()).replace(QStringLiteral("%data"), home.dataFolder());
        };
        {
            TRegistry registry = openSettings();
            registry.WriteString(QStringLiteral("TamselLocation"), place(storedLocation));
            registry.WriteString(QStringLiteral("AlternateLocation"), place(storedAlternate));
        }
        TfrmMain w;
        readSettings(w);
        QCOMPARE(w.TamselLocation, place(expectedLocation));
        QCOMPARE(w.AlternateLocation, place(expectedAlternate));
    }

    // The storage folder is on a drive that is not mounted at start-up. The
    // user may work in the default folder for this run or quit; either way
    // the folders of the settings stay stored, unless the user chooses
    // another folder during the run.
    void missingStorageFolderIsAskedAbout_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("otherFolderChosen");
        QTest::addColumn<bool>("alternateInUse");
        QTest::newRow("default folder for this run") << mrYes << false << false;
        QTest::newRow("another folder chosen during the run") << mrYes << true << false;
        QTest::newRow("quit") << mrNo << false << false;
        QTest::newRow("alternate: default folder for this run") << mrYes << false << true;
        QTest::newRow("alternate: another folder chosen during the run") << mrYes << true << true;
        QTest::newRow("alternate: quit") << mrNo << false << true;
    }
    void missingStorageFolderIsAskedAbout()
    {
        QFETCH(int, answer);
        QFETCH(bool, otherFolderChosen);
        QFETCH(bool, alternateInUse);
        TestHome home;
        const QString unplugged = home.path() + QStringLiteral("/unplugged/");
        const QString unpluggedAlternate = home.path() + QStringLiteral("/unplugged-too");
        {
            TRegistry registry = openSettings();
            registry.WriteString(QStringLiteral("TamselLocation"), unplugged);
            registry.WriteString(QStringLiteral("AlternateLocation"), unpluggedAlternate);
            registry.WriteBool(QStringLiteral("UseAlternateLocation"), alternateInUse);
        }

        MessageDlgSeam::setNextAnswers({answer});
        TfrmMain w;
        startWindow(w);
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        // The folder asked about is the one the entries are kept in.
        const QString missing = alternateInUse ? unpluggedAlternate + QLatin1Char('/') : unplugged;
        QVERIFY2(asked[0].message.contains(QStringLiteral("cannot find the folder that holds your entries:\r\n\r\n")
                                           + missing),
                 qPrintable(asked[0].message));
        QVERIFY2(asked[0].message.contains(home.dataFolder() + QStringLiteral("/ for this run only")),
                 qPrintable(asked[0].message));
        QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbYes | mbNo));

        const QString chosen = home.path() + QStringLiteral("/chosen/");
        if (answer == mrNo) {
            // The program ends here, before its window is shown or anything is written.
            QVERIFY(w.QuitAtStart);
            QVERIFY(!QFile::exists(home.storeFile()));
        } else {
            QVERIFY(!w.QuitAtStart);
            QCOMPARE(w.StoreFilePath, home.storeFile());
            QVERIFY(QFile::exists(home.storeFile()));
            QCOMPARE(w.lsvNotes->model()->rowCount(), 1);
            QVERIFY(w.actNewNote->isEnabled());
            if (otherFolderChosen)
                w.TamselLocation = chosen;
            w.Exit1Click();
        }
        QVERIFY(!QFileInfo::exists(unplugged));
        QVERIFY(!QFileInfo::exists(unpluggedAlternate));
        const Snapshot stored = settingsSnapshot(home);
        QCOMPARE(stored.value(QStringLiteral("TamselLocation")), string(otherFolderChosen ? chosen : unplugged));
        QCOMPARE(stored.value(QStringLiteral("AlternateLocation")), string(unpluggedAlternate));
        QCOMPARE(stored.value(QStringLiteral("UseAlternateLocation")), integer(alternateInUse ? 1 : 0));
    }

    void fontStyleCodes_data()
    {
        using namespace FontStyleCode;
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("styles");
        for (int bits = 0; bits <= 11; ++bits)
            QTest::addRow("%d", bits) << bits << bits;
        QTest::newRow("12 B I U S") << 12 << (Bold | Italic | Underline | StrikeOut);
        QTest::newRow("13 I U S") << 13 << (Italic | Underline | StrikeOut);
        QTest::newRow("14 U S") << 14 << (Underline | StrikeOut);
        QTest::newRow("15 B U S, the set codes 0 to 14 leave out") << 15 << (Bold | Underline | StrikeOut);
    }
    void fontStyleCodes()
    {
        QFETCH(int, code);
        QFETCH(int, styles);
        QCOMPARE(FontStyleCode::toStyles(code), std::optional<int>(styles));
        QCOMPARE(FontStyleCode::fromStyles(styles), code);
    }

    void fontStyleCodeOutsideTheTableNamesNoStyle()
    {
        for (int code : {-1, 16, 20, 255})
            QVERIFY2(!FontStyleCode::toStyles(code).has_value(), qPrintable(QString::number(code)));
    }

    void storedFontIsApplied_data()
    {
        using namespace FontStyleCode;
        QTest::addColumn<int>("fStyle");
        QTest::addColumn<int>("styles"); // -1: as designed
        QTest::newRow("12 all four") << 12 << (Bold | Italic | Underline | StrikeOut);
        QTest::newRow("20 names no style") << 20 << -1;
        QTest::newRow("15 bold, underline, strike-out") << 15 << (Bold | Underline | StrikeOut);
        QTest::newRow("3 bold italic") << 3 << (Bold | Italic);
        QTest::newRow("0 none") << 0 << 0;
    }
    void storedFontIsApplied()
    {
        QFETCH(int, fStyle);
        QFETCH(int, styles);
        TestHome home;
        {
            TRegistry registry = openSettings();
            registry.WriteString(QStringLiteral("Font"), QStringLiteral("Tamsel Test Face"));
            registry.WriteInteger(QStringLiteral("fColor"), 255);
            registry.WriteInteger(QStringLiteral("fSize"), 11);
            registry.WriteInteger(QStringLiteral("fStyle"), fStyle);
        }
        const int designedStyles = stylesOf(TfrmMain().redNote->font());
        TfrmMain w;
        readSettings(w);
        for (TRichEditURL *edit : {w.edtTitle, w.redNote, w.redFileName}) {
            QCOMPARE(edit->font().family(), QStringLiteral("Tamsel Test Face"));
            QCOMPARE(edit->font().pointSize(), 11);
            QCOMPARE(stylesOf(edit->font()), styles < 0 ? designedStyles : styles);
            QCOMPARE(edit->palette().color(QPalette::Text), QColor(Qt::red));
        }
        QVERIFY(w.EntryFont.has_value());
        QCOMPARE(*w.EntryFont, w.redNote->font());
    }

    void boldUnderlineStrikeOutIsWrittenAs15()
    {
        TestHome home;
        TfrmMain w;
        QFont font = w.redNote->font();
        font.setBold(true);
        font.setUnderline(true);
        font.setStrikeOut(true);
        setEditorFont(w, font, Qt::black);
        w.SetPositions();
        QCOMPARE(settingsSnapshot(home).value(QStringLiteral("fStyle")), integer(15));
    }

    void fontPartsAreReadOnlyWithAFace_data()
    {
        QTest::addColumn<QString>("face"); // null: no "Font" value
        QTest::newRow("no face") << QString();
        QTest::newRow("empty face") << QStringLiteral("");
        QTest::newRow("blank face") << QStringLiteral("  ");
    }
    void fontPartsAreReadOnlyWithAFace()
    {
        QFETCH(QString, face);
        TestHome home;
        {
            TRegistry registry = openSettings();
            if (!face.isNull())
                registry.WriteString(QStringLiteral("Font"), face);
            registry.WriteInteger(QStringLiteral("fColor"), 255);
            registry.WriteInteger(QStringLiteral("fSize"), 31);
            registry.WriteInteger(QStringLiteral("fStyle"), 12);
        }
        const TfrmMain designed;
        TfrmMain w;
        readSettings(w);
        QCOMPARE(w.redNote->font(), designed.redNote->font());
        QCOMPARE(w.edtTitle->palette().color(QPalette::Text), designed.edtTitle->palette().color(QPalette::Text));
        QVERIFY(!w.EntryFont.has_value());
    }

    void fontPartThatCannotBeReadLeavesTheOthers()
    {
        TestHome home;
        {
            TRegistry registry = openSettings();
            registry.WriteString(QStringLiteral("Font"), QStringLiteral("Tamsel Test Face"));
            registry.WriteString(QStringLiteral("fColor"), QStringLiteral("red"));
            registry.WriteInteger(QStringLiteral("fSize"), 14);
            registry.WriteInteger(QStringLiteral("fStyle"), 1);
        }
        const TfrmMain designed;
        TfrmMain w;
        readSettings(w);
        QCOMPARE(w.edtTitle->palette().color(QPalette::Text), designed.edtTitle->palette().color(QPalette::Text));
        QCOMPARE(w.redNote->font().family(), QStringLiteral("Tamsel Test Face"));
        QCOMPARE(w.redNote->font().pointSize(), 14);
        QVERIFY(w.redNote->font().bold());
        QVERIFY(logText().contains(QStringLiteral("fColor")));
    }

    void windowsColors_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QColor>("color");
        QTest::newRow("black") << 0 << QColor(0, 0, 0);
        QTest::newRow("red is the low byte") << 255 << QColor(255, 0, 0);
        QTest::newRow("green") << 0x00FF00 << QColor(0, 255, 0);
        QTest::newRow("blue is the third byte") << 0xFF0000 << QColor(0, 0, 255);
        QTest::newRow("silver") << 12632256 << QColor(192, 192, 192);
        QTest::newRow("mixed") << 0x1E140A << QColor(10, 20, 30);
    }
    void windowsColors()
    {
        QFETCH(int, value);
        QFETCH(QColor, color);
        QCOMPARE(ColorFromWindows(value), color);
        QCOMPARE(WindowsFromColor(color), value);
    }

    void sortedNotesListComesBackAfterRestart_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("storedToggle");
        QTest::addColumn<QStringList>("titles");
        const QStringList ascending{QStringLiteral("Apple"), QStringLiteral("Mango"),
                                    QStringLiteral("Welcome to Tamsel!"), QStringLiteral("Zebra")};
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        QTest::newRow("ascending by title") << 1 << -1 << ascending;
        QTest::newRow("descending by title") << 2 << 1 << descending;
    }
    void sortedNotesListComesBackAfterRestart()
    {
        QFETCH(int, clicks);
        QFETCH(int, storedToggle);
        QFETCH(QStringList, titles);
        TestHome home;
        {
            TfrmMain w;
            startWindow(w);
            addNote(w, QStringLiteral("Mango"), 46000.5);
            addNote(w, QStringLiteral("Zebra"), 46001.5);
            addNote(w, QStringLiteral("Apple"), 46002.5);
            w.EncryptXMLFile();
            w.LoadNotes();
            for (int i = 0; i < clicks; ++i)
                w.lsvNotesColumnClick(w.lsvNotes, 2);
            QCOMPARE(noteTitles(w), titles);
            w.Exit1Click();
        }
        const Snapshot stored = settingsSnapshot(home);
        QCOMPARE(stored.value(QStringLiteral("NoteSortColumn")), integer(2));
        // A toggle that ends as it started is not written; the default 1 holds.
        QCOMPARE(stored.value(QStringLiteral("NoteSortToggle"), integer(1)), integer(storedToggle));

        TfrmMain w;
        startWindow(w);
        QCOMPARE(noteTitles(w), titles);
        QCOMPARE(w.NoteSortColumn, 2);
        QCOMPARE(w.NoteSortToggle, -storedToggle);
    }

    // One value that cannot be read or used takes its default; every value
    // after it is still read. What the next exit writes shows both.
    void unreadableValueFallsBackAndReadingGoesOn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QVariant>("written");
        const QString integerType = QStringLiteral("integer");
        const QString stringType = QStringLiteral("string");
        const QString binaryType = QStringLiteral("binary");
        // The start-up header click turns the default 1 into -1, written negated.
        const QVariant toggle = 1;
        QTest::newRow("ActiveTab as text") << QStringLiteral("ActiveTab") << stringType << QStringLiteral("1") << QVariant(0);
        QTest::newRow("Top as text") << QStringLiteral("Top") << stringType << QStringLiteral("120") << QVariant(89);
        QTest::newRow("FormState as binary") << QStringLiteral("FormState") << binaryType << QStringLiteral("2") << QVariant(0);
        QTest::newRow("AutoSave as text") << QStringLiteral("AutoSave") << stringType << QStringLiteral("yes") << QVariant(0);
        QTest::newRow("AutoSaveAfterTime as text") << QStringLiteral("AutoSaveAfterTime") << stringType << QStringLiteral("7") << QVariant(15);
        QTest::newRow("TamselLocation as integer") << QStringLiteral("TamselLocation") << integerType << QStringLiteral("5") << QVariant(QStringLiteral("%data/"));
        QTest::newRow("NoteSortToggle as binary") << QStringLiteral("NoteSortToggle") << binaryType << QStringLiteral("x") << toggle;
        QTest::newRow("CompleteColor as text") << QStringLiteral("CompleteColor") << stringType << QStringLiteral("silver") << QVariant(12632256);
        QTest::newRow("DisplayReminders as text") << QStringLiteral("DisplayReminders") << stringType << QStringLiteral("0") << QVariant(1);
        QTest::newRow("AlternateSound as integer, the last") << QStringLiteral("AlternateSound") << integerType << QStringLiteral("1") << QVariant(QString());
        QTest::newRow("AutoSaveAfterTime 0") << QStringLiteral("AutoSaveAfterTime") << integerType << QStringLiteral("0") << QVariant(15);
        QTest::newRow("AutoSaveAfterTime negative") << QStringLiteral("AutoSaveAfterTime") << integerType << QStringLiteral("-5") << QVariant(15);
        QTest::newRow("AutoSaveAfterTime beyond the timer") << QStringLiteral("AutoSaveAfterTime") << integerType << QStringLiteral("40000") << QVariant(15);
        QTest::newRow("NoteSortToggle 0") << QStringLiteral("NoteSortToggle") << integerType << QStringLiteral("0") << toggle;
        QTest::newRow("TaskSortToggle 3") << QStringLiteral("TaskSortToggle") << integerType << QStringLiteral("3") << toggle;
        QTest::newRow("NoteSortColumn 4") << QStringLiteral("NoteSortColumn") << integerType << QStringLiteral("4") << QVariant(0);
        QTest::newRow("TaskSortColumn -1") << QStringLiteral("TaskSortColumn") << integerType << QStringLiteral("-1") << QVariant(0);
        QTest::newRow("ActiveTab 7") << QStringLiteral("ActiveTab") << integerType << QStringLiteral("7") << QVariant(0);
        QTest::newRow("BackupCount negative") << QStringLiteral("BackupCount") << integerType << QStringLiteral("-1") << QVariant(14);
    }
    void unreadableValueFallsBackAndReadingGoesOn()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, content);
        QFETCH(QVariant, written);
        TestHome home;
        Snapshot expected = storeEveryValue(home);
        {
            TRegistry registry = openSettings();
            writeStored(registry, name, {type, type == QLatin1String("integer") ? QVariant(content.toLongLong()) : QVariant(content)});
        }
        if (written.typeId() == QMetaType::QString)
            written = written.toString().replace(QStringLiteral("%data"), home.dataFolder());
        expected.insert(name, {expected.value(name).type, written});

        TfrmMain w;
        readSettingsLikeStartUp(w);
        w.SetPositions();
        COMPARE_SNAPSHOTS(settingsSnapshot(home), expected);
        QVERIFY2(logText().contains(QLatin1Char('"') + name + QLatin1Char('"')), qPrintable(logText()));
    }

    void damagedRegistryFileGivesDefaults()
    {
        TestHome home;
        writeRegistryFile(home, "{\"keys\": {\"\\\\Software\\\\Kes");

        MessageDlgSeam::setNextAnswers({mrOk}); // the file was damaged and set aside
        TfrmMain w;
        readSettings(w);
        QCOMPARE(MessageDlgSeam::takeAskedMessages().size(), 1);
        QCOMPARE(w.AutoSaveAfterTime, 15);
        QVERIFY(w.DisplayReminders);
        QCOMPARE(w.TamselLocation, home.dataFolder() + QLatin1Char('/'));
        QCOMPARE(QStringList(settingsSnapshot(home).keys()).size(), 7);
        const QStringList aside = QDir(home.configFolder()).entryList({QStringLiteral("registry.json.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(logText().contains(QStringLiteral("damaged")));
    }

    // Where the keyring holds the passphrase, a damaged settings file costs
    // only the settings: the user is told once, where the old file is, and
    // the log has it; the next start is silent.
    void damagedRegistryFileIsToldWithThePassPhraseInTheKeyring()
    {
        TestHome home;
        SecretStore::Current().Write(SecretStore::PassPhraseKey, QStringLiteral("kept in the keyring"));
        writeRegistryFile(home, "{\"keys\": {\"\\\\Software\\\\Kes");

        MessageDlgSeam::setNextAnswers({mrOk});
        TfrmMain w;
        w.GetPositions();
        QVERIFY(!PasswordDlgSeam::hasPendingAnswer());
        QCOMPARE(w.PassPhrase, QStringLiteral("kept in the keyring"));
        const QStringList aside = QDir(home.configFolder()).entryList({QStringLiteral("registry.json.damaged-*")});
        QCOMPARE(aside.size(), 1);
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(QStringLiteral("was damaged. It has been set aside as %1, and your settings are "
                                                 "back at their defaults.")
                                      .arg(home.configFolder() + QLatin1Char('/') + aside[0])),
                 qPrintable(told[0]));
        QVERIFY2(logText().contains(QStringLiteral("damaged and was moved to")), qPrintable(logText()));

        TfrmMain again;
        again.GetPositions();
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
        QCOMPARE(again.PassPhrase, QStringLiteral("kept in the keyring"));
    }

    void spellingLanguageNeedsAnEngine_data()
    {
        // The stored row is used only with an engine kind chosen (1 or 2),
        // and only a row of the list counts; otherwise the checker keeps
        // British English, and the row held (and written at the end) is
        // British English's.
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("language"); // 0: none stored
        QTest::addColumn<int>("expected"); // -1: British English's row
        QTest::newRow("no engine: British English") << 0 << 1 << -1;
        QTest::newRow("no engine, none stored") << 0 << 0 << -1;
        QTest::newRow("ISpell engine") << 2 << 1 << 1;
        QTest::newRow("ISpell engine, a row past the list") << 2 << 50 << -1;
        QTest::newRow("Office engine, none stored") << 1 << 0 << 1;
        QTest::newRow("unknown engine: British English") << -1 << 1 << -1;
    }
    void spellingLanguageNeedsAnEngine()
    {
        QFETCH(int, type);
        QFETCH(int, language);
        QFETCH(int, expected);
        TestHome home;
        {
            TRegistry registry = openSettings();
            registry.WriteInteger(QStringLiteral("SpellCheckerType"), type);
            if (language != 0)
                registry.WriteInteger(QStringLiteral("SpellCheckerLanguage"), language);
        }
        TfrmMain w;
        readSettings(w);
        QCOMPARE(w.SpellCheckerType, type);
        if (expected < 0) {
            QCOMPARE(w.splChecker->language(), QStringLiteral("en_GB"));
            QCOMPARE(w.cboSpellCheck->language(w.SpellCheckerLanguage)->tag, QStringLiteral("en_GB"));
        } else {
            QCOMPARE(w.SpellCheckerLanguage, expected);
        }
        QCOMPARE(w.cboSpellCheck->currentIndex(), w.SpellCheckerLanguage);
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
