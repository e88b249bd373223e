#include "mainwindow/EntryRow.h"

#include "store/LocaleFormat.h"

#include <QCollator>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <optional>
#include <vector>

namespace {
// Texts of at most this many digits and decimal separators (the day numbers
// of the date columns) can be sorted by their characters.
constexpr qsizetype NumberKeySize = 24;
using NumberKey = std::array<char, NumberKeySize>;
constexpr char numberCharacters[] = ",.0123456789"; // in ascending character order

bool isNumberCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char(',');
}

// Whether the collation orders texts of those characters as their character
// codes do: a shorter text before a longer one that starts with it, and the
// characters themselves in code order. True for the usual locales, where
// punctuation comes before digits; checked rather than assumed.
bool collatesNumbersAsCharacters(const QCollator &rules)
{
    if (rules.compare(QStringLiteral("1"), QStringLiteral("10")) >= 0)
        return false;
    for (const char *a = numberCharacters; *a; ++a) {
        for (const char *b = a + 1; *b; ++b) {
            if (rules.compare(QString(QLatin1Char(*a)), QString(QLatin1Char(*b))) >= 0)
                return false;
        }
    }
    return true;
}

struct TCollation
{
    QCollator rules;
    bool numbersAsCharacters = false;
};

// The user's collation, rebuilt only when the locale in effect changes.
const TCollation &collation()
{
    static TCollation instance;
    static std::optional<QLocale> builtFor;
    const QLocale &locale = LocaleFormat().locale;
    if (builtFor != locale) {
        instance.rules = QCollator(locale);
        instance.rules.setCaseSensitivity(Qt::CaseSensitive);
        instance.numbersAsCharacters = collatesNumbersAsCharacters(instance.rules);
        builtFor = locale;
    }
    return instance;
}

// The texts as fixed-size keys compared byte by byte, when every text is a
// short number text; no value otherwise.
std::optional<std::vector<NumberKey>> numberKeys(const QStringList &texts)
{
    std::vector<NumberKey> keys(size_t(texts.size()), NumberKey{});
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString &text = texts.at(i);
        if (text.size() >= NumberKeySize)
            return std::nullopt;
        for (qsizetype k = 0; k < text.size(); ++k) {
            if (!isNumberCharacter(text.at(k)))
                return std::nullopt;
            keys[size_t(i)][size_t(k)] = char(text.at(k).unicode());
        }
    }
    return keys;
}

// The row numbers in the order of their keys; equal keys keep their order.
template<typename Key, typename Compare>
std::vector<int> sortedPlaces(const std::vector<Key> &keys, Qt::SortOrder order, Compare compare)
{
    std::vector<int> places(keys.size());
    std::iota(places.begin(), places.end(), 0);
    const bool descending = order == Qt::DescendingOrder;
    std::sort(places.begin(), places.end(), [&](int a, int b) {
        const int result = descending ? compare(keys[size_t(b)], keys[size_t(a)])
                                      : compare(keys[size_t(a)], keys[size_t(b)]);
        return result < 0 || (result == 0 && a < b);
    });
    return places;
}
} // namespace

QVariant TEntryRow::data(int column, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QTreeWidgetItem::data(column, role);
    if (column < 0 || column >= m_texts.size())
        return {};
    return m_texts.at(column);
}

void TEntryRow::setData(int column, int role, const QVariant &value)
{
    if (column < 0 || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    setColumnText(column, value.toString());
}

void TEntryRow::setColumnText(int column, const QString &text)
{
    if (column >= m_texts.size())
        m_texts.resize(column + 1);
    if (m_texts.at(column) == text)
        return;
    m_texts[column] = text;
    emitDataChanged();
}

bool TEntryRow::operator<(const QTreeWidgetItem &other) const
{
    return m_sortPlace < static_cast<const TEntryRow &>(other).m_sortPlace;
}

void SortRows(QTreeWidget *list, int column, Qt::SortOrder order)
{
    const int count = list->topLevelItemCount();
    if (count < 2)
        return;

    // One key per row, then a sort of the row numbers by key: comparing keys
    // is cheap, collating texts on every comparison is not. Day numbers need
    // no collation keys at all.
    QStringList texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i)
        texts.append(list->topLevelItem(i)->text(column));
    const TCollation &rules = collation();
    std::vector<int> places;
    std::optional<std::vector<NumberKey>> numbers;
    if (rules.numbersAsCharacters)
        numbers = numberKeys(texts);
    if (numbers) {
        places = sortedPlaces(*numbers, order, [](const NumberKey &a, const NumberKey &b) {
            return std::memcmp(a.data(), b.data(), a.size());
        });
    } else {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(size_t(count));
        for (const QString &text : std::as_const(texts))
            keys.push_back(rules.rules.sortKey(text));
        places = sortedPlaces(keys, order, [](const QCollatorSortKey &a, const QCollatorSortKey &b) {
            return a.compare(b);
        });
    }

    // The list reorders its rows by those places in one step; selection and
    // current row follow their rows.
    for (int place = 0; place < count; ++place)
        static_cast<TEntryRow *>(list->topLevelItem(places[size_t(place)]))->m_sortPlace = place;
    list->invisibleRootItem()->sortChildren(0, Qt::AscendingOrder);
}
