#include "mainwindow/Search.h"

#include "controls/EntryListModel.h"
#include "store/EntryTable.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr char16_t asciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; }

constexpr char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; }

// The first byte from `at` on, before `end`, that is `upper` (an ASCII letter
// in either case); `end` for none. Sixteen bytes a step where the processor
// has SSE2: this runs over every stored text when a search finds little.
const char *findFirstByte(const char *at, const char *end, char upper)
{
    const bool letter = upper >= 'A' && upper <= 'Z';
    const char fold = letter ? 0x20 : 0;
    const char wanted = char(upper | fold);
#if defined(__SSE2__)
    const __m128i folds = _mm_set1_epi8(fold);
    const __m128i wanteds = _mm_set1_epi8(wanted);
    for (; end - at >= 16; at += 16) {
        const __m128i bytes = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(at)), folds);
        if (const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanteds)))
            return at + __builtin_ctz(unsigned(hits));
    }
#endif
    for (; at < end; ++at) {
        if (char(*at | fold) == wanted)
            return at;
    }
    return end;
}
} // namespace

namespace Search {

TTextMatcher::TTextMatcher(QStringView findText)
    : m_upper(findText.toString())
{
    for (QChar &c : m_upper)
        c = QChar(asciiUpper(c.unicode()));
    // Decoding a stored field makes line breaks and angle brackets, and
    // replacement characters of bytes that are no UTF-8; a text holding one
    // may span a decoded mark. Nor does a stored field hold a null.
    const bool storedFormTells = QStringView(m_upper).isValidUtf16()
        && std::none_of(m_upper.cbegin(), m_upper.cend(), [](QChar c) {
               return c == u'\n' || c == u'<' || c == u'>' || c == QChar::ReplacementCharacter || c.isNull();
           });
    if (storedFormTells)
        m_storedUpper = m_upper.toUtf8();
}

bool TTextMatcher::mayMatchStored(const char *stored) const
{
    const qsizetype length = m_storedUpper.size();
    if (length == 0)
        return true;
    const char *text = m_storedUpper.constData();
    const char *const end = stored + std::strlen(stored);
    if (end - stored < length)
        return false;
    const char *const lastStart = end - length + 1;
    for (const char *at = stored;; ++at) {
        at = findFirstByte(at, lastStart, text[0]);
        if (at == lastStart)
            return false;
        qsizetype i = 1;
        while (i < length && char(asciiUpper(char16_t(uchar(at[i])))) == text[i])
            ++i;
        if (i == length)
            return true;
    }
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
            if (matcher.mayMatchStored(state.model->storedBodyAt(row)) && matcher.matches(entry->body()))
                return TListMatch{entry, TField::Body};
            if (matcher.mayMatchStored(state.model->storedTitleAt(row)) && matcher.matches(entry->title()))
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
