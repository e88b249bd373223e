// The spell checker on the installed hunspell dictionaries, the check of the
// editor's fields, the word dialog, and the check on save.
#include "diagnostics/MessageDlg.h"
#include "spelling/SpellCheck.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellDialog.h"
#include "spelling/SpellLanguageList.h"
#include "mainwindow/PasswordDlg.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "tests/AccessKeys.h"
#include "tests/EditorFixture.h"
#include "store/EntryDocument.h"
#include "store/XmlDocument.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QDateTime>
#include <QTimer>
#include <sys/stat.h>

using EditorFixture::entries;
using EditorFixture::note;

namespace {
constexpr int office = int(TSpellChecker::TEngineKind::MSOffice);
const TSpellLanguage britishHunspell { QStringLiteral("en_GB"), office };

TSpellAnswer change(const QString &to) { return { TSpellAction::Change, to }; }
TSpellAnswer answer(TSpellAction action) { return { action, {} }; }

QStringList words(const QList<TSpellQuestion> &questions)
{
    QStringList asked;
    for (const TSpellQuestion &question : questions)
        asked << question.word;
    return asked;
}

// A checker on the British hunspell dictionary with a user dictionary in the home.
struct TChecker
{
    TestHome home;
    TSpellChecker checker;
    TChecker()
    {
        checker.UseLanguage(britishHunspell);
        checker.setUserDictionaryPath(home.dataFolder() + QStringLiteral("/user.dic"));
    }

    // Checks a text from a position, answering with the queued answers.
    QStringList asked(QString &text, const QList<TSpellAnswer> &answers, int from = 0)
    {
        SpellDialogSeam::setNextAnswers(answers);
        TSpellRun run;
        CheckText(text, from, checker, [](const TSpellQuestion &q) { return AskSpelling(q, nullptr); }, run);
        return words(SpellDialogSeam::takeAskedQuestions());
    }
};

// The main window on one note, checking with the British hunspell dictionary.
struct TSpellWindow : TEditorWindow
{
    explicit TSpellWindow(const QByteArray &xml = entries(note("Shopping")))
        : TEditorWindow(xml)
    {
        w().splChecker->UseLanguage(britishHunspell);
        doubleClick(w().lsvNotes, 0);
    }

    void setBody(const QString &text) const
    {
        w().redNote->setPlainText(text);
    }
    void setTitle(const QString &text) const { w().edtTitle->setPlainText(text); }
    void caretAt(TRichEditURL *field, int position) const
    {
        QTextCursor cursor = field->textCursor();
        cursor.setPosition(position);
        field->setTextCursor(cursor);
    }
};
} // namespace

class TestSpelling : public QObject
{
    Q_OBJECT

    SpellDialogSeam::TUnansweredHandler failUnanswered;

private slots:
    void initTestCase() { failUnanswered = SpellDialogSeam::setUnansweredHandler({}); }
    void init() { SpellDialogSeam::setUnansweredHandler(failUnanswered); }
    void cleanup()
    {
        QVERIFY(!SpellDialogSeam::hasPendingAnswers());
        SpellDialogSeam::setNextAnswers({});
        SpellDialogSeam::setDialogDriver({});
        SpellDialogSeam::takeAskedQuestions();
    }

    void installedLanguagesOnly_data()
    {
        QTest::addColumn<TSpellChecker::TEngineKind>("kind");
        QTest::newRow("office kind") << TSpellChecker::TEngineKind::MSOffice;
        QTest::newRow("ispell kind") << TSpellChecker::TEngineKind::ISpell;
    }
    void installedLanguagesOnly()
    {
        QFETCH(TSpellChecker::TEngineKind, kind);
        TestHome home;
        TSpellChecker checker;
        checker.setEngineKind(kind);
        const QList<TSpellLanguage> languages = checker.InstalledLanguages();
        QStringList tags;
        for (const TSpellLanguage &language : languages) {
            tags << language.tag;
            // Every language offered opens, with the engine it was listed for.
            QCOMPARE(language.kind, int(kind));
            TSpellChecker user;
            user.UseLanguage(language);
            QVERIFY2(user.hasDictionary(), qPrintable(language.tag));
            QVERIFY(!language.name().isEmpty());
        }
        QVERIFY(tags.contains(QStringLiteral("en_GB")));
        QVERIFY(tags.contains(QStringLiteral("en_US")));
        QCOMPARE(tags.count(QStringLiteral("en_GB")), 1);
        // Languages with no dictionary on the machine are not offered.
        for (const char *missing : { "de_DE", "fr_FR", "nl_NL", "ja_JP" })
            QVERIFY2(!tags.contains(QLatin1String(missing)), missing);
        QCOMPARE(checker.InstalledLanguages().size(), languages.size());
    }

