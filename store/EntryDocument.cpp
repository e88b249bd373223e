#include "store/EntryDocument.h"

#include "store/DayNumber.h"
#include "store/LocaleFormat.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstring>

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
    // "^M" (either case) and "&lt;"/"&gt;" (any case) are decoded in place,
    // since the result is never longer; the text between them is found with
    // indexOf and moved in one piece. Bodies are read for every entry when
    // the lists are filled.
    const qsizetype size = stored.size();
    const auto next = [&stored, size](char16_t mark, qsizetype from) {
        const qsizetype at = stored.indexOf(QChar(mark), from);
        return at < 0 ? size : at;
    };
    qsizetype caret = next(u'^', 0);
    qsizetype ampersand = next(u'&', 0);
    if (caret == size && ampersand == size)
        return stored;

    QChar *const data = stored.data();
    const auto lower = [](QChar c) { return QChar(c.unicode() | 0x20); };
    qsizetype in = 0;
    qsizetype out = 0;
    for (;;) {
        const qsizetype mark = std::min(caret, ampersand);
        if (out != in)
            std::memmove(data + out, data + in, size_t(mark - in) * sizeof(QChar));
        out += mark - in;
        in = mark;
        if (in == size)
            break;
        if (data[in] == QLatin1Char('^') && in + 1 < size && lower(data[in + 1]) == QLatin1Char('m')) {
            data[out++] = QLatin1Char('\n');
            in += 2;
        } else if (data[in] == QLatin1Char('&') && in + 3 < size && data[in + 3] == QLatin1Char(';')
                   && lower(data[in + 2]) == QLatin1Char('t')
                   && (lower(data[in + 1]) == QLatin1Char('l') || lower(data[in + 1]) == QLatin1Char('g'))) {
            data[out++] = lower(data[in + 1]) == QLatin1Char('l') ? QLatin1Char('<') : QLatin1Char('>');
            in += 4;
        } else {
            data[out++] = data[in++];
        }
        // Everything from `in` on is still the stored text.
        if (caret < in)
            caret = next(u'^', in);
        if (ampersand < in)
            ampersand = next(u'&', in);
    }
    stored.truncate(out);
    return stored;
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
    std::optional<double> dayNumber = DayNumber::parseEitherSeparator(stored);
    if (!dayNumber) {
        // Older versions wrote the creation date as a date-and-time text.
        const auto legacy = DayNumber::parseLocaleDateTime(stored);
        stored = DayNumber::text(DayNumber::fromDateTime(legacy ? *legacy : now));
        TXmlDocument::WriteChildValue(entry, "DateTime", stored);
        *repaired = true;
        dayNumber = DayNumber::parse(stored);
    }
    if (!dayNumber)
        throw ETamselError(QStringLiteral("'%1' is not a valid date and time.").arg(stored));
    return DayNumber::displayText(*dayNumber);
}

namespace {
constexpr std::array<const char *, TEntryFields::FieldCount> fieldNames{
    "Title", "Text", "DateTime", "LastModified", "NoteType", "Deadline", "Complete", "DateCompleted",
    "Reminder", "ReminderDate", "FileName"};
} // namespace

TEntryFields::TEntryFields(pugi::xml_node entry)
{
    for (pugi::xml_node child = entry.first_child(); child; child = child.next_sibling()) {
        const char *name = child.name();
        for (size_t field = 0; field < fieldNames.size(); ++field) {
            if (name[0] == fieldNames[field][0] && !m_values[field] && std::strcmp(name, fieldNames[field]) == 0) {
                m_values[field] = child.child_value();
                break;
            }
        }
    }
}

std::optional<QString> TEntryFields::value(Field field) const
{
    const char *text = m_values[size_t(field)];
    if (!text || !*text)
        return std::nullopt;
    return QString::fromUtf8(text);
}

QString TEntryFields::text(Field field) const
{
    if (auto text = value(field))
        return *text;
    throw ETamselError(QStringLiteral("The element %1 has no value.").arg(QLatin1String(fieldNames[size_t(field)])));
}

bool TEntryFields::equals(Field field, const char *text) const
{
    const char *value = m_values[size_t(field)];
    return value && std::strcmp(value, text) == 0;
}

bool TEntryFields::isTask() const
{
    const char *kind = m_values[NoteType];
    return kind && *kind && std::strcmp(kind, "N") != 0;
}
