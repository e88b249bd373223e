#include "spelling/SpellCheck.h"

#include "controls/URLFinder.h"
#include "spelling/SpellChecker.h"

#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>

namespace {
bool isApostrophe(QChar c) { return c == QLatin1Char('\'') || c == QChar(0x2019); }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c.isMark(); }
bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Web and mail addresses of a text, each line searched on its own.
QList<TURLRange> addressesIn(const QString &text)
{
    QList<TURLRange> addresses;
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QString line = text.mid(lineStart, lineEnd - lineStart);
        // Only lines that may hold one are searched: most lines have none.
        if (line.contains(QLatin1Char(':')) || line.contains(QLatin1Char('.')) || line.contains(QLatin1Char('@')))
            for (TURLRange range : FindURLs(line)) {
                range.start += int(lineStart);
                addresses << range;
            }
        lineStart = lineEnd + 1;
    }
    return addresses;
}

std::optional<TWordSpan> nextWord(const QString &text, int from, int until, const QList<TURLRange> &addresses)
{
    int i = std::max(from, 0);
    const int last = std::min<int>(until, int(text.size()));
    while (i < last) {
        while (i < last && !isWordChar(text[i]))
            ++i;
        if (i >= last)
            return std::nullopt;
        int end = i;
        while (end < last
            && (isWordChar(text[end])
                || (isApostrophe(text[end]) && end + 1 < last && text[end + 1].isLetter() && end > i)))
            ++end;
        const auto address = std::find_if(addresses.begin(), addresses.end(),
            [&](const TURLRange &range) { return range.start < end && i < range.end(); });
        if (address == addresses.end())
            return TWordSpan { i, end };
        i = std::max(end, address->end());
    }
    return std::nullopt;
}

// The word before a word, when only blanks on the same line stand between them.
std::optional<TWordSpan> wordBefore(const QString &text, int start)
{
    int i = start;
    while (i > 0 && isBlank(text[i - 1]))
        --i;
    if (i == start || i == 0 || !isWordChar(text[i - 1]))
        return std::nullopt;
    return TWordSpan { WordStartAt(text, i), i };
}

// The field (or text) being corrected.
struct TTarget
{
    QString &text;
    std::function<void(int start, int end, const QString &replacement)> replace;
    std::function<void(int start, int end)> select;
};

struct TEdit
{
    int start;
    int length;
    QString before;
};

TSpellQuestion question(const QString &text, TWordSpan span, QStringList variants, bool repeated, bool canUndo)
{
    constexpr int around = 60;
    const int lineStart = int(text.lastIndexOf(QLatin1Char('\n'), std::max(span.start - 1, 0))) + 1;
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), span.end);
    if (lineEnd < 0)
        lineEnd = text.size();
    const int from = std::max(lineStart, span.start - around);
    const int to = std::min<int>(int(lineEnd), span.end + around);
    TSpellQuestion asked;
    asked.word = text.mid(span.start, span.end - span.start);
    asked.context = text.mid(from, to - from);
    asked.wordInContext = span.start - from;
    asked.variants = std::move(variants);
    asked.repeated = repeated;
    asked.canUndo = canUndo;
    return asked;
}

