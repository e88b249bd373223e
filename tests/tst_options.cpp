// The options dialog on a real main window: its controls and rules, what OK
// takes over and applies, Cancel, the start-up entry, the colour picker and
// moving the entries to another folder.
#include "mainwindow/StorageMove.h"
#include "diagnostics/MessageDlg.h"
#include "platform/Clock.h"
#include "platform/SoundPlayer.h"
#include "platform/StartupShortcut.h"
#include "settings/ui/ColorPicker.h"
#include "settings/ui/HSLColorPicker.h"
#include "settings/ui/Options.h"
#include "settings/WindowsColor.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellLanguageList.h"
#include "store/StoreFile.h"
#include "tests/AccessKeys.h"
#include "tests/EditorFixture.h"
#include "tests/TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace EditorFixture;

namespace {
// A task due long after the fixed "now" of these tests: it shows as current.
QByteArray currentTask(const QByteArray &title)
{
    return "<Note><Title>" + title + "</Title><Text>body</Text><DateTime>45000.5</DateTime><LastModified>45000.5"
           "</LastModified><Deadline>47000.5</Deadline><Complete>0</Complete><DateCompleted></DateCompleted>"
           "<Reminder>0</Reminder><ReminderDate></ReminderDate><NoteType>T</NoteType></Note>";
}

// A main window over a stored set of entries, its folders set as start-up
// sets them, with the system's configuration folders (and so the system
// autostart folder) inside the test's home, where a write would show.
struct TOptionsWindow : TEditorWindow {
    explicit TOptionsWindow(const QByteArray &xml = entries(note("first note") + currentTask("first task")))
        : TEditorWindow(xml)
    {
        w().TamselLocation = home.dataFolder() + QLatin1Char('/');
        w().AlternateLocation = home.dataFolder() + QLatin1Char('/');
        QVERIFY(w().EncryptXMLFile());
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(home.path() + QStringLiteral("/xdg")));
    }
    ~TOptionsWindow() { qunsetenv("XDG_CONFIG_DIRS"); }

    // Tools > Options, the dialog driven as the user would drive it.
    void runOptions(const OptionsSeam::TDriver &driver) const
    {
        OptionsSeam::setNextDriver([driver](TfrmOptions &options) {
            options.show();
            (void)QTest::qWaitForWindowExposed(&options);
            return driver(options);
        });
        w().mnuOptions->trigger();
        QVERIFY(!OptionsSeam::hasPendingAnswers());
    }

    QString folder(const QString &name) const
    {
        const QString path = home.path() + QLatin1Char('/') + name;
        QDir().mkpath(path);
        return path;
    }
};

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}

void setTicked(QAbstractButton *button, bool ticked)
{
    if (button->isChecked() != ticked)
        click(button);
}

// Selects the field's text and types over it, as the user replaces a value.
void replaceText(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

// The titles of the entries in a store, in document order.
QStringList storedTitles(const QString &path, const QString &passPhrase)
{
    const std::shared_ptr<StoreFile::TOpenedEntries> opened = StoreFile::OpenEntries(path, passPhrase);
    if (opened->failure)
        return { QStringLiteral("<not opened: %1>").arg(*opened->failure) };
    QStringList titles;
    for (pugi::xml_node entry = opened->document.Root().first_child(); entry; entry = entry.next_sibling())
        titles << QString::fromUtf8(entry.child("Title").child_value());
    return titles;
}

QStringList shownTitles(const TfrmMain &w)
{
    QStringList titles;
    for (TEntryListModel *model : { w.NotesModel, w.TasksModel })
        for (int row = 0; row < model->rowCount(); ++row)
            titles << model->entryAt(row)->title();
    titles.sort();
    return titles;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a store of its own into a folder: entries that are not the window's.
void writeStore(const QString &folder, const QByteArray &xml, const QString &passPhrase)
{
    StoreFile::SaveStore(folder + QStringLiteral("/brindo.dat"), StoreFile::PassPhraseBytes(passPhrase), xml);
}

int pixelsNear(const QImage &image, const QRect &rect, const QColor &color)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - color.red()) + std::abs(pixel.green() - color.green())
                    + std::abs(pixel.blue() - color.blue())
                < 40)
                ++count;
        }
    return count;
}

// Reads the program path back out of a desktop entry's Exec value as a
// desktop session does: string escapes first, then the quoting of arguments.
QStringList execArguments(const QByteArray &entry)
{
    QString exec;
    for (const QByteArray &line : entry.split('\n'))
        if (line.startsWith("Exec="))
            exec = QString::fromUtf8(line.mid(5));
    QString unescaped;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] == QLatin1Char('\\') && i + 1 < exec.size()) {
            const QChar next = exec[++i];
            unescaped += next == QLatin1Char('s') ? QLatin1Char(' ') : next;
        } else {
            unescaped += exec[i];
        }
    }
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < unescaped.size()) {
            current += unescaped[++i];
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c == QLatin1Char('%') && i + 1 < unescaped.size() && unescaped[i + 1] == QLatin1Char('%')) {
            current += c;
            ++i;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (any || !current.isEmpty())
                arguments << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        arguments << current;
    return arguments;
}

class TFakeSoundPlayer : public TSoundPlayer {
public:
    bool playWav(const QString &path) override
    {
        played << path;
        return true;
    }
    QStringList played;
};
} // namespace

