#include "store/EntryDocument.h"

#include "store/DayNumber.h"
#include "store/LocaleFormat.h"

#include <QRegularExpression>

namespace {
const QString lineBreakMarker = QStringLiteral("^M");

QString lineBreaksToMarker(const QString &text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), lineBreakMarker);
    result.replace(QLatin1Char('\n'), lineBreakMarker);
    return result;
}

QString markerToLineBreaks(const QString &stored)
{
    QString result = stored;
    if (result.contains(QLatin1Char('^')))
        result.replace(QLatin1String("^M"), QLatin1String("\n"), Qt::CaseInsensitive);
    return result;
}

// Aligns the first foreign decimal separator with the locale's one.
QString alignSeparator(QString text)
{
    const QChar separator = LocaleFormat().decimalSeparator;
    const QChar other = separator == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    if (separator == QLatin1Char('.') || separator == QLatin1Char(',')) {
        const qsizetype at = text.indexOf(other);
        if (at >= 0)
            text[at] = separator;
    }
    return text;
}
} // namespace

QString EntryDocument::TitleToStored(const QString &title)
{
    return lineBreaksToMarker(title);
}

QString EntryDocument::TitleFromStored(const QString &stored)
{
    return markerToLineBreaks(stored);
}

QString EntryDocument::BodyToStored(const QString &body)
{
    QString result = lineBreaksToMarker(body);
    result.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    result.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return result;
}

QString EntryDocument::BodyFromStored(QString stored)
{
    // One pass for "^M" (either case) and "&lt;"/"&gt;" (any case), decoding
    // in place since the result is never longer: bodies are read for every
    // entry when the lists are filled.
    const qsizetype size = stored.size();
    QChar *const begin = stored.data();
    const QChar *in = begin;
    QChar *out = begin;
    const auto lower = [](QChar c) { return QChar(c.unicode() | 0x20); };
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = in[i];
        if (c == QLatin1Char('^') && i + 1 < size && lower(in[i + 1]) == QLatin1Char('m')) {
            *out++ = QLatin1Char('\n');
            ++i;
        } else if (c == QLatin1Char('&') && i + 3 < size && in[i + 3] == QLatin1Char(';')
                   && lower(in[i + 2]) == QLatin1Char('t')
                   && (lower(in[i + 1]) == QLatin1Char('l') || lower(in[i + 1]) == QLatin1Char('g'))) {
            *out++ = lower(in[i + 1]) == QLatin1Char('l') ? QLatin1Char('<') : QLatin1Char('>');
            i += 3;
        } else {
            *out++ = c;
        }
    }
    stored.truncate(out - begin);
    return stored;
}

bool EntryDocument::IsTask(pugi::xml_node entry)
{
    const auto kind = TXmlDocument::ReadChildValue(entry, "NoteType");
    return kind && *kind != QLatin1String("N");
}

QByteArray EntryDocument::DefaultDocumentText(const QDateTime &now)
{
    const QString stamp = DayNumber::text(DayNumber::fromDateTime(now));
    const QString text =
        QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                      "<Notes>\r\n"
                      "   <Note>\r\n"
                      "      <Title>Welcome to Tamsel!</Title>\r\n"
                      "      <Text>Please see the Help file for an overview of all the functionality "
                      "available for you to use in Tamsel.</Text>\r\n"
                      "      <DateTime>")
        + stamp + QLatin1String("</DateTime>\r\n      <LastModified>") + stamp
        + QLatin1String("</LastModified>\r\n"
                        "      <NoteType>N</NoteType>\r\n"
                        "      <FileName></FileName>\r\n"
                        "   </Note>\r\n"
                        "</Notes>\r\n");
    return text.toUtf8();
}

QString EntryDocument::ReadNoteDate(pugi::xml_node entry, const QDateTime &now, bool *repaired)
{
    *repaired = false;
    QString stored = TXmlDocument::ReadChildText(entry, "DateTime");
    if (!DayNumber::parseEitherSeparator(stored)) {
        // Older versions wrote the creation date as a date-and-time text.
        const auto legacy = DayNumber::parseLocaleDateTime(stored);
        stored = DayNumber::text(DayNumber::fromDateTime(legacy ? *legacy : now));
        TXmlDocument::WriteChildValue(entry, "DateTime", stored);
        *repaired = true;
    }
    const auto dayNumber = DayNumber::parse(alignSeparator(stored));
    if (!dayNumber)
        throw ETamselError(QStringLiteral("'%1' is not a valid date and time.").arg(stored));
    return DayNumber::displayText(*dayNumber);
}