void check(TTarget target, int from, int until, TSpellChecker &checker, const TSpellAsker &ask, TSpellRun &run)
{
    QString &text = target.text;
    QList<TURLRange> addresses = addressesIn(text);
    QList<TEdit> edits;
    int position = from;
    auto replace = [&](int start, int end, const QString &replacement) {
        edits.append({ start, int(replacement.size()), text.mid(start, end - start) });
        target.replace(start, end, replacement);
        text.replace(start, end - start, replacement);
        until += int(replacement.size()) - (end - start);
        addresses = addressesIn(text);
    };

    while (const std::optional<TWordSpan> span = nextWord(text, position, until, addresses)) {
        const QString word = text.mid(span->start, span->end - span->start);
        bool repeated = false;
        if (checker.options.findRepeatedWords) {
            const std::optional<TWordSpan> before = wordBefore(text, span->start);
            repeated = before
                && text.mid(before->start, before->end - before->start).compare(word, Qt::CaseInsensitive) == 0;
        }
        if (!repeated) {
            if (checker.isIgnored(word) || run.skipped.contains(word)) {
                position = span->end;
                continue;
            }
            if (const auto changed = run.changed.constFind(word); changed != run.changed.cend()) {
                replace(span->start, span->end, *changed);
                position = span->start + int(changed->size());
                continue;
            }
            if (checker.isKnown(word)) {
                position = span->end;
                continue;
            }
        }

        target.select(span->start, span->end);
        const TSpellAnswer answer
            = ask(question(text, *span, repeated ? QStringList() : checker.suggestions(word), repeated, !edits.isEmpty()));
        switch (answer.action) {
        case TSpellAction::ChangeAll:
            run.changed.insert(word, answer.replacement);
            [[fallthrough]];
        case TSpellAction::Change:
            replace(span->start, span->end, answer.replacement);
            position = span->start + int(answer.replacement.size());
            break;
        case TSpellAction::SkipAll:
            if (!repeated)
                run.skipped.insert(word);
            [[fallthrough]];
        case TSpellAction::Skip:
            position = span->end;
            break;
        case TSpellAction::Add:
            checker.addToUserDictionary(word);
            position = span->end;
            break;
        case TSpellAction::Delete: {
            // The word goes with the blanks before it, or after it where none
            // stand before, so that no double blank is left.
            int start = span->start, end = span->end;
            while (start > 0 && isBlank(text[start - 1]))
                --start;
            if (start == span->start)
                while (end < text.size() && isBlank(text[end]))
                    ++end;
            replace(start, end, QString());
            position = start;
            break;
        }
        case TSpellAction::UndoEdit:
            // The last change is taken back and its place checked again.
            if (!edits.isEmpty()) {
                const TEdit edit = edits.takeLast();
                target.replace(edit.start, edit.start + edit.length, edit.before);
                text.replace(edit.start, edit.length, edit.before);
                until += int(edit.before.size()) - edit.length;
                addresses = addressesIn(text);
                position = edit.start;
            }
            break;
        case TSpellAction::Start:
            // From the beginning of the field.
            position = 0;
            break;
        case TSpellAction::Cancel:
            return;
        }
    }
}
} // namespace

std::optional<TWordSpan> NextWord(const QString &text, int from, int until)
{
    return nextWord(text, from, until, addressesIn(text));
}

QList<TWordSpan> WordsOf(const QString &text)
{
    const QList<TURLRange> addresses = addressesIn(text);
    QList<TWordSpan> words;
    int position = 0;
    while (const std::optional<TWordSpan> span = nextWord(text, position, int(text.size()), addresses)) {
        words << *span;
        position = span->end;
    }
    return words;
}

int WordStartAt(const QString &text, int position)
{
    int start = std::clamp<int>(position, 0, int(text.size()));
    while (start > 0
        && (isWordChar(text[start - 1])
            || (isApostrophe(text[start - 1]) && start > 1 && isWordChar(text[start - 2])
                && start < text.size() && text[start].isLetter())))
        --start;
    return start;
}

void CheckField(QTextEdit *field, TSpellChecker &checker, const TSpellAsker &ask, TSpellRun &run)
{
    QString text = field->toPlainText();
    if (text.trimmed().isEmpty())
        return;
    const QTextCursor caret = field->textCursor();
    const int from = WordStartAt(text, caret.selectionStart());
    const int until = caret.hasSelection() ? caret.selectionEnd() : int(text.size());
    TTarget target { text,
        [field](int start, int end, const QString &replacement) {
            QTextCursor cursor(field->document());
            cursor.setPosition(start);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            cursor.insertText(replacement);
            field->setTextCursor(cursor);
        },
        [field](int start, int end) {
            QTextCursor cursor(field->document());
            cursor.setPosition(start);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            field->setTextCursor(cursor);
            field->ensureCursorVisible();
        } };
    check(target, from, until, checker, ask, run);
}

void CheckText(QString &text, int from, TSpellChecker &checker, const TSpellAsker &ask, TSpellRun &run)
{
    if (text.trimmed().isEmpty())
        return;
    TTarget target { text, [](int, int, const QString &) {}, [](int, int) {} };
    check(target, WordStartAt(text, from), int(text.size()), checker, ask, run);
}
