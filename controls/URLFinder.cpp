#include "controls/URLFinder.h"

#include <QRegularExpression>

namespace {
// The schemes a rich edit control of the platform recognises, plus the two
// host prefixes people type without a scheme. An address never starts in the
// middle of a word or of another address.
const QRegularExpression &urlPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![\w@./\-])()"
                       R"((?:https?|ftp|file|mailto|news|nntp|telnet|gopher|wais|prospero|notes|callto|tel):)"
                       R"(|(?:www|ftp)\.)"
                       R"()[^\s<>"]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

bool isClosing(QChar c)
{
    return c == QLatin1Char(')') || c == QLatin1Char(']') || c == QLatin1Char('}');
}

QChar openingOf(QChar closing)
{
    if (closing == QLatin1Char(')'))
        return QLatin1Char('(');
    if (closing == QLatin1Char(']'))
        return QLatin1Char('[');
    return QLatin1Char('{');
}

// Drops what the surrounding sentence put after the address. A closing bracket
// stays when the address itself opened it ("…/Foo_(bar)").
int trimmedLength(QStringView match)
{
    static const QString trailing = QStringLiteral(".,;:!?'");
    qsizetype length = match.size();
    while (length > 0) {
        const QChar last = match.at(length - 1);
        if (trailing.contains(last)) {
            --length;
            continue;
        }
        if (isClosing(last)) {
            const QStringView body = match.left(length);
            if (body.count(openingOf(last)) < body.count(last)) {
                --length;
                continue;
            }
        }
        break;
    }
    return int(length);
}
} // namespace

QList<TURLRange> FindURLs(const QString &line)
{
    QList<TURLRange> found;
    auto matches = urlPattern().globalMatch(line);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const int start = int(match.capturedStart(0));
        const int prefixLength = int(match.capturedLength(1));
        const int length = trimmedLength(match.capturedView(0));
        // A bare prefix ("www." or "http:") followed only by punctuation is no address.
        if (length <= prefixLength)
            continue;
        const QChar first = line.at(start + prefixLength);
        if (!first.isLetterOrNumber() && first != QLatin1Char('/'))
            continue;
        found.append({start, length});
    }
    return found;
}
