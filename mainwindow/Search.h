#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <span>

class TEntryListModel;
struct TEntry;

// Finding entries by their texts, as the find bar does in the list scopes.
// Nothing here touches a widget: the lists are their models, in their current
// order, with the row each has selected.
namespace Search {

// A find text matched against fields: the ASCII letters a-z and A-Z compare
// without case, every other character exactly (an "é" does not find an "É"),
// and blanks count like any other character. An empty text matches nothing.
class TTextMatcher {
public:
    explicit TTextMatcher(QStringView findText);

    bool isEmpty() const { return m_upper.isEmpty(); }
    bool matches(QStringView field) const;
    // False only when a field whose stored form (TEntry::storedTitle and
    // storedBody) is given cannot match: a text without line breaks and
    // angle brackets lies, once decoded, within a run of the field that is
    // stored as it shows, so it is found among the stored UTF-8 bytes too
    // (the ASCII letters without case). A stored form holding the text may
    // still not match (the text "lt;" in a stored "&lt;"); for any other
    // text it cannot tell and says true.
    bool mayMatchStored(const char *stored) const;

private:
    QString m_upper;
    // The text in UTF-8, ASCII letters upper case; empty when the stored
    // form cannot tell.
    QByteArray m_storedUpper;
};

// The field of a row that matched. The body is tested first, so a row whose
// title and body both hold the text matched in its body.
enum class TField { Body, Title };

// One list to search: its rows in display order, and its selected row (-1: none).
struct TListState {
    const TEntryListModel *model = nullptr;
    int selectedRow = -1;
};

struct TListMatch {
    TEntry *entry = nullptr;
    TField field = TField::Body;
};

struct TListSearch {
    std::optional<TListMatch> match;
    // Without a match: a row a search from after the selected rows left out
    // (a selected row or one above it) matches, so searching again from the
    // top finds something.
    bool matchAbove = false;
};

// One search step over the lists in the order given, as one run of rows:
// each list from the row after its selected row (from its first row when
// nothing is selected) to its end, then the next list. A list whose last row
// is selected has nothing left. The first matching row wins.
TListSearch FindInLists(std::span<const TListState> lists, QStringView findText);

} // namespace Search
