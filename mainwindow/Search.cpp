#include "mainwindow/Search.h"

#include "controls/EntryListModel.h"
#include "store/EntryTable.h"

namespace {
constexpr char16_t asciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; }

constexpr char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; }
} // namespace

namespace Search {

TTextMatcher::TTextMatcher(QStringView findText)
    : m_upper(findText.toString())
{
    for (QChar &c : m_upper)
        c = QChar(asciiUpper(c.unicode()));
}

bool TTextMatcher::matches(QStringView field) const
{
    const qsizetype length = m_upper.size();
    if (length == 0 || field.size() < length)
        return false;
    const char16_t *text = QStringView(m_upper).utf16();
    const char16_t first = text[0];
    const char16_t firstLower = asciiLower(first);
    const char16_t *at = field.utf16();
    const char16_t *const last = at + (field.size() - length);
    for (; at <= last; ++at) {
        if (*at != first && *at != firstLower)
            continue;
        qsizetype i = 1;
        while (i < length && asciiUpper(at[i]) == text[i])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

TListSearch FindInLists(std::span<const TListState> lists, QStringView findText)
{
    const TTextMatcher matcher(findText);
    TListSearch result;
    // An empty text finds nothing, from wherever it starts.
    if (matcher.isEmpty())
        return result;
    const auto matchIn = [&matcher](const TListState &state, int first, int end) -> std::optional<TListMatch> {
        for (int row = first; row < end; ++row) {
            TEntry *entry = state.model->entryAt(row);
            if (matcher.matches(entry->body()))
                return TListMatch{entry, TField::Body};
            if (matcher.matches(entry->title()))
                return TListMatch{entry, TField::Title};
        }
        return std::nullopt;
    };
    for (const TListState &state : lists) {
        result.match = matchIn(state, state.selectedRow + 1, state.model->rowCount());
        if (result.match)
            return result;
    }
    for (const TListState &state : lists)
        result.matchAbove = result.matchAbove || matchIn(state, 0, state.selectedRow + 1).has_value();
    return result;
}

} // namespace Search
