// Checking the spelling of a 200,000-character body: every word looked up,
// with a fresh checker whose dictionary is loaded but which has seen no word;
// and the variants of one unknown word, which each question of the dialog costs.
#include "bench/BenchHome.h"

#include "controls/RichEditURL.h"
#include "spelling/SpellCheck.h"
#include "spelling/SpellChecker.h"

#include <QFile>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {
// Words of the British dictionary, without their affix flags, that the
// checker takes as they stand (some stems exist only with an ending).
QStringList dictionaryWords()
{
    TSpellChecker checker;
    checker.UseLanguage({ QStringLiteral("en_GB"), int(TSpellChecker::TEngineKind::MSOffice) });
    QFile file(QStringLiteral("/usr/share/hunspell/en_GB.dic"));
    QStringList words;
    if (!file.open(QIODevice::ReadOnly))
        return words;
    file.readLine(); // the count
    while (!file.atEnd()) {
        const QString word = QString::fromUtf8(file.readLine()).section(QLatin1Char('/'), 0, 0).trimmed();
        if (word.size() > 1 && !word.contains(QLatin1Char('.')) && NextWord(word, 0, int(word.size()))->end == word.size()
            && checker.isKnown(word))
            words << word;
    }
    return words;
}

// Sentences of dictionary words with line breaks; `misspelt` in 1000 words
// are no words.
QString body(int characters, int misspelt)
{
    const QStringList words = dictionaryWords();
    QRandomGenerator random(20261210);
    QString text;
    int inSentence = 0;
    while (text.size() < characters) {
        QString word = words[random.bounded(int(words.size()))];
        if (int(random.bounded(1000)) < misspelt)
            word = word + QStringLiteral("qz");
        text += word;
        if (++inSentence > 12 && random.bounded(4) == 0) {
            text += random.bounded(5) == 0 ? QStringLiteral(".\n") : QStringLiteral(". ");
            inSentence = 0;
        } else {
            text += QLatin1Char(' ');
        }
    }
    return text.left(characters);
}

void BM_SpellCheckBody(benchmark::State &state)
{
    BenchHome home(1);
    TfrmMain &w = home.window();
    w.redNote->setPlainText(body(int(state.range(0)), int(state.range(1))));
    std::int64_t asked = 0;
    const TSpellAsker skip = [&asked](const TSpellQuestion &) {
        ++asked;
        return TSpellAnswer { TSpellAction::Skip, {} };
    };
    for (auto _ : state) {
        state.PauseTiming();
        TSpellChecker checker;
        checker.UseLanguage({ QStringLiteral("en_GB"), int(TSpellChecker::TEngineKind::MSOffice) });
        if (!checker.hasDictionary()) {
            state.SkipWithError("no British dictionary");
            break;
        }
        QTextCursor caret = w.redNote->textCursor();
        caret.setPosition(0);
        w.redNote->setTextCursor(caret);
        TSpellRun run;
        asked = 0;
        state.ResumeTiming();
        CheckField(w.redNote, checker, skip, run);
    }
    state.counters["questions"] = double(asked);
}
// Correct words only, then 1 in 1,000 unknown (each question answered Skip).
BENCHMARK(BM_SpellCheckBody)->Args({ 200000, 0 })->Args({ 200000, 1 })->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SpellVariants(benchmark::State &state)
{
    BenchHome home(1);
    TSpellChecker checker;
    checker.UseLanguage({ QStringLiteral("en_GB"), int(TSpellChecker::TEngineKind::MSOffice) });
    const QStringList words { QStringLiteral("speling"), QStringLiteral("recieve"), QStringLiteral("alchemyqz"),
        QStringLiteral("theend") };
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(checker.suggestions(words[qsizetype(i++ % words.size())]));
}
BENCHMARK(BM_SpellVariants)->Unit(benchmark::kMillisecond)->Iterations(20);
} // namespace