    void languageWithoutDictionaryIsAnError()
    {
        TestHome home;
        TSpellChecker checker;
        checker.UseLanguage({ QStringLiteral("xx_XX"), office });
        QVERIFY(!checker.hasDictionary());
        QVERIFY_THROWS_EXCEPTION(ETamselError, checker.isKnown(QStringLiteral("word")));
    }

    void languageListFollowsTheChoice()
    {
        TSpellWindow f;
        TfrmMain &w = f.w();
        int american = -1;
        for (int row = 0; row < w.cboSpellCheck->count(); ++row)
            if (w.cboSpellCheck->language(row)->tag == QLatin1String("en_US"))
                american = row;
        QVERIFY(american >= 0);
        QVERIFY(w.cboSpellCheck->isHidden());
        w.ChooseSpellLanguage(american);
        QCOMPARE(w.SpellCheckerLanguage, american);
        QCOMPARE(w.cboSpellCheck->currentIndex(), american);
        QCOMPARE(w.splChecker->language(), QStringLiteral("en_US"));
        // British spelling is now a mistake.
        QVERIFY(!w.splChecker->isKnown(QStringLiteral("colour")));
        // A row past the list leaves the checker, and the list, as they were.
        w.ChooseSpellLanguage(w.cboSpellCheck->count() + 3);
        QCOMPARE(w.splChecker->language(), QStringLiteral("en_US"));
        QCOMPARE(w.cboSpellCheck->currentIndex(), american);
        QCOMPARE(w.SpellCheckerLanguage, american);
    }

