#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QTextEdit;
class TSpellChecker;

// One word the check stops at, as the word dialog shows it.
struct TSpellQuestion
{
    QString word;
    // The line around the word, and where the word starts in it.
    QString context;
    int wordInContext = 0;
    QStringList variants;
    // The word repeats the one before it, rather than being unknown.
    bool repeated = false;
    // A change of this check can be taken back.
    bool canUndo = false;
};

enum class TSpellAction { Change, ChangeAll, Skip, SkipAll, Add, Cancel, UndoEdit, Delete, Start };

struct TSpellAnswer
{
    TSpellAction action = TSpellAction::Cancel;
    // The text that replaces the word (Change, Change All).
    QString replacement;
};

using TSpellAsker = std::function<TSpellAnswer(const TSpellQuestion &)>;

// What one run of the check remembers from field to field: the words skipped
// and changed for the whole run.
struct TSpellRun
{
    QSet<QString> skipped;
    QHash<QString, QString> changed;
};

// A word of a text: [start, end).
struct TWordSpan
{
    int start = 0;
    int end = 0;
};

// The next word at or after `from` that ends by `until`: letters and digits,
// with apostrophes inside; web and mail addresses are no words.
std::optional<TWordSpan> NextWord(const QString &text, int from, int until);
// Every word of a text, in order.
QList<TWordSpan> WordsOf(const QString &text);
// Where the word at a position starts (the position itself between words).
int WordStartAt(const QString &text, int position);

// Checks a field from the word at its insertion point to the end of its
// selection, or of its text when nothing is selected, asking about every word
// the checker does not know or that repeats the word before it and applying
// the answers to the field. An empty field is left alone. Raises ETamselError
// when the checker cannot be used.
void CheckField(QTextEdit *field, TSpellChecker &checker, const TSpellAsker &ask, TSpellRun &run);

// The same over a plain text, for what has no field (measurements); the
// corrections are made in `text`. Starts at `from`.
void CheckText(QString &text, int from, TSpellChecker &checker, const TSpellAsker &ask, TSpellRun &run);