class tst_Options : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        Clock::setFixed(QDateTime(QDate(2024, 3, 1), QTime(12, 0)));
    }
    void cleanup()
    {
        Clock::clearFixed();
        QVERIFY(!MessageDlgSeam::hasPendingAnswers());
        QVERIFY(!ColorPickerSeam::hasPendingDriver());
        QVERIFY(!StorePassPhraseSeam::hasPendingAnswers());
        MessageDlgSeam::takeAskedDialogs();
    }

    void opensOnFirstPageWithTheSettings()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        w.LoadNotesOnSearch = true;
        w.AutoSave = true;
        w.AutoSaveAfterTime = 7;
        w.DefaultSaveSetting = 1;
        w.DefaultPrintSetting = 2;
        w.OverdueColor = 0x123456;
        w.DisplayReminders = false;
        w.ReminderNotifications = false;
        w.ReminderSoundInfo = { true, false, QStringLiteral("/nowhere/gone.wav") };
        w.UseAlternateLocation = true;
        w.AlternateLocation = f.folder(QStringLiteral("elsewhere"));
        TfrmOptions options(w);
        QCOMPARE(options.windowTitle(), QStringLiteral("Tamsel Options"));
        QCOMPARE(options.pgcOptions->currentIndex(), 0);
        QCOMPARE(options.pgcOptions->tabText(0).remove(QLatin1Char('&')), QStringLiteral("Actions"));
        QVERIFY(options.chkLoadNotesOnSearch->isChecked());
        QVERIFY(!options.chkConfirmOnDelete->isChecked());
        QCOMPARE(options.edtSaveMinutes->text(), QStringLiteral("7"));
        QCOMPARE(options.lblMinute->text(), QStringLiteral("Minutes"));
        QVERIFY(options.radSaveTab->isChecked());
        QVERIFY(options.radPrintAll->isChecked());
        QCOMPARE(options.shpOverdue->color(), ColorFromWindows(0x123456));
        QCOMPARE(options.shpComplete->color(), ColorFromWindows(w.CompleteColor));
        QVERIFY(!options.chkDisplayReminders->isChecked());
        QVERIFY(!options.chkReminderNotifications->isChecked());
        QVERIFY(!options.chkReminderNotifications->isEnabled());
        QVERIFY(!options.chkPlaySound->isEnabled());
        QVERIFY(options.radAlternateSound->isChecked());
        QVERIFY(!options.radAlternateSound->isEnabled());
        QVERIFY(options.edtBrindoLocation->isEnabled());
        QCOMPARE(options.LocationAtOpen, w.AlternateLocation);
        // The stored paths do not hold OK back when the dialog opens.
        QVERIFY(options.btnOK->isEnabled());
        // The installed dictionaries, as the main window's list offers them.
        QVERIFY(options.cboSpellCheck->isEnabled());
        QCOMPARE(options.cboSpellCheck->count(), w.cboSpellCheck->count());
        for (int row = 0; row < w.cboSpellCheck->count(); ++row)
            QCOMPARE(options.cboSpellCheck->itemText(row), w.cboSpellCheck->itemText(row));
        QCOMPARE(options.cboSpellCheck->currentIndex(), w.SpellCheckerLanguage);
        // Without a dictionary the controls are off and say so.
        options.FillSpellingLanguages({});
        QVERIFY(!options.cboSpellCheck->isEnabled());
        QVERIFY(!options.chkSpellCheckSave->isEnabled());
        QVERIFY(options.lblSpellingHint->text().contains(QStringLiteral("not available")));
    }

    void minutesField_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("backspaces");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("label");
        QTest::newRow("75 becomes 60") << "15" << true << "75" << 0 << "60" << "Minutes";
        QTest::newRow("60 stays") << "15" << true << "60" << 0 << "60" << "Minutes";
        QTest::newRow("5") << "15" << true << "5" << 0 << "5" << "Minutes";
        QTest::newRow("1 is one minute") << "15" << true << "1" << 0 << "1" << "Minute";
        QTest::newRow("a letter is not entered") << "15" << true << "a" << 0 << "15" << "Minutes";
        QTest::newRow("letter after a digit") << "15" << true << "4x" << 0 << "4" << "Minutes";
        QTest::newRow("a third digit") << "12" << false << "3" << 0 << "12" << "Minutes";
        QTest::newRow("cleared becomes 1") << "15" << false << "" << 2 << "1" << "Minute";
    }
    void minutesField()
    {
        QFETCH(QString, start);
        QFETCH(bool, replace);
        QFETCH(QString, typed);
        QFETCH(int, backspaces);
        QFETCH(QString, field);
        QFETCH(QString, label);
        TOptionsWindow f;
        f.w().AutoSave = true;
        f.w().AutoSaveAfterTime = start.toInt();
        TfrmOptions options(f.w());
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        QLineEdit *edit = options.edtSaveMinutes;
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_End);
        if (replace)
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        for (int i = 0; i < backspaces; ++i)
            QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), field);
        QCOMPARE(options.lblMinute->text(), label);
        QCOMPARE(options.updAutoSave->Position(), field.toInt());
    }

    // The dialog speaks of this desktop: no caption or hint names Windows or
    // its parts, and the start-up entry is one of logging in.
    void wordingOfThisDesktop()
    {
        TOptionsWindow f;
        TfrmOptions options(f.w());
        QStringList windowsOnly;
        for (QWidget *widget : options.findChildren<QWidget *>()) {
            QStringList texts { widget->toolTip() };
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                texts.append(button->text());
            if (auto *label = qobject_cast<QLabel *>(widget))
                texts.append(label->text());
            for (const QString &text : texts)
                if (text.contains(QStringLiteral("Windows")) || text.contains(QStringLiteral("System Tray")))
                    windowsOnly.append(widget->objectName() + QStringLiteral(": ") + text);
        }
        QVERIFY2(windowsOnly.isEmpty(), qPrintable(windowsOnly.join(QStringLiteral("; "))));
        QCOMPARE(options.chkAutoStart->text().remove(QLatin1Char('&')), QStringLiteral("Start Tamsel when I log in"));
    }

    // Only the page in view takes its access keys: on each page every key
    // leads to one place, the tabs and the buttons below included.
    void accessKeysPerPage()
    {
        TOptionsWindow f;
        TfrmOptions options(f.w());
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        for (int page = 0; page < options.pgcOptions->count(); ++page) {
            options.pgcOptions->setCurrentIndex(page);
            QMap<QChar, QStringList> keys;
            const auto add = [&keys](const QString &caption) {
                if (const QChar key = AccessKeys::keyOf(caption); !key.isNull())
                    keys[key].append(caption);
            };
            for (QAbstractButton *button : options.findChildren<QAbstractButton *>())
                if (button->isVisibleTo(&options))
                    add(button->text());
            for (QLabel *label : options.findChildren<QLabel *>())
                if (label->isVisibleTo(&options) && label->buddy())
                    add(label->text());
            for (int tab = 0; tab < options.pgcOptions->count(); ++tab)
                add(options.pgcOptions->tabText(tab));
            for (auto key = keys.cbegin(); key != keys.cend(); ++key)
                QVERIFY2(key.value().size() == 1, qPrintable(key.value().join(QStringLiteral(", "))));
            QVERIFY(keys.size() >= 6);
        }
    }

    void zeroMinutesUnticksAutoSave()
    {
        TOptionsWindow f;
        TfrmOptions options(f.w());
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        replaceText(options.edtSaveMinutes, QStringLiteral("0"));
        click(options.chkAutoSave);
        QVERIFY(!options.chkAutoSave->isChecked());
        replaceText(options.edtSaveMinutes, QStringLiteral("3"));
        click(options.chkAutoSave);
        QVERIFY(options.chkAutoSave->isChecked());
    }

    // OK takes the settings over and the timers follow them at once.
    void timersFollowOk_data()
    {
        QTest::addColumn<bool>("autoSave");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<bool>("reminders");
        QTest::addColumn<int>("storedMinutes");
        QTest::newRow("autosave every 5 minutes") << true << "5" << true << 5;
        QTest::newRow("autosave off stores 15") << false << "5" << true << 15;
        QTest::newRow("reminders off") << true << "42" << false << 42;
        QTest::newRow("both off") << false << "9" << false << 15;
    }
    void timersFollowOk()
    {
        QFETCH(bool, autoSave);
        QFETCH(QString, minutes);
        QFETCH(bool, reminders);
        QFETCH(int, storedMinutes);
        TOptionsWindow f;
        TfrmMain &w = f.w();
        w.AutoSave = !autoSave;
        w.AutoSaveAfterTime = 20;
        w.DisplayReminders = !reminders;
        w.ResetTimerState();
        f.runOptions([&](TfrmOptions &o) {
            replaceText(o.edtSaveMinutes, minutes);
            setTicked(o.chkAutoSave, autoSave);
            o.pgcOptions->setCurrentIndex(1);
            setTicked(o.chkDisplayReminders, reminders);
            click(o.btnOK);
            return o.result();
        });
        QCOMPARE(w.AutoSave, autoSave);
        QCOMPARE(w.AutoSaveAfterTime, storedMinutes);
        QCOMPARE(w.DisplayReminders, reminders);
        QCOMPARE(w.timAutoSave->isActive(), autoSave);
        QCOMPARE(w.timAutoSave->interval(), storedMinutes * 60000);
        QCOMPARE(w.timReminder->isActive(), reminders);

        // The next opening shows what was stored.
        TfrmOptions again(w);
        QCOMPARE(again.edtSaveMinutes->text(), QString::number(storedMinutes));
        QCOMPARE(again.chkAutoSave->isChecked(), autoSave);
    }

    // The spelling page shows the language the checker uses, British English
    // until another is chosen; OK without a change keeps it.
    void spellingLanguageShownIsTheOneUsed()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        QCOMPARE(w.splChecker->language(), QStringLiteral("en_GB"));
        QString shown;
        f.runOptions([&](TfrmOptions &o) {
            shown = o.cboSpellCheck->currentText();
            click(o.btnOK);
            return o.result();
        });
        QCOMPARE(shown, QStringLiteral("English (United Kingdom)"));
        QCOMPARE(w.splChecker->language(), QStringLiteral("en_GB"));
        QCOMPARE(w.cboSpellCheck->currentText(), shown);
        QCOMPARE(w.SpellCheckerType, 0);
    }

    // The language picked on the spelling page becomes the checker's on OK,
    // and nothing changes on Cancel.
    void spellingLanguageFollowsOk()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        QVERIFY2(w.cboSpellCheck->count() >= 2, "the en-GB and en-US dictionaries are installed");
        const QString before = w.splChecker->language();
        // A row whose language the checker does not use yet.
        const int other = w.cboSpellCheck->language(0)->tag == before ? 1 : 0;
        f.runOptions([&](TfrmOptions &o) {
            o.cboSpellCheck->setCurrentIndex(other);
            click(o.btnCancel);
            return o.result();
        });
        QCOMPARE(w.splChecker->language(), before);
        f.runOptions([&](TfrmOptions &o) {
            o.cboSpellCheck->setCurrentIndex(other);
            click(o.btnOK);
            return o.result();
        });
        QCOMPARE(w.SpellCheckerLanguage, other);
        QCOMPARE(w.cboSpellCheck->currentIndex(), other);
        QCOMPARE(w.splChecker->language(), w.cboSpellCheck->language(other)->tag);
    }

    void okTakesOverEveryControl()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        f.runOptions([&](TfrmOptions &o) {
            click(o.chkLoadNotesOnSearch);
            click(o.chkConfirmOnDelete);
            click(o.radSaveTab);
            click(o.radPrintTab);
            o.spnBackupCount->setFocus();
            o.spnBackupCount->selectAll();
            QTest::keyClicks(o.spnBackupCount, QStringLiteral("3"));
            o.pgcOptions->setCurrentIndex(1);
            click(o.chkReminderNotifications);
            click(o.chkPlaySound);
            click(o.chkStrikeout);
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkStartMinimized);
            click(o.chkCheckUpdatesOnStartup);
            click(o.chkCloseFromMenuOnly);
            click(o.btnOK);
            return o.result();
        });
        QVERIFY(w.LoadNotesOnSearch);
        QVERIFY(w.ConfirmOnDelete);
        QCOMPARE(w.DefaultSaveSetting, 1);
        QCOMPARE(w.DefaultPrintSetting, 1);
        QCOMPARE(w.BackupCount, 3);
        QVERIFY(!w.ReminderNotifications);
        QVERIFY(w.ReminderSoundInfo.PlaySoundOnReminder);
        QVERIFY(!w.StrikeoutComplete);
        QVERIFY(w.StartMinimized);
        QVERIFY(w.CheckForUpdatesOnStartup);
        QVERIFY(w.CloseOnMenuOnly);
    }

    void cancelChangesNothing()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        w.AutoSave = true;
        w.AutoSaveAfterTime = 10;
        w.ResetTimerState();
        const QString otherFolder = f.folder(QStringLiteral("other"));
        const auto snapshot = [&w] {
            return QVariantList { w.CloseOnMenuOnly, w.StartMinimized, w.AutoSave, w.AutoSaveAfterTime,
                w.CheckForUpdatesOnStartup, w.LoadNotesOnSearch, w.ConfirmOnDelete, w.BackupCount, w.DefaultSaveSetting,
                w.DefaultPrintSetting, w.SpellCheckerLanguage, w.CheckSpellingOnSave, w.CurrentColor,
                w.CompleteColor, w.OverdueColor, w.NevermindColor, w.DisplayReminders, w.ReminderNotifications, w.StrikeoutComplete,
                w.ReminderSoundInfo.PlaySoundOnReminder, w.ReminderSoundInfo.UseDefaultSound,
                w.ReminderSoundInfo.AlternateSound, w.UseAlternateLocation, w.AlternateLocation, w.TamselLocation,
                w.AutoStartWithWindows, w.StoreFilePath, w.timAutoSave->isActive(), w.timAutoSave->interval(),
                w.timReminder->isActive() };
        };
        const QVariantList before = snapshot();
        const QByteArray store = fileBytes(w.StoreFilePath);

        ColorPickerSeam::setNextDriver([](TfrmColorPicker &picker) {
            picker.hsColor->SetSelectedColor(QColor(10, 200, 30));
            return int(QDialog::Accepted);
        });
        f.runOptions([&](TfrmOptions &o) {
            click(o.chkLoadNotesOnSearch);
            click(o.chkAutoSave);
            replaceText(o.edtSaveMinutes, QStringLiteral("33"));
            o.spnBackupCount->setValue(2);
            click(o.radSaveTab);
            o.pgcOptions->setCurrentIndex(1);
            click(o.chkReminderNotifications);
            click(o.chkDisplayReminders);
            click(o.btnOverdue);
            click(o.chkStrikeout);
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkStartMinimized);
            click(o.chkAutoStart);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, otherFolder);
            click(o.btnCancel);
            return o.result();
        });
        QCOMPARE(snapshot(), before);
        QCOMPARE(fileBytes(w.StoreFilePath), store);
        QVERIFY(!QFile::exists(otherFolder + QStringLiteral("/brindo.dat")));
        QVERIFY(!QFile::exists(StartupShortcut::filePath()));
    }

    // OK is held back while a chosen sound file or storage folder is missing;
    // the play button needs the file and "Play Sound On Reminder".
    void soundAndFolderValidation_data()
    {
        QTest::addColumn<bool>("alternateSound");
        QTest::addColumn<QString>("soundFile");
        QTest::addColumn<bool>("playTicked");
        QTest::addColumn<QString>("storageFolder"); // empty: the alternate location unticked
        QTest::addColumn<bool>("okEnabled");
        QTest::addColumn<bool>("playEnabled");
        QTest::newRow("default sound") << false << "" << true << "" << true << false;
        QTest::newRow("alternate, empty") << true << "" << true << "" << false << false;
        QTest::newRow("alternate, missing") << true << "%home/gone.wav" << true << "" << false << false;
        QTest::newRow("alternate, a folder") << true << "%home" << true << "" << false << false;
        QTest::newRow("alternate, existing") << true << "%home/ring.wav" << true << "" << true << true;
        QTest::newRow("existing, play unticked") << true << "%home/ring.wav" << false << "" << true << false;
        QTest::newRow("folder missing") << false << "" << true << "%home/gone" << false << false;
        QTest::newRow("folder exists") << false << "" << true << "%home" << true << false;
        QTest::newRow("folder a file") << false << "" << true << "%home/ring.wav" << false << false;
    }
    void soundAndFolderValidation()
    {
        QFETCH(bool, alternateSound);
        QFETCH(QString, soundFile);
        QFETCH(bool, playTicked);
        QFETCH(QString, storageFolder);
        QFETCH(bool, okEnabled);
        QFETCH(bool, playEnabled);
        TOptionsWindow f;
        QFile wav(f.home.path() + QStringLiteral("/ring.wav"));
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.close();
        soundFile.replace(QStringLiteral("%home"), f.home.path());
        storageFolder.replace(QStringLiteral("%home"), f.home.path());

        TfrmOptions options(f.w());
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        options.pgcOptions->setCurrentIndex(1);
        setTicked(options.chkDisplayReminders, true);
        setTicked(options.chkPlaySound, true);
        click(alternateSound ? options.radAlternateSound : options.radDefaultSound);
        if (alternateSound)
            replaceText(options.edtAlternateSound, soundFile);
        setTicked(options.chkPlaySound, playTicked);
        options.pgcOptions->setCurrentIndex(2);
        if (!storageFolder.isEmpty()) {
            click(options.chkUseAlternateLocation);
            replaceText(options.edtBrindoLocation, storageFolder);
        }
        QCOMPARE(options.btnOK->isEnabled(), okEnabled);
        QCOMPARE(options.btnPlaySound->isEnabled(), playEnabled);
    }

    void soundControlsFollowTheBoxes()
    {
        TOptionsWindow f;
        f.w().ReminderSoundInfo = { true, false, QString() };
        TfrmOptions options(f.w());
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        options.pgcOptions->setCurrentIndex(1);
        const auto soundControls = [&] {
            return QList<bool> { options.chkPlaySound->isEnabled(), options.radDefaultSound->isEnabled(),
                options.radAlternateSound->isEnabled(), options.edtAlternateSound->isEnabled(),
                options.btnAlternateSound->isEnabled() };
        };
        QCOMPARE(soundControls(), QList<bool>({ true, true, true, true, true }));
        click(options.chkDisplayReminders);
        QCOMPARE(soundControls(), QList<bool>({ false, false, false, false, false }));
        click(options.chkDisplayReminders);
        click(options.radDefaultSound);
        QCOMPARE(soundControls(), QList<bool>({ true, true, true, false, false }));
        click(options.chkPlaySound);
        QCOMPARE(soundControls(), QList<bool>({ true, false, false, false, false }));
    }

    void browseAndPlay()
    {
        TOptionsWindow f;
        const QString sound = f.home.path() + QStringLiteral("/bell.wav");
        QFile wav(sound);
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.close();
        TFakeSoundPlayer player;
        TSoundPlayer::setCurrent(&player);
        TfrmOptions options(f.w());
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        options.pgcOptions->setCurrentIndex(1);
        setTicked(options.chkPlaySound, true);
        click(options.radAlternateSound);
        OptionsSeam::setNextOpenFileName(sound);
        click(options.btnAlternateSound);
        QCOMPARE(options.edtAlternateSound->text(), sound);
        click(options.btnPlaySound);
        TSoundPlayer::setCurrent(nullptr);
        QCOMPARE(player.played, QStringList { sound });

        // The storage folder is the folder picked; Cancel keeps it.
        options.pgcOptions->setCurrentIndex(2);
        click(options.chkUseAlternateLocation);
        const QString folder = f.folder(QStringLiteral("picked"));
        OptionsSeam::setNextFolder(folder + QLatin1Char('/'));
        click(options.btnStorageDir);
        QCOMPARE(options.edtBrindoLocation->text(), folder);
        OptionsSeam::setNextFolder(QString());
        click(options.btnStorageDir);
        QCOMPARE(options.edtBrindoLocation->text(), folder);
        QVERIFY(!OptionsSeam::hasPendingAnswers());
    }

    // The storage folder's "..." is a folder chooser, opened on the folder in
    // the field; the folder chosen there goes into the field.
    void storageFolderIsChosenAsAFolder()
    {
        TOptionsWindow f;
        const QString start = f.folder(QStringLiteral("start"));
        const QString chosen = f.folder(QStringLiteral("start/chosen"));
        TfrmOptions options(f.w());
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        options.pgcOptions->setCurrentIndex(2);
        click(options.chkUseAlternateLocation);
        replaceText(options.edtBrindoLocation, start);
        QString title;
        QString opened;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        bool dirsOnly = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            opened = dialog->directory().absolutePath();
            mode = dialog->fileMode();
            dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
            // A file dialog would only open the folder on accept, and wait.
            if (mode != QFileDialog::Directory) {
                dialog->reject();
                return;
            }
            dialog->selectFile(chosen);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        click(options.btnStorageDir);
        QCOMPARE(title, QStringLiteral("Select alternate file location..."));
        QCOMPARE(opened, QDir(start).absolutePath());
        QCOMPARE(mode, QFileDialog::Directory);
        QVERIFY(dirsOnly);
        QCOMPARE(options.edtBrindoLocation->text(), chosen);
        QVERIFY(options.btnOK->isEnabled());
    }

    // The colour chosen in the picker is the colour stored and painted;
    // Cancel in either dialog keeps the old one.
    void colourChoice_data()
    {
        QTest::addColumn<bool>("pickerOk");
        QTest::addColumn<bool>("optionsOk");
        QTest::newRow("OK, OK") << true << true;
        QTest::newRow("picker Cancel") << false << true;
        QTest::newRow("picker OK, options Cancel") << true << false;
    }
    void colourChoice()
    {
        QFETCH(bool, pickerOk);
        QFETCH(bool, optionsOk);
        TOptionsWindow f(entries(currentTask("due later")));
        TfrmMain &w = f.w();
        // Large green letters, so the row shows its colour in many pixels.
        w.EntryFont = QFont(QStringLiteral("DejaVu Sans"), 20, QFont::Bold);
        w.CurrentColor = 0x00B000;
        w.LoadNotes();
        const int before = w.CurrentColor;
        QColor chosen;
        QColor shownSelected;
        QString title;
        QColor startedFrom;
        QColor shape;
        ColorPickerSeam::setNextDriver([&](TfrmColorPicker &picker) {
            picker.show();
            (void)QTest::qWaitForWindowExposed(&picker);
            title = picker.windowTitle();
            startedFrom = picker.shpCurrent->color();
            THSLColorPicker *plane = picker.hsColor;
            // A hue a third of the way along, fully saturated, then lighter on the bar.
            QTest::mouseClick(plane, Qt::LeftButton, {}, QPoint((plane->width() - 26) / 3, 2));
            QTest::mouseClick(plane, Qt::LeftButton, {}, QPoint(plane->width() - 9, plane->height() / 3));
            chosen = picker.SelectedColor();
            shownSelected = picker.shpSelected->color();
            (pickerOk ? picker.btnOK : picker.btnCancel)->click();
            return picker.result();
        });
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(1);
            click(o.btnRegular);
            shape = o.shpRegular->color();
            (optionsOk ? o.btnOK : o.btnCancel)->click();
            return o.result();
        });
        QCOMPARE(title, QStringLiteral("Select \"Current\" Task Color"));
        QCOMPARE(startedFrom, ColorFromWindows(before));
        QCOMPARE(shownSelected, chosen);
        QVERIFY(chosen != ColorFromWindows(before));
        QCOMPARE(shape, pickerOk ? chosen : ColorFromWindows(before));
        const int expected = pickerOk && optionsOk ? WindowsFromColor(chosen) : before;
        QCOMPARE(w.CurrentColor, expected);

        w.pgcData->setCurrentWidget(w.tabTasks);
        w.lsvTasks->clearSelection();
        w.lsvTasks->setCurrentIndex({});
        QCoreApplication::processEvents();
        const QImage image = w.lsvTasks->viewport()->grab().toImage();
        const QRect row = w.lsvTasks->visualRect(w.TasksModel->index(0, 0));
        QVERIFY(pixelsNear(image, row, ColorFromWindows(expected)) > 10);
        if (expected != before)
            QCOMPARE(pixelsNear(image, row, ColorFromWindows(before)), 0);
    }

    void pickerTitlesFollowTheButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("current") << "btnRegular" << "Select \"Current\" Task Color";
        QTest::newRow("overdue") << "btnOverdue" << "Select \"Overdue\" Task Color";
        QTest::newRow("complete") << "btnComplete" << "Select \"Completed\" Task Color";
        QTest::newRow("nevermind") << "btnNevermind" << "Select \"Nevermind\" Task Color";
    }
    void pickerTitlesFollowTheButton()
    {
        QFETCH(QString, button);
        QFETCH(QString, title);
        TOptionsWindow f;
        TfrmOptions options(f.w());
        QString shown;
        ColorPickerSeam::setNextDriver([&](TfrmColorPicker &picker) {
            shown = picker.windowTitle();
            return int(QDialog::Rejected);
        });
        options.findChild<QPushButton *>(button)->click();
        QCOMPARE(shown, title);
    }

    // The keyboard picks as the mouse does, and the selected swatch follows.
    void pickerKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("hint");
        QTest::newRow("right: hue up") << int(Qt::Key_Right) << false << "H: 101 S: 100 L: 100";
        QTest::newRow("shift right: ten") << int(Qt::Key_Right) << true << "H: 110 S: 100 L: 100";
        QTest::newRow("left: hue down") << int(Qt::Key_Left) << false << "H: 99 S: 100 L: 100";
        QTest::newRow("up: more saturated") << int(Qt::Key_Up) << false << "H: 100 S: 101 L: 100";
        QTest::newRow("down: less saturated") << int(Qt::Key_Down) << false << "H: 100 S: 99 L: 100";
        QTest::newRow("page up: lighter") << int(Qt::Key_PageUp) << false << "H: 100 S: 100 L: 101";
        QTest::newRow("page down: darker") << int(Qt::Key_PageDown) << true << "H: 100 S: 100 L: 90";
    }
    void pickerKeys()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(QString, hint);
        TfrmColorPicker picker;
        picker.SetCurrentColor(QColor::fromHsl(100, 100, 100));
        QTest::keyClick(picker.hsColor, Qt::Key(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(picker.hsColor->FormatHint(QStringLiteral("H: %h S: %hslS L: %l")), hint);
        QCOMPARE(picker.shpSelected->color(), picker.SelectedColor());
        QCOMPARE(picker.shpCurrent->color().rgb(), QColor::fromHsl(100, 100, 100).rgb());
    }

    void pickerHints()
    {
        THSLColorPicker picker;
        picker.SetSelectedColor(QColor::fromHsl(120, 200, 100));
        QCOMPARE(picker.FormatHint(picker.HSPickerHintFormat),
            QStringLiteral("H: 120 S: 200\nHex: ") + QColor::fromHsl(120, 200, 100).name().mid(1).toUpper());
        QCOMPARE(picker.FormatHint(picker.LPickerHintFormat), QStringLiteral("Luminance: 100"));
        // A colour set from outside is kept exactly, also where the grid has no point for it.
        const QColor odd(1, 2, 3);
        picker.SetSelectedColor(odd);
        QCOMPARE(picker.SelectedColor(), odd);
    }

    // The start-up entry is written or removed exactly when the box changes.
    void autoStartEntry_data()
    {
        QTest::addColumn<bool>("settingWas");
        QTest::addColumn<bool>("fileBefore");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("fileAfter");
        QTest::addColumn<bool>("written");
        QTest::newRow("ticked: created") << false << false << true << true << true;
        QTest::newRow("ticked over a stale entry: replaced") << false << true << true << true << true;
        QTest::newRow("unticked: deleted") << true << true << false << false << false;
        QTest::newRow("unticked, already gone") << true << false << false << false << false;
        QTest::newRow("left on, deleted by hand: not re-created") << true << false << true << false << false;
        QTest::newRow("left off, left behind: not removed") << false << true << false << true << false;
    }
    void autoStartEntry()
    {
        QFETCH(bool, settingWas);
        QFETCH(bool, fileBefore);
        QFETCH(bool, tick);
        QFETCH(bool, fileAfter);
        QFETCH(bool, written);
        TOptionsWindow f;
        TfrmMain &w = f.w();
        w.AutoStartWithWindows = settingWas;
        // The user's own autostart folder; the system's is every user's.
        const QString path = StartupShortcut::filePath();
        QCOMPARE(path, f.home.path() + QStringLiteral("/config/autostart/Tamsel.desktop"));
        const QByteArray stale = "[Desktop Entry]\nType=Application\nName=Old\nExec=old\n";
        if (fileBefore) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(stale);
        }
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            setTicked(o.chkAutoStart, tick);
            click(o.btnOK);
            return o.result();
        });
        QCOMPARE(w.AutoStartWithWindows, tick);
        QCOMPARE(QFile::exists(path), fileAfter);
        if (fileAfter && !written)
            QCOMPARE(fileBytes(path), stale);
        if (written) {
            const QByteArray entry = fileBytes(path);
            QCOMPARE(execArguments(entry),
                QStringList({ QCoreApplication::applicationFilePath(), QStringLiteral("-0") }));
            QVERIFY(entry.contains(QByteArray(QByteArray("\nPath=") + QFile::encodeName(QCoreApplication::applicationDirPath()) + "/\n")));
            QProcess validate;
            validate.start(QStringLiteral("desktop-file-validate"), { path });
            QVERIFY2(validate.waitForFinished(), "desktop-file-validate (desktop-file-utils) did not run");
            const QByteArray said = validate.readAllStandardOutput() + validate.readAllStandardError();
            QVERIFY2(validate.exitCode() == 0 && said.isEmpty(), said.constData());
            QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::WriteOther), QFile::ReadOther);
        }
        QVERIFY(!QFileInfo::exists(f.home.path() + QStringLiteral("/xdg/autostart")));
    }

    // Program paths with characters a desktop entry must escape.
    void autoStartEntryQuoting_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << "/usr/bin/tamsel";
        QTest::newRow("blanks") << "/opt/My Apps/tamsel";
        QTest::newRow("quotes, dollar, backtick") << "/opt/a \"b\" $HOME `c`/tamsel";
        QTest::newRow("percent and backslash") << "/opt/100% sure/back\\slash/tamsel";
    }
    void autoStartEntryQuoting()
    {
        QFETCH(QString, program);
        const QByteArray entry = StartupShortcut::entryText(program);
        QCOMPARE(execArguments(entry), QStringList({ program, QStringLiteral("-0") }));
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/Tamsel.desktop");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(entry);
        file.close();
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), { path });
        QVERIFY2(validate.waitForFinished(), "desktop-file-validate (desktop-file-utils) did not run");
        const QByteArray said = validate.readAllStandardOutput() + validate.readAllStandardError();
        QVERIFY2(validate.exitCode() == 0 && said.isEmpty(), said.constData());
    }

    // The box is enabled exactly when the user's autostart folder can be
    // written, or created where it is missing; the system's folder does not
    // count. A file in the folder's place blocks every user, root too.
    void autoStartNeedsAWritableFolder_data()
    {
        QTest::addColumn<QString>("inPlace"); // "folder", "file", "link" or "" (nothing)
        QTest::addColumn<bool>("enabled");
        QTest::newRow("the folder") << "folder" << true;
        QTest::newRow("no folder yet") << "" << true;
        QTest::newRow("a file in its place") << "file" << false;
        QTest::newRow("a dangling link in its place") << "link" << false;
    }
    void autoStartNeedsAWritableFolder()
    {
        QFETCH(QString, inPlace);
        QFETCH(bool, enabled);
        TOptionsWindow f;
        const QString autostart = f.home.path() + QStringLiteral("/config/autostart");
        QCOMPARE(StartupShortcut::folder(), autostart);
        if (inPlace == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(autostart));
        else if (inPlace == QLatin1String("file"))
            writeFile(autostart, "not a folder");
        else if (inPlace == QLatin1String("link"))
            QVERIFY(QFile::link(f.home.path() + QStringLiteral("/gone"), autostart));
        // The system's folder, writable here, changes nothing.
        f.folder(QStringLiteral("xdg/autostart"));
        TfrmOptions options(f.w());
        QCOMPARE(options.chkAutoStart->isEnabled(), enabled);
    }

    void autoStartNeedsAWritableUserFolder()
    {
        if (::geteuid() == 0)
            QSKIP("every folder is writable for root; a file in the folder's place is tested above");
        TOptionsWindow f;
        const QString config = f.home.path() + QStringLiteral("/config");
        QVERIFY(QFile::setPermissions(config, QFile::ReadOwner | QFile::ExeOwner));
        TfrmOptions options(f.w());
        QVERIFY(!options.chkAutoStart->isEnabled());
        QVERIFY(QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        TfrmOptions writable(f.w());
        QVERIFY(writable.chkAutoStart->isEnabled());
    }

    // Moving the storage carries the entries into an empty folder; the old
    // store stays as it was, and the next start reads the new one.
    void moveCarriesTheEntries()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        const QString oldStore = w.StoreFilePath;
        const QByteArray oldBytes = fileBytes(oldStore);
        const QString target = f.folder(QStringLiteral("moved"));
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, target);
            click(o.btnOK);
            return o.result();
        });
        const QString newStore = target + QStringLiteral("/brindo.dat");
        QCOMPARE(w.StoreFilePath, newStore);
        QVERIFY(w.UseAlternateLocation);
        QCOMPARE(w.AlternateLocation, target + QLatin1Char('/'));
        QCOMPARE(storedTitles(newStore, w.PassPhrase), QStringList({ "first note", "first task" }));
        QCOMPARE(fileBytes(oldStore), oldBytes);
        QCOMPARE(shownTitles(w), QStringList({ "first note", "first task" }));
        QCOMPARE(QFile::permissions(newStore)
                & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
                    | QFile::ExeOther),
            QFile::Permissions());

        // Later saves go to the new folder only.
        w.actNewNote->trigger();
        f.typeTitle(QStringLiteral("added after the move"));
        w.actSaveNote->trigger();
        w.WaitForSaveInFlight();
        QCOMPARE(storedTitles(newStore, w.PassPhrase), QStringList({ "first note", "first task", "added after the move" }));
        QCOMPARE(fileBytes(oldStore), oldBytes);

        // A start with these settings opens the moved store.
        w.SetPositions();
        QVERIFY(w.KeepPassPhrase());
        f.window.reset();
        TfrmMain next;
        next.FormCreate();
        QCOMPARE(next.StoreFilePath, newStore);
        QCOMPARE(shownTitles(next), QStringList({ "added after the move", "first note", "first task" }));
    }

    // Changes the old folder could no longer take go to the new folder with
    // the rest.
    void moveTakesChangesThatWereNotStored()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        w.StoreFilePath = f.home.path() + QStringLiteral("/unplugged/brindo.dat");
        w.actNewNote->trigger();
        f.typeTitle(QStringLiteral("written nowhere yet"));
        MessageDlgSeam::setNextAnswers({ mrOk });
        w.actSaveNote->trigger();
        w.WaitForSaveInFlight();
        QVERIFY(MessageDlgSeam::takeAskedMessages().value(0).contains(QStringLiteral("NOT saved")));
        QVERIFY(w.Entries->Unstored());

        const QString target = f.folder(QStringLiteral("rescue"));
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, target);
            click(o.btnOK);
            return o.result();
        });
        w.WaitForSaveInFlight();
        QCOMPARE(storedTitles(target + QStringLiteral("/brindo.dat"), w.PassPhrase),
            QStringList({ "first note", "first task", "written nowhere yet" }));
        QVERIFY(!w.Entries->Unstored());
    }

    // Opening the entries of another folder first offers to save the entry
    // being edited, into the entries it belongs to.
    void openingAnotherStoreSavesTheEditorFirst_data()
    {
        QTest::addColumn<int>("saveAnswer");
        QTest::addColumn<QStringList>("oldStoreAfter");
        QTest::addColumn<bool>("opened");
        const QStringList saved { "first note, edited", "first task" };
        const QStringList unchanged { "first note", "first task" };
        QTest::newRow("save") << mrYes << saved << true;
        QTest::newRow("discard") << mrNo << unchanged << true;
        QTest::newRow("cancel") << mrCancel << unchanged << false;
    }
    void openingAnotherStoreSavesTheEditorFirst()
    {
        QFETCH(int, saveAnswer);
        QFETCH(QStringList, oldStoreAfter);
        QFETCH(bool, opened);
        TOptionsWindow f;
        TfrmMain &w = f.w();
        const QString oldStore = w.StoreFilePath;
        w.lsvNotes->setCurrentIndex(w.NotesModel->index(0, 0));
        w.lsvNotesDblClick(w.lsvNotes);
        f.typeTitle(QStringLiteral("first note, edited"));
        QVERIFY(w.actSaveNote->isEnabled());
        const QString target = f.folder(QStringLiteral("shared"));
        writeStore(target, entries(note("their note")), w.PassPhrase);

        MessageDlgSeam::setNextAnswers({ mrYes, saveAnswer });
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, target);
            click(o.btnOK);
            return o.result();
        });
        const QStringList asked = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[1], QStringLiteral("Save changes to the current entry?"));
        QCOMPARE(storedTitles(oldStore, w.PassPhrase), oldStoreAfter);
        QCOMPARE(w.UseAlternateLocation, opened);
        const QStringList expected = opened ? QStringList { "their note" } : QStringList { "first note", "first task" };
        QCOMPARE(shownTitles(w), expected);
        // Cancel keeps the edit in the editor, still to be saved.
        QCOMPARE(w.actSaveNote->isEnabled(), !opened);
    }

    // A folder that holds a store already: the user is asked, and nothing is
    // overwritten or lost whatever the answer.
    void moveIntoAFolderWithAStore_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("targetAfter");
        QTest::addColumn<bool>("moved");
        const QStringList mine { "first note", "first task" };
        const QStringList theirs { "their note" };
        QTest::newRow("open theirs") << mrYes << theirs << theirs << true;
        QTest::newRow("replace theirs") << mrNo << mine << mine << true;
        QTest::newRow("cancel") << mrCancel << mine << theirs << false;
    }
    void moveIntoAFolderWithAStore()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, targetAfter);
        QFETCH(bool, moved);
        TOptionsWindow f;
        TfrmMain &w = f.w();
        const QString oldStore = w.StoreFilePath;
        const QByteArray oldBytes = fileBytes(oldStore);
        const QString target = f.folder(QStringLiteral("shared"));
        writeStore(target, entries(note("their note")), w.PassPhrase);
        const QString targetStore = target + QStringLiteral("/brindo.dat");

        MessageDlgSeam::setNextAnswers({ answer });
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, target);
            click(o.chkAutoStart);
            click(o.btnOK);
            return o.result();
        });
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].message.contains(target), qPrintable(asked[0].message));
        QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbYes | mbNo | mbCancel));

        QCOMPARE(shownTitles(w), shown);
        QCOMPARE(storedTitles(targetStore, w.PassPhrase), targetAfter);
        QCOMPARE(fileBytes(oldStore), oldBytes);
        QCOMPARE(w.StoreFilePath, moved ? targetStore : oldStore);
        QCOMPARE(w.UseAlternateLocation, moved);
        // Keeping the entries where they are is no failure: the rest is taken over.
        QVERIFY(w.AutoStartWithWindows);
        QVERIFY(QFile::exists(StartupShortcut::filePath()));
    }

    // The store there was saved with another password: it is asked for until
    // it opens, and the next start uses it.
    void openingAStoreWithAnotherPassword_data()
    {
        QTest::addColumn<QList<std::optional<QString>>>("typed");
        QTest::addColumn<bool>("opened");
        QTest::newRow("right at once") << QList<std::optional<QString>> { QStringLiteral("theirs") } << true;
        QTest::newRow("wrong, then right")
            << QList<std::optional<QString>> { QStringLiteral("guess"), QStringLiteral("theirs") } << true;
        QTest::newRow("wrong, then cancel")
            << QList<std::optional<QString>> { QStringLiteral("guess"), std::nullopt } << false;
    }
    void openingAStoreWithAnotherPassword()
    {
        QFETCH(QList<std::optional<QString>>, typed);
        QFETCH(bool, opened);
        TOptionsWindow f;
        TfrmMain &w = f.w();
        const QString mine = w.PassPhrase;
        const QString target = f.folder(QStringLiteral("theirs"));
        writeStore(target, entries(note("their note")), QStringLiteral("theirs"));
        MessageDlgSeam::setNextAnswers({ mrYes });
        StorePassPhraseSeam::setNextAnswers(typed);
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, target);
            click(o.btnOK);
            return o.result();
        });
        const QStringList expected = opened ? QStringList { "their note" } : QStringList { "first note", "first task" };
        QCOMPARE(shownTitles(w), expected);
        QCOMPARE(w.PassPhrase, opened ? QStringLiteral("theirs") : mine);
        QCOMPARE(w.UseAlternateLocation, opened);
        QCOMPARE(storedTitles(target + QStringLiteral("/brindo.dat"), QStringLiteral("theirs")),
            QStringList { "their note" });
        if (opened) {
            // A change is stored where it was opened, with its own password.
            w.lsvNotes->setCurrentIndex(w.NotesModel->index(0, 0));
            w.lsvNotesDblClick(w.lsvNotes);
            f.typeTitle(QStringLiteral("their note, changed"));
            w.actSaveNote->trigger();
            w.WaitForSaveInFlight();
            QCOMPARE(storedTitles(target + QStringLiteral("/brindo.dat"), QStringLiteral("theirs")),
                QStringList { "their note, changed" });
            w.SetPositions();
            f.window.reset();
            TfrmMain next;
            next.FormCreate();
            QCOMPARE(next.PassPhrase, QStringLiteral("theirs"));
            QCOMPARE(shownTitles(next), QStringList { "their note, changed" });
        }
    }

    // Back from the alternate folder: the default folder still holds the
    // entries from before the move, so the user chooses.
    void moveBackAsks()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        const QString target = f.folder(QStringLiteral("away"));
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, target);
            click(o.btnOK);
            return o.result();
        });
        QCOMPARE(w.StoreFilePath, target + QStringLiteral("/brindo.dat"));
        MessageDlgSeam::setNextAnswers({ mrNo });
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            click(o.btnOK);
            return o.result();
        });
        QCOMPARE(MessageDlgSeam::takeAskedMessages().size(), 1);
        QVERIFY(!w.UseAlternateLocation);
        QCOMPARE(w.StoreFilePath, f.home.storeFile());
        QCOMPARE(storedTitles(f.home.storeFile(), w.PassPhrase), QStringList({ "first note", "first task" }));
    }

    // The same folder under another spelling moves nothing and asks nothing.
    void sameFolderIsNoMove()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        const QByteArray bytes = fileBytes(w.StoreFilePath);
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, f.home.dataFolder() + QStringLiteral("/../Tamsel//"));
            click(o.btnOK);
            return o.result();
        });
        QCOMPARE(fileBytes(f.home.storeFile()), bytes);
        QVERIFY(w.UseAlternateLocation);
        QCOMPARE(shownTitles(w), QStringList({ "first note", "first task" }));
    }

    // A store that cannot be written in the new folder (here its name leads
    // into a folder that does not exist): the entries stay where they are,
    // the user is told, and the steps after the move are not done.
    void failedMoveKeepsEverything()
    {
        TOptionsWindow f;
        TfrmMain &w = f.w();
        const QString target = f.folder(QStringLiteral("unwritable"));
        QVERIFY(QFile::link(f.home.path() + QStringLiteral("/no/such/folder/brindo.dat"),
            target + QStringLiteral("/brindo.dat")));
        MessageDlgSeam::setNextAnswers({ mrOk });
        f.runOptions([&](TfrmOptions &o) {
            o.pgcOptions->setCurrentIndex(2);
            click(o.chkUseAlternateLocation);
            replaceText(o.edtBrindoLocation, target);
            click(o.chkAutoStart);
            click(o.btnOK);
            return o.result();
        });
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("NOT moved")), qPrintable(told.first()));
        QVERIFY(!w.UseAlternateLocation);
        QCOMPARE(w.StoreFilePath, f.home.storeFile());
        QVERIFY(!w.AutoStartWithWindows);
        QVERIFY(!QFile::exists(StartupShortcut::filePath()));
        QCOMPARE(shownTitles(w), QStringList({ "first note", "first task" }));
    }
};

QTEST_MAIN(tst_Options)
#include "tst_options.moc"
