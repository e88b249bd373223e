#include "spelling/SpellChecker.h"

#include "diagnostics/Exception.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>

#include <enchant.h>

#include <algorithm>

QString TSpellLanguage::name() const
{
    const QLocale locale(tag);
    if (locale.language() == QLocale::C)
        return tag;
    const QString language = QLocale::languageToString(locale.language());
    // A tag without a region ("en") means the language as such.
    return tag.contains(QLatin1Char('_')) || tag.contains(QLatin1Char('-'))
        ? QStringLiteral("%1 (%2)").arg(language, QLocale::territoryToString(locale.territory()))
        : language;
}

struct TSpellChecker::TEngine
{
    EnchantBroker *broker = nullptr;
    EnchantDict *dict = nullptr;
    bool requested = false;

    TEngine() : broker(enchant_broker_init()) {}
    ~TEngine()
    {
        if (dict)
            enchant_broker_free_dict(broker, dict);
        if (broker)
            enchant_broker_free(broker);
    }
    TEngine(const TEngine &) = delete;
    TEngine &operator=(const TEngine &) = delete;

    // Asks for the language's dictionary in the provider order given. A
    // broker keeps one dictionary a language, so each order has its engine.
    void request(const QString &language, const QString &ordering)
    {
        requested = true;
        if (!broker)
            return;
        const QByteArray order = ordering.toUtf8();
        // The system's ordering names languages one by one; the language's
        // own entry is the one that counts.
        enchant_broker_set_ordering(broker, "*", order.constData());
        enchant_broker_set_ordering(broker, language.toUtf8().constData(), order.constData());
        dict = enchant_broker_request_dict(broker, language.toUtf8().constData());
    }
};

namespace {
// Aspell's suggestions mix the word split in two, with a blank and with a
// hyphen ("sen tense", "sen-tense"), among the likely words; hunspell's keep
// to the likely words. Suggestions come from hunspell (or nuspell) wherever
// it has the language, whichever engine checks.
QString suggestionOrdering(const QString &checkingOrder)
{
    return QStringLiteral("hunspell,nuspell,") + checkingOrder;
}
} // namespace

TSpellChecker::TSpellChecker(QObject *parent)
    : QObject(parent), m_userPath(Paths::dataFolder() + QStringLiteral("/user.dic"))
{
}

TSpellChecker::~TSpellChecker() = default;

QString TSpellChecker::ProviderOrdering(TEngineKind kind)
{
    return kind == TEngineKind::ISpell ? QStringLiteral("aspell,hspell,hunspell,nuspell")
                                       : QStringLiteral("hunspell,nuspell,aspell,hspell");
}

void TSpellChecker::reset()
{
    m_engine.reset();
    m_suggester.reset();
    m_known.clear();
    emit configurationChanged();
}

void TSpellChecker::setEngineKind(TEngineKind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    reset();
}

void TSpellChecker::UseLanguage(const TSpellLanguage &language)
{
    m_kind = TEngineKind(language.kind);
    m_language = language.tag;
    reset();
}

void TSpellChecker::setUserDictionaryPath(const QString &path)
{
    m_userPath = path;
    m_userLoaded = false;
    m_userWords.clear();
    m_userSet.clear();
    reset();
}

TSpellChecker::TEngine &TSpellChecker::engine()
{
    if (!m_engine) {
        m_engine = std::make_unique<TEngine>();
        if (!m_engine->broker)
            throw ETamselError(QStringLiteral("The spelling engine could not be started."));
    }
    if (!m_engine->requested)
        m_engine->request(m_language, ProviderOrdering(m_kind));
    return *m_engine;
}

TSpellChecker::TEngine &TSpellChecker::suggester()
{
    if (!m_suggester) {
        m_suggester = std::make_unique<TEngine>();
        m_suggester->request(m_language, suggestionOrdering(ProviderOrdering(m_kind)));
    }
    return *m_suggester;
}

QList<TSpellLanguage> TSpellChecker::InstalledLanguages() const
{
    TEngine lister;
    if (!lister.broker)
        return {};
    enchant_broker_set_ordering(lister.broker, "*", ProviderOrdering(m_kind).toUtf8().constData());
    struct TCollect
    {
        QList<TSpellLanguage> languages;
        EnchantBroker *broker;
        int kind;
    } collect { {}, lister.broker, int(m_kind) };
    // Enchant names each language once.
    enchant_broker_list_dicts(
        lister.broker,
        [](const char *tag, const char *provider, const char *, const char *file, void *data) {
            auto *into = static_cast<TCollect *>(data);
            // Only what can be opened is offered.
            if (enchant_broker_dict_exists(into->broker, tag))
                into->languages.append(
                    { QString::fromUtf8(tag), into->kind, QString::fromUtf8(provider), QString::fromUtf8(file) });
        },
        &collect);
    std::stable_sort(collect.languages.begin(), collect.languages.end(),
        [](const TSpellLanguage &a, const TSpellLanguage &b) {
            return QString::localeAwareCompare(a.name(), b.name()) < 0;
        });
    return collect.languages;
}

