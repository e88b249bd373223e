#pragma once

#include <QList>
#include <QString>

// Where web and mail addresses stand in a line of text.
struct TURLRange
{
    int start = 0;
    int length = 0;

    int end() const { return start + length; }
    bool operator==(const TURLRange &other) const = default;
};

// The addresses a reader would take for links: text starting with a known
// scheme ("http:", "mailto:", ...) or with "www." / "ftp.", up to the next
// blank. Punctuation that closes the sentence around an address (a full stop,
// a comma, a closing bracket without an opening one inside the address, a
// quote) is not part of it.
QList<TURLRange> FindURLs(const QString &line);
