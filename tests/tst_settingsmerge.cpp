// Two copies of the program on one settings file: each exit writes what that
// copy changed and keeps what the other wrote meanwhile.
#include "mainwindow/Main.h"

#include "mainwindow/PasswordDlg.h"
#include "platform/Clock.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "tests/TestHome.h"

#include <QTest>
#include <QTreeView>

namespace {
const TSetting &settingNamed(const QString &name)
{
    for (const TSetting &setting : SettingsReadOrder()) {
        if (setting.name == name)
            return setting;
    }
    qFatal("no setting named %s", qPrintable(name));
}

// A change of one setting as the user makes it: the value put in its place
// in the window, as start-up puts a stored one.
struct Change
{
    QString name;
    QVariant value;
};

void apply(TfrmMain &w, const Change &change)
{
    if (change.name.isEmpty())
        return;
    const TSetting &setting = settingNamed(change.name);
    switch (setting.type) {
    case TSettingType::Integer: setting.load(w, change.value.toInt()); break;
    case TSettingType::Bool: setting.load(w, change.value.toBool()); break;
    case TSettingType::String: setting.load(w, change.value.toString()); break;
    }
}

void startWindow(TfrmMain &w)
{
    // The first start in a home asks for a passphrase.
    if (!PasswordDlgSeam::hasPendingAnswer())
        PasswordDlgSeam::answerOk(QStringLiteral("merge test"));
    w.FormCreate();
}

TRegistry openSettings()
{
    TRegistry registry;
    registry.OpenKey(RegistryKeys::settings(), true);
    return registry;
}

// The stored integer of a setting, or none.
std::optional<int> storedInteger(const QString &name)
{
    const TRegistry registry = openSettings();
    if (!registry.ValueExists(name))
        return std::nullopt;
    return registry.ReadInteger(name);
}
} // namespace

Q_DECLARE_METATYPE(Change)

class tst_SettingsMerge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Clock::setFixed(QDateTime(QDate(2026, 3, 14), QTime(9, 30)));
    }

    // Copies A and B start; A changes a setting and exits; B, which read the
    // settings before A's change, changes another (or none) and exits later.
    // Meanwhile a value neither copy changes is written by another program.
    void laterExitKeepsTheEarlierOnesChange_data()
    {
        QTest::addColumn<Change>("changeA");
        QTest::addColumn<Change>("changeB");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("expected");
        const QString colNote = QStringLiteral("colNote");
        const QString autoSave = QStringLiteral("AutoSaveAfterTime");
        const QString confirm = QStringLiteral("ConfirmOnDelete");
        const QString width = QStringLiteral("Width");
        const QString fSize = QStringLiteral("fSize");
        const QString complete = QStringLiteral("CompleteColor");
        QTest::newRow("notes column width, B changes nothing")
            << Change{colNote, 321} << Change{} << QStringList{colNote} << QList<int>{321};
        QTest::newRow("an option in each")
            << Change{autoSave, 42} << Change{confirm, true} << QStringList{autoSave, confirm} << QList<int>{42, 1};
        QTest::newRow("window width and font size")
            << Change{width, 700} << Change{fSize, 17} << QStringList{width, fSize} << QList<int>{700, 17};
        QTest::newRow("one setting in both: the later exit's value")
            << Change{complete, 1} << Change{complete, 2} << QStringList{complete} << QList<int>{2};
    }
    void laterExitKeepsTheEarlierOnesChange()
    {
        QFETCH(Change, changeA);
        QFETCH(Change, changeB);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, expected);
        TestHome home;
        TfrmMain a;
        startWindow(a);
        TfrmMain b;
        startWindow(b);

        apply(a, changeA);
        a.Exit1Click();
        QVERIFY(a.Exiting);
        {
            TRegistry registry = openSettings();
            registry.WriteInteger(QStringLiteral("OverdueColor"), 4227327);
            registry.WriteInteger(QStringLiteral("NotASetting"), 5);
        }
        apply(b, changeB);
        b.Exit1Click();
        QVERIFY(b.Exiting);

        for (qsizetype i = 0; i < names.size(); ++i)
            QCOMPARE(storedInteger(names[i]), std::optional<int>(expected[i]));
        QCOMPARE(storedInteger(QStringLiteral("OverdueColor")), std::optional<int>(4227327));
        QCOMPARE(storedInteger(QStringLiteral("NotASetting")), std::optional<int>(5));
        // A default no copy changed is not written.
        QCOMPARE(storedInteger(QStringLiteral("StrikeoutComplete")), std::nullopt);

        // The next start reads them all.
        TfrmMain next;
        startWindow(next);
        for (qsizetype i = 0; i < names.size(); ++i) {
            const TSettingValue held = settingNamed(names[i]).save(next);
            QCOMPARE(std::holds_alternative<bool>(held) ? int(std::get<bool>(held)) : std::get<int>(held), expected[i]);
        }
    }

    // The entry font changed in its size alone is written whole at exit,
    // face, colour and style with the size, over the font another copy
    // wrote meanwhile: parts of two fonts would make a third neither chose.
    void fontChangedInOnePartIsWrittenWhole()
    {
        TestHome home;
        TfrmMain a;
        startWindow(a);
        const auto integerOf = [&a](const QString &name) { return std::get<int>(settingNamed(name).save(a)); };
        const QString face = std::get<QString>(settingNamed(QStringLiteral("Font")).save(a));
        const int color = integerOf(QStringLiteral("fColor"));
        const int style = integerOf(QStringLiteral("fStyle"));
        {
            TRegistry registry = openSettings();
            registry.WriteString(QStringLiteral("Font"), face + QStringLiteral(" of another copy"));
            registry.WriteInteger(QStringLiteral("fColor"), color + 1);
            registry.WriteInteger(QStringLiteral("fSize"), 9);
            registry.WriteInteger(QStringLiteral("fStyle"), style + 1);
        }
        apply(a, Change{QStringLiteral("fSize"), 17});
        a.Exit1Click();
        QVERIFY(a.Exiting);

        const TRegistry registry = openSettings();
        QCOMPARE(registry.ReadString(QStringLiteral("Font")), face);
        QCOMPARE(storedInteger(QStringLiteral("fColor")), std::optional<int>(color));
        QCOMPARE(storedInteger(QStringLiteral("fSize")), std::optional<int>(17));
        QCOMPARE(storedInteger(QStringLiteral("fStyle")), std::optional<int>(style));
    }

    // The direction a list is sorted in is stored as a toggle that start-up
    // turns with one header click: left as it started, it is not written over
    // the direction the other copy stored.
    void sortDirectionOfOneCopyStays()
    {
        TestHome home;
        TfrmMain a;
        startWindow(a);
        TfrmMain b;
        startWindow(b);
        const int started = a.NoteSortToggle;
        a.lsvNotesColumnClick(a.lsvNotes, a.NoteSortColumn);
        QCOMPARE(a.NoteSortToggle, -started);
        a.Exit1Click();
        b.Exit1Click();

        TfrmMain next;
        startWindow(next);
        QCOMPARE(next.NoteSortToggle, -started);
    }
};

QTEST_MAIN(tst_SettingsMerge)
#include "tst_settingsmerge.moc"