bool TSpellChecker::isLoaded() const { return m_engine && m_engine->requested; }

bool TSpellChecker::hasDictionary() { return engine().dict != nullptr; }

void TSpellChecker::loadUserDictionary()
{
    if (m_userLoaded)
        return;
    m_userLoaded = true;
    QFile file(m_userPath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw ETamselError(QStringLiteral("The user dictionary \"%1\" could not be read: %2")
                               .arg(m_userPath, file.errorString()));
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString word = QString::fromUtf8(line).trimmed();
        if (!word.isEmpty() && !m_userSet.contains(word)) {
            m_userWords << word;
            m_userSet.insert(word);
        }
    }
}

bool TSpellChecker::isKnown(const QString &word)
{
    if (const auto cached = m_known.constFind(word); cached != m_known.cend())
        return *cached;
    loadUserDictionary();
    TEngine &spell = engine();
    if (!spell.dict)
        throw ETamselError(QStringLiteral("No spelling dictionary is installed for %1.")
                               .arg(TSpellLanguage { m_language }.name()));
    // The program's own name is known in every language. A word of the user
    // dictionary is known as written, and also capitalised or in capitals
    // when it was added in small letters.
    bool known = word == QLatin1String("Tamsel") || m_userSet.contains(word) || m_userSet.contains(word.toLower())
        || (word.size() > 1 && m_userSet.contains(word.left(1).toLower() + word.mid(1)));
    if (!known) {
        const QByteArray utf8 = word.toUtf8();
        known = enchant_dict_check(spell.dict, utf8.constData(), utf8.size()) == 0;
    }
    m_known.insert(word, known);
    return known;
}

namespace {
// Edits (insert, delete, replace, swap of neighbours) between two words.
int distance(const QString &a, const QString &b)
{
    const qsizetype n = a.size(), m = b.size();
    QList<QList<int>> d(n + 1, QList<int>(m + 1));
    for (qsizetype i = 0; i <= n; ++i)
        d[i][0] = int(i);
    for (qsizetype j = 0; j <= m; ++j)
        d[0][j] = int(j);
    for (qsizetype i = 1; i <= n; ++i)
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a[i - 1].toLower() == b[j - 1].toLower() ? 0 : 1;
            d[i][j] = std::min({ d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost });
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[n][m];
}
} // namespace

QStringList TSpellChecker::suggestions(const QString &word)
{
    loadUserDictionary();
    QStringList result;
    for (const QString &userWord : std::as_const(m_userWords))
        if (std::abs(userWord.size() - word.size()) <= 2 && distance(userWord, word) <= 2)
            result << userWord;
    TEngine &spell = engine();
    TEngine *suggesting = spell.dict ? &suggester() : nullptr;
    if (suggesting && suggesting->dict) {
        const QByteArray utf8 = word.toUtf8();
        size_t count = 0;
        if (char **list = enchant_dict_suggest(suggesting->dict, utf8.constData(), utf8.size(), &count)) {
            for (size_t i = 0; i < count; ++i) {
                const QString suggestion = QString::fromUtf8(list[i]);
                if (!result.contains(suggestion))
                    result << suggestion;
            }
            enchant_dict_free_string_list(suggesting->dict, list);
        }
    }
    // Two known words run together: the pair is offered after the engine's
    // own guesses, which name it already where it is likely.
    if (options.findMissingSpaces && spell.dict) {
        for (qsizetype split = 1; split < word.size(); ++split) {
            const QString left = word.left(split), right = word.mid(split);
            if ((left.size() > 1 || left == QLatin1String("a") || left == QLatin1String("I")) && right.size() > 1
                && isKnown(left) && isKnown(right)) {
                const QString pair = left + QLatin1Char(' ') + right;
                if (!result.contains(pair))
                    result << pair;
                break;
            }
        }
    }
    return result;
}

void TSpellChecker::addToUserDictionary(const QString &word)
{
    loadUserDictionary();
    if (m_userSet.contains(word))
        return;
    m_userWords << word;
    m_userSet.insert(word);
    m_known.clear();
    emit configurationChanged();
    AtomicFile::WriteFileAtomically(m_userPath, (m_userWords.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

bool TSpellChecker::isIgnored(const QString &word) const
{
    bool letters = false, digits = false, lower = false;
    for (const QChar c : word) {
        if (c.isDigit())
            digits = true;
        else if (c.isLetter()) {
            letters = true;
            lower = lower || c.isLower();
        }
    }
    if (!letters)
        return true; // numbers are not words
    if (digits && options.ignoreDigits)
        return true;
    if (options.ignoreCapitals && !lower && word.size() > 1)
        return true;
    if (options.ignoreRomanNumerals) {
        static const QRegularExpression roman(QStringLiteral(
            "^(?=[MDCLXVI])M{0,4}(CM|CD|D?C{0,3})(XC|XL|L?X{0,3})(IX|IV|V?I{0,3})$"));
        // In capitals or in small letters, never mixed ("Mix" is a word).
        if ((!lower || word == word.toLower()) && roman.match(word.toUpper()).hasMatch())
            return true;
    }
    return false;
}