    void optionsLeaveWordsOut_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("ignored");
        QTest::newRow("capitals") << "NASA" << true;
        QTest::newRow("letters and digits") << "abc123" << true;
        QTest::newRow("Roman numeral") << "XIV" << true;
        QTest::newRow("Roman numeral, small letters") << "xiv" << true;
        QTest::newRow("number") << "2024" << true;
        QTest::newRow("capitals, no word") << "QZXN" << true;
        QTest::newRow("digits, no word") << "qzx123" << true;
        QTest::newRow("Roman numeral, no word") << "mcmxx" << true;
        QTest::newRow("capitalised, no word") << "Qzxn" << false;
        QTest::newRow("mixed-case Roman letters") << "Mcmxx" << false;
        QTest::newRow("not a numeral, small") << "ivx" << false;
    }
    void optionsLeaveWordsOut()
    {
        QFETCH(QString, word);
        QFETCH(bool, ignored);
        TChecker f;
        QCOMPARE(f.checker.isIgnored(word), ignored);
        // And the check asks about exactly the words it does not leave out.
        QString text = QStringLiteral("Look at ") + word + QStringLiteral(" here.");
        QCOMPARE(f.asked(text, ignored ? QList<TSpellAnswer> {} : QList<TSpellAnswer> { answer(TSpellAction::Skip) }),
            ignored ? QStringList {} : QStringList { word });
    }

    void optionsSwitchedOffCheckThoseWords()
    {
        TChecker f;
        f.checker.options.ignoreCapitals = false;
        f.checker.options.ignoreDigits = false;
        f.checker.options.ignoreRomanNumerals = false;
        QString text = QStringLiteral("QZXN qzx123 mcmxx");
        QCOMPARE(f.asked(text, { answer(TSpellAction::Skip), answer(TSpellAction::Skip), answer(TSpellAction::Skip) }),
            (QStringList { "QZXN", "qzx123", "mcmxx" }));
    }

    void repeatedWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("afterDelete");
        QTest::newRow("repeated") << "This is the the end." << QStringList { "the" } << "This is the end.";
        QTest::newRow("in other case") << "The the end." << QStringList { "the" } << "The end.";
        QTest::newRow("at a line's start") << "It is\nis it" << QStringList {} << "It is\nis it";
        QTest::newRow("after a comma") << "Yes, yes, it is." << QStringList {} << "Yes, yes, it is.";
    }
    void repeatedWords()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, asked);
        QFETCH(QString, afterDelete);
        TChecker f;
        QList<TSpellAnswer> answers;
        for (qsizetype i = 0; i < asked.size(); ++i)
            answers << answer(TSpellAction::Delete);
        SpellDialogSeam::setNextAnswers(answers);
        TSpellRun run;
        CheckText(text, 0, f.checker, [](const TSpellQuestion &q) { return AskSpelling(q, nullptr); }, run);
        const QList<TSpellQuestion> questions = SpellDialogSeam::takeAskedQuestions();
        QCOMPARE(words(questions), asked);
        for (const TSpellQuestion &question : questions)
            QVERIFY(question.repeated);
        QCOMPARE(text, afterDelete);
    }

    void addedWordIsKnownInTheNextRun()
    {
        TChecker f;
        // Once added, the word is known for the rest of the run too.
        QString text = QStringLiteral("The Quorblex met the Quorblex.");
        QCOMPARE(f.asked(text, { answer(TSpellAction::Add) }), QStringList { "Quorblex" });
        // The next run of a checker started afresh reads the user dictionary.
        TSpellChecker next;
        next.UseLanguage(britishHunspell);
        next.setUserDictionaryPath(f.checker.userDictionaryPath());
        QVERIFY(next.isKnown(QStringLiteral("Quorblex")));
        SpellDialogSeam::setNextAnswers({});
        TSpellRun run;
        QString again = QStringLiteral("Quorblex again.");
        CheckText(again, 0, next, [](const TSpellQuestion &q) { return AskSpelling(q, nullptr); }, run);
        QVERIFY(SpellDialogSeam::takeAskedQuestions().isEmpty());
        // It holds a user's words: for the user only.
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(f.checker.userDictionaryPath()).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
        // Near words of the user dictionary come first among the variants.
        QCOMPARE(next.suggestions(QStringLiteral("Quorblx")).value(0), QStringLiteral("Quorblex"));
    }

    void userDictionaryThatCannotBeWritten()
    {
        TChecker f;
        f.checker.setUserDictionaryPath(f.home.path() + QStringLiteral("/no such folder/user.dic"));
        QVERIFY_THROWS_EXCEPTION(ETamselError, f.checker.addToUserDictionary(QStringLiteral("Quorblex")));
        // Known for this run all the same.
        QVERIFY(f.checker.isKnown(QStringLiteral("Quorblex")));
    }

    void answersShapeTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<TSpellAnswer>>("answers");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("result");
        QTest::newRow("change") << "A speling test." << QList<TSpellAnswer> { change("spelling") }
                                << QStringList { "speling" } << "A spelling test.";
        QTest::newRow("change all") << "speling and speling"
                                    << QList<TSpellAnswer> { { TSpellAction::ChangeAll, "spelling" } }
                                    << QStringList { "speling" } << "spelling and spelling";
        QTest::newRow("skip asks again") << "speling and speling"
                                         << QList<TSpellAnswer> { answer(TSpellAction::Skip),
                                                answer(TSpellAction::Skip) }
                                         << QStringList { "speling", "speling" } << "speling and speling";
        QTest::newRow("skip all") << "speling and speling" << QList<TSpellAnswer> { answer(TSpellAction::SkipAll) }
                                  << QStringList { "speling" } << "speling and speling";
        QTest::newRow("cancel") << "speling and wrods" << QList<TSpellAnswer> { answer(TSpellAction::Cancel) }
                                << QStringList { "speling" } << "speling and wrods";
        QTest::newRow("delete") << "A speling test." << QList<TSpellAnswer> { answer(TSpellAction::Delete) }
                                << QStringList { "speling" } << "A test.";
        QTest::newRow("undo edit")
            << "speling and wrods"
            << QList<TSpellAnswer> { change("spelling"), answer(TSpellAction::UndoEdit), answer(TSpellAction::Skip),
                   answer(TSpellAction::Skip) }
            << QStringList { "speling", "wrods", "speling", "wrods" } << "speling and wrods";
        QTest::newRow("start again") << "speling and wrods"
                                     << QList<TSpellAnswer> { answer(TSpellAction::Skip),
                                            answer(TSpellAction::Start), answer(TSpellAction::Skip),
                                            answer(TSpellAction::Skip) }
                                     << QStringList { "speling", "wrods", "speling", "wrods" }
                                     << "speling and wrods";
        QTest::newRow("addresses are no words")
            << "See www.qzxv-example.org or http://qzxv.example.org/qzxv." << QList<TSpellAnswer> {}
            << QStringList {} << "See www.qzxv-example.org or http://qzxv.example.org/qzxv.";
        QTest::newRow("apostrophes") << "It isn't the user's." << QList<TSpellAnswer> {} << QStringList {}
                                     << "It isn't the user's.";
    }
    void answersShapeTheText()
    {
        QFETCH(QString, text);
        QFETCH(QList<TSpellAnswer>, answers);
        QFETCH(QStringList, asked);
        QFETCH(QString, result);
        TChecker f;
        QCOMPARE(f.asked(text, answers), asked);
        QCOMPARE(text, result);
    }

    void missingSpaceIsTheFirstVariant()
    {
        TChecker f;
        QCOMPARE(f.checker.suggestions(QStringLiteral("theend")).value(0), QStringLiteral("the end"));
        f.checker.options.findMissingSpaces = false;
        QVERIFY(!f.checker.suggestions(QStringLiteral("qqqtheend")).contains(QStringLiteral("qqqth eend")));
    }

    void checkStartsAtTheWordAtTheCaret_data()
    {
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selectionEnd");
        QTest::addColumn<QStringList>("asked");
        // "Frist speling here.\nMore wrods folow."
        QTest::newRow("at the start") << 0 << -1 << QStringList { "Frist", "speling", "wrods", "folow" };
        QTest::newRow("inside a word") << 8 << -1 << QStringList { "speling", "wrods", "folow" };
        QTest::newRow("after a word") << 13 << -1 << QStringList { "speling", "wrods", "folow" };
        QTest::newRow("between words") << 14 << -1 << QStringList { "wrods", "folow" };
        QTest::newRow("a selection ends it") << 6 << 31 << QStringList { "speling", "wrods" };
    }
    void checkStartsAtTheWordAtTheCaret()
    {
        QFETCH(int, caret);
        QFETCH(int, selectionEnd);
        QFETCH(QStringList, asked);
        TSpellWindow f;
        f.setTitle(QStringLiteral("Shopping"));
        f.setBody(QStringLiteral("Frist speling here.\nMore wrods folow."));
        QTextCursor cursor = f.w().redNote->textCursor();
        cursor.setPosition(caret);
        if (selectionEnd >= 0)
            cursor.setPosition(selectionEnd, QTextCursor::KeepAnchor);
        f.w().redNote->setTextCursor(cursor);
        QList<TSpellAnswer> answers;
        for (qsizetype i = 0; i < asked.size(); ++i)
            answers << answer(TSpellAction::Skip);
        SpellDialogSeam::setNextAnswers(answers);
        QVERIFY(f.w().actSpellCheck->isEnabled());
        f.w().actSpellCheck->trigger();
        QCOMPARE(words(SpellDialogSeam::takeAskedQuestions()), asked);
    }

    void titleThenBody()
    {
        TSpellWindow f;
        f.setTitle(QStringLiteral("Shoping lsit"));
        f.setBody(QStringLiteral("Bye mlik and mlik."));
        f.caretAt(f.w().edtTitle, 0);
        f.caretAt(f.w().redNote, 0);
        // Change All in the title holds for the body too.
        SpellDialogSeam::setNextAnswers({ change("Shopping"), { TSpellAction::ChangeAll, "list" },
            { TSpellAction::ChangeAll, "milk" } });
        f.w().actSpellCheck->trigger();
        QCOMPARE(words(SpellDialogSeam::takeAskedQuestions()), (QStringList { "Shoping", "lsit", "mlik" }));
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("Shopping list"));
        QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("Bye milk and milk."));
        // A correction is a change of the entry.
        QVERIFY(f.w().actSaveNote->isEnabled());
    }

    void emptyBodyChecksTheTitleOnly_data()
    {
        QTest::addColumn<QString>("body");
        QTest::newRow("empty") << "";
        QTest::newRow("blank lines") << "  \n\n ";
    }
    void emptyBodyChecksTheTitleOnly()
    {
        QFETCH(QString, body);
        TSpellWindow f;
        f.setTitle(QStringLiteral("Shoping"));
        f.setBody(body);
        f.caretAt(f.w().edtTitle, 0);
        SpellDialogSeam::setNextAnswers({ change("Shopping") });
        f.w().actSpellCheckExecute();
        QCOMPARE(words(SpellDialogSeam::takeAskedQuestions()), QStringList { "Shoping" });
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("Shopping"));
        QCOMPARE(f.w().redNote->toPlainText(), body);
        QVERIFY(MessageDlgSeam::takeAskedMessages().isEmpty());
    }

    void checkOnSaveKeepsTheCorrections()
    {
        TSpellWindow f;
        f.w().CheckSpellingOnSave = true;
        f.typeTitle(QStringLiteral("Shoping"));
        f.caretAt(f.w().edtTitle, 0);
        f.setBody(QStringLiteral("Bye mlik."));
        f.caretAt(f.w().redNote, 0);
        SpellDialogSeam::setNextAnswers({ change("Shopping"), change("milk") });
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(words(SpellDialogSeam::takeAskedQuestions()), (QStringList { "Shoping", "mlik" }));
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("Shopping"));
        QCOMPARE(TEditorWindow::field(f.entry(0), "Text"), QStringLiteral("Bye milk."));
        QVERIFY(!f.w().actSaveNote->isEnabled());
        f.restart();
        QCOMPARE(TEditorWindow::field(f.entry(0), "Text"), QStringLiteral("Bye milk."));
    }

    void checkOnSaveOffAsksNothing()
    {
        TSpellWindow f;
        f.typeTitle(QStringLiteral("Shoping"));
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("Shoping"));
    }

    void reminderTimerRunsAgain_data()
    {
        QTest::addColumn<bool>("onSave");
        QTest::newRow("check started by the user") << false;
        QTest::newRow("check on save") << true;
    }
    void reminderTimerRunsAgain()
    {
        QFETCH(bool, onSave);
        TSpellWindow f;
        f.w().DisplayReminders = true;
        f.w().CheckSpellingOnSave = onSave;
        f.w().ResetTimerState();
        QVERIFY(f.w().timReminder->isActive());
        f.typeTitle(QStringLiteral("Shoping"));
        f.caretAt(f.w().edtTitle, 0);
        bool pausedWhileAsked = false;
        SpellDialogSeam::setUnansweredHandler([&](const TSpellQuestion &) {
            pausedWhileAsked = !f.w().timReminder->isActive();
            return TSpellAnswer { TSpellAction::Skip, {} };
        });
        if (onSave)
            f.clickTool(f.w().actSaveNote);
        else
            f.clickTool(f.w().actSpellCheck);
        QVERIFY(pausedWhileAsked);
        QVERIFY(f.w().timReminder->isActive());
    }

    void engineFailureIsReported()
    {
        TSpellWindow f;
        f.w().splChecker->UseLanguage({ QStringLiteral("xx_XX"), office });
        f.w().CheckSpellingOnSave = true;
        f.typeTitle(QStringLiteral("Shoping"));
        // The report offers to send it by mail: No. The save goes on.
        MessageDlgSeam::setNextAnswers({ mrNo });
        f.clickTool(f.w().actSaveNote);
        const QStringList messages = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(messages.size(), 1);
        QFile log(f.home.dataFolder() + QStringLiteral("/Tamsel.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString logged = QString::fromUtf8(log.readAll());
        QVERIFY2(logged.contains(QStringLiteral("actSpellCheckExecute"))
                && logged.contains(QStringLiteral("No spelling dictionary")),
            qPrintable(logged));
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("Shoping"));
    }

    void startUpAppliesTheStoredEngineAndLanguage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<TSpellChecker::TEngineKind>("kind");
        QTest::newRow("no engine chosen: British English of ispell") << 0 << TSpellChecker::TEngineKind::ISpell;
        QTest::newRow("office engine, stored row") << 1 << TSpellChecker::TEngineKind::MSOffice;
        QTest::newRow("ispell engine, stored row") << 2 << TSpellChecker::TEngineKind::ISpell;
    }
    void startUpAppliesTheStoredEngineAndLanguage()
    {
        QFETCH(int, type);
        QFETCH(TSpellChecker::TEngineKind, kind);
        TestHome home;
        {
            TRegistry registry;
            registry.OpenKey(RegistryKeys::settings(), true);
            registry.WriteInteger(QStringLiteral("SpellCheckerType"), type);
            registry.WriteInteger(QStringLiteral("SpellCheckerLanguage"), 0);
        }
        TfrmMain w;
        PasswordDlgSeam::answerOk(QStringLiteral("spelling test"));
        w.GetPositions();
        QCOMPARE(w.splChecker->engineKind(), kind);
        // The stored row is read only with an engine chosen; without one the
        // checker keeps British English.
        const QString used = type == 0 ? QStringLiteral("en_GB") : w.cboSpellCheck->language(0)->tag;
        QCOMPARE(w.splChecker->language(), used);
        // The list shows the language in use, and its row is what is stored.
        QVERIFY(w.cboSpellCheck->currentIndex() >= 0);
        QCOMPARE(w.cboSpellCheck->language(w.cboSpellCheck->currentIndex())->tag, used);
        QCOMPARE(w.SpellCheckerLanguage, w.cboSpellCheck->currentIndex());
        QCOMPARE(w.cboSpellCheck->language(0)->kind, int(kind));
    }

    // A language chosen in the options is the one used at the next start,
    // stored with the engine kind its row was listed for.
    void chosenLanguageIsKeptAcrossStarts_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("no engine chosen before") << 0;
        QTest::newRow("office engine") << 1;
    }
    void chosenLanguageIsKeptAcrossStarts()
    {
        QFETCH(int, type);
        TestHome home;
        {
            TRegistry registry;
            registry.OpenKey(RegistryKeys::settings(), true);
            registry.WriteInteger(QStringLiteral("SpellCheckerType"), type);
        }
        int american = -1;
        {
            TfrmMain w;
            PasswordDlgSeam::answerOk(QStringLiteral("spelling test"));
            w.GetPositions();
            for (int row = 0; row < w.cboSpellCheck->count(); ++row)
                if (w.cboSpellCheck->language(row)->tag == QLatin1String("en_US"))
                    american = row;
            QVERIFY(american >= 0);
            w.ChooseSpellLanguage(american);
            QCOMPARE(w.splChecker->language(), QStringLiteral("en_US"));
            QCOMPARE(w.SpellCheckerType, type == 0 ? 2 : type);
            w.SetPositions();
        }
        TfrmMain again;
        again.GetPositions();
        QCOMPARE(again.splChecker->language(), QStringLiteral("en_US"));
        QCOMPARE(again.cboSpellCheck->currentIndex(), american);
        QCOMPARE(again.SpellCheckerLanguage, american);
    }

    // The engine's likeliest word is the first variant, with either engine
    // order: words it runs apart ("sen tense") come after it.
    void likeliestVariantComesFirst_data()
    {
        QTest::addColumn<TSpellChecker::TEngineKind>("kind");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("first");
        for (const auto &[kind, name] : { std::pair { TSpellChecker::TEngineKind::ISpell, "ispell" },
                 std::pair { TSpellChecker::TEngineKind::MSOffice, "office" } }) {
            QTest::addRow("%s, sentense", name) << kind << "sentense" << "sentence";
            QTest::addRow("%s, mispelled", name) << kind << "mispelled" << "misspelled";
            QTest::addRow("%s, theend", name) << kind << "theend" << "the end";
        }
    }
    void likeliestVariantComesFirst()
    {
        QFETCH(TSpellChecker::TEngineKind, kind);
        QFETCH(QString, word);
        QFETCH(QString, first);
        TestHome home;
        TSpellChecker checker;
        checker.UseLanguage({ QStringLiteral("en_GB"), int(kind) });
        const QStringList variants = checker.suggestions(word);
        QVERIFY2(!variants.isEmpty() && variants.first() == first, qPrintable(variants.join(QLatin1Char('|'))));
    }

    // Where hunspell has the language its variants are offered, also while
    // another engine checks: aspell would offer the word run apart with a
    // hyphen ("sen-tense"), hunspell does not.
    void variantsComeFromHunspell()
    {
        TestHome home;
        TSpellChecker checker;
        checker.UseLanguage({ QStringLiteral("en_GB"), int(TSpellChecker::TEngineKind::ISpell) });
        const QStringList variants = checker.suggestions(QStringLiteral("sentense"));
        QVERIFY2(!variants.contains(QStringLiteral("sen-tense")), qPrintable(variants.join(QLatin1Char('|'))));
    }

    void unknownWordsAreUnderlined_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("underlined");
        QTest::newRow("British dictionary") << "en_GB" << QStringList { "speling", "Tamselx" };
        QTest::newRow("as configured at start") << "" << QStringList { "speling", "Tamselx" };
        QTest::newRow("no dictionary: no marks") << "xx_XX" << QStringList {};
    }
    void unknownWordsAreUnderlined()
    {
        QFETCH(QString, language);
        QFETCH(QStringList, underlined);
        TEditorWindow f(entries(note("Shopping")));
        if (!language.isEmpty())
            f.w().splChecker->UseLanguage({ language, office });
        f.w().redNote->setPlainText(QStringLiteral("A speling test, www.qzxv.org NASA colour Tamselx"));
        // Marks are no edit.
        f.w().actSaveNote->setEnabled(false);
        auto marks = [&f] {
            QStringList found;
            const QTextBlock block = f.w().redNote->document()->firstBlock();
            for (const QTextLayout::FormatRange &range : block.layout()->formats())
                if (range.format.underlineStyle() == QTextCharFormat::WaveUnderline)
                    found << block.text().mid(range.start, range.length);
            return found;
        };
        // The dictionary is loaded once the event loop is free.
        QTRY_COMPARE(marks(), underlined);
        f.w().splChecker->addToUserDictionary(QStringLiteral("Tamselx"));
        QCoreApplication::processEvents();
        if (!underlined.isEmpty())
            QTRY_COMPARE(marks(), QStringList { "speling" });
        QVERIFY(!f.w().actSaveNote->isEnabled());
    }

    // The program's own name is no misspelling, in any language: the welcome
    // entry of the first start reads clean.
    void welcomeEntryHasNoUnknownWord_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("British") << "en_GB";
        QTest::newRow("American") << "en_US";
    }
    void welcomeEntryHasNoUnknownWord()
    {
        QFETCH(QString, language);
        TChecker f;
        f.checker.UseLanguage({ language, office });
        TXmlDocument welcome;
        welcome.LoadFromMemory(EntryDocument::DefaultDocumentText(QDateTime::currentDateTime()));
        const pugi::xml_node entry = welcome.Root().child("Note");
        for (const char *field : { "Title", "Text" }) {
            QString text = TXmlDocument::ReadChildText(entry, field);
            QVERIFY(text.contains(QStringLiteral("Tamsel")));
            QCOMPARE(f.asked(text, {}), QStringList());
        }
        QVERIFY(f.checker.isKnown(QStringLiteral("Tamsel")));
        QVERIFY(!f.checker.isKnown(QStringLiteral("Tamselx")));
    }

    void wordDialog()
    {
        TSpellWindow f;
        f.setTitle(QStringLiteral("Shopping"));
        f.setBody(QStringLiteral("A speling test."));
        f.caretAt(f.w().redNote, 0);
        QString caption, unknownLabel, selectedInField;
        QStringList buttons, variants;
        QFont font;
        bool onTop = false, undoOffered = true;
        SpellDialogSeam::setUnansweredHandler({});
        SpellDialogSeam::setDialogDriver([&](TSpellDialog &dialog) {
            caption = dialog.windowTitle();
            onTop = dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            font = dialog.font();
            for (QLabel *label : dialog.findChildren<QLabel *>())
                if (label->buddy() == dialog.redContext)
                    unknownLabel = label->text();
            for (QPushButton *button : dialog.findChildren<QPushButton *>())
                buttons << button->text();
            for (int i = 0; i < dialog.lstVariants->count(); ++i)
                variants << dialog.lstVariants->item(i)->text();
            selectedInField = f.w().redNote->textCursor().selectedText();
            undoOffered = dialog.btnUndo->isEnabled();
            // The user picks "spelling" from the variants and presses Change.
            dialog.lstVariants->setCurrentRow(int(variants.indexOf(QStringLiteral("spelling"))));
            QTest::mouseClick(dialog.btnChange, Qt::LeftButton);
        });
        f.w().actSpellCheckExecute();
        QCOMPARE(caption, QStringLiteral("Tamsel Spell Check"));
        QVERIFY(onTop);
        QCOMPARE(font.family(), QStringLiteral("Verdana"));
        QCOMPARE(font.pixelSize(), 13);
        QCOMPARE(unknownLabel, QStringLiteral("Unknown word"));
        buttons.sort();
        QStringList expected { "&Change", "Change A&ll", "&Skip", "S&kip All", "&Add", "Ca&ncel", "&Undo Edit",
            "Delete", "Start" };
        expected.sort();
        QCOMPARE(buttons, expected);
        QCOMPARE(selectedInField, QStringLiteral("speling"));
        QVERIFY(!undoOffered);
        QVERIFY(variants.contains(QStringLiteral("spelling")));
        QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("A spelling test."));
    }

    void wordDialogAccessKeysAreUnique()
    {
        TSpellDialog dialog;
        dialog.Ask({ QStringLiteral("speling"), QStringLiteral("A speling test."), 2, { QStringLiteral("spelling") } });
        QMap<QChar, QString> seen;
        for (QAbstractButton *button : dialog.findChildren<QAbstractButton *>()) {
            const QChar key = AccessKeys::keyOf(button->text());
            if (key.isNull())
                continue;
            QVERIFY2(!seen.contains(key), qPrintable(button->text() + " and " + seen.value(key)));
            seen.insert(key, button->text());
        }
        for (QLabel *label : dialog.findChildren<QLabel *>())
            QVERIFY2(!seen.contains(AccessKeys::keyOf(label->text())), qPrintable(label->text()));
        // Escape is Cancel.
        SpellDialogSeam::setUnansweredHandler({});
        TSpellAnswer got { TSpellAction::Skip, {} };
        SpellDialogSeam::setDialogDriver([](TSpellDialog &shown) { QTest::keyClick(shown.lstVariants, Qt::Key_Escape); });
        got = AskSpelling({ QStringLiteral("speling"), QStringLiteral("speling"), 0, {} }, nullptr);
        QCOMPARE(got.action, TSpellAction::Cancel);
    }
};

QTEST_MAIN(TestSpelling)
#include "tst_spelling.moc"
