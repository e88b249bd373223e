#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

// A language some spelling engine installed on this machine has a dictionary
// for: its tag ("en_GB"), the engine kind it was listed for, and the Enchant
// provider and library Enchant names for it.
struct TSpellLanguage
{
    QString tag;
    int kind = 0; // a TSpellChecker::TEngineKind
    QString provider {};
    QString providerFile {};

    // "English (United Kingdom)".
    QString name() const;
};

// The spell checker: one language of one engine, the user dictionary and the
// options that decide which words are checked at all. The engines are
// Enchant's providers; the engine kind decides which provider serves a
// language several of them have.
class TSpellChecker : public QObject
{
    Q_OBJECT

public:
    // The ispell family (Enchant's aspell, ispell and hspell providers) or the
    // office kind (hunspell and nuspell, whose dictionaries office suites use).
    enum class TEngineKind { MSOffice, ISpell };

    struct TOptions
    {
        bool ignoreCapitals = true;
        bool ignoreDigits = true;
        bool ignoreRomanNumerals = true;
        bool findMissingSpaces = true;
        bool findRepeatedWords = true;
    };

    explicit TSpellChecker(QObject *parent = nullptr);
    ~TSpellChecker() override;

    TEngineKind engineKind() const { return m_kind; }
    void setEngineKind(TEngineKind kind);
    // Enchant's provider order for an engine kind, most wanted first.
    static QString ProviderOrdering(TEngineKind kind);

    QString language() const { return m_language; }
    // Makes an entry of the language list current: its language and engine.
    void UseLanguage(const TSpellLanguage &language);

    // The languages the installed dictionaries serve, by name, for the
    // checker's engine kind.
    QList<TSpellLanguage> InstalledLanguages() const;

    TOptions options;

    // The user dictionary: one word a line, UTF-8, in the per-user data folder
    // unless set otherwise.
    QString userDictionaryPath() const { return m_userPath; }
    void setUserDictionaryPath(const QString &path);

    // The language's dictionary has been asked for (hasDictionary, isKnown).
    bool isLoaded() const;
    // True when the language has a dictionary the checker can use.
    bool hasDictionary();
    // Whether the engine or the user dictionary knows the word. Raises
    // ETamselError when the language has no dictionary.
    bool isKnown(const QString &word);
    // The user dictionary's near words first, then the engine's, from
    // hunspell where it has the language (whichever engine checks), then two
    // known words the word runs together.
    QStringList suggestions(const QString &word);
    // Adds the word to the user dictionary and writes it; raises ETamselError
    // when it cannot be written (the word is then known for this run only).
    void addToUserDictionary(const QString &word);
    // A word the options leave out of the check (capitals, digits, Roman numerals).
    bool isIgnored(const QString &word) const;

signals:
    // The language, engine or user dictionary changed: what was found before may differ.
    void configurationChanged();

private:
    struct TEngine;
    TEngine &engine();
    // The engine asked for suggestions.
    TEngine &suggester();
    void loadUserDictionary();
    void reset();

    TEngineKind m_kind = TEngineKind::ISpell;
    QString m_language = QStringLiteral("en_GB");
    QString m_userPath;
    std::unique_ptr<TEngine> m_engine;
    std::unique_ptr<TEngine> m_suggester;
    QHash<QString, bool> m_known;
    QStringList m_userWords;
    QSet<QString> m_userSet;
    bool m_userLoaded = false;
};
