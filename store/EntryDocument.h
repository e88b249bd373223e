#pragma once

#include "store/XmlDocument.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

// The entry document: root "Notes", one element per entry, each field a child
// element found by name. An entry is identified by its document index, the
// position of its element among all children of the root.
namespace EntryDocument {

// Text forms of the title and body. The program's line break (LF, or CR LF)
// is stored as "^M"; the body also stores "<" and ">" as "&lt;" and "&gt;".
QString TitleToStored(const QString &title);
QString TitleFromStored(const QString &stored);
QString BodyToStored(const QString &body);
QString BodyFromStored(QString stored);

// The default document with its welcome entry, created at the given moment.
QByteArray DefaultDocumentText(const QDateTime &now);

// Reads the creation date of an entry and returns its display text. A legacy
// date-and-time text (or an unreadable one, which becomes `now`) is replaced in
// the entry by its day-number text and `repaired` is set: the caller stores the
// document. A stored number written with the other decimal separator is read
// as it is and not rewritten. Raises ETamselError when there is no DateTime.
QString ReadNoteDate(pugi::xml_node entry, const QDateTime &now, bool *repaired);

} // namespace EntryDocument

// The fields of one entry, found in one pass over its children; as with
// TXmlDocument::ReadChildValue, the first child of a name counts. The values
// point into the document: read them before the entry changes.
class TEntryFields
{
public:
    enum Field {
        Title, Text, DateTime, LastModified, NoteType, Deadline, Complete, DateCompleted,
        Reminder, ReminderDate, FileName, FieldCount
    };

    explicit TEntryFields(pugi::xml_node entry);

    // No value when the child is missing or empty.
    std::optional<QString> value(Field field) const;
    // Whether the child is there with text, without reading the text.
    bool has(Field field) const { return m_values[size_t(field)] && *m_values[size_t(field)]; }
    // Whether the child's text is exactly this one.
    bool equals(Field field, const char *text) const;
    // Like value(), but a missing value raises ETamselError.
    QString text(Field field) const;
    // "N" exactly is a note; any other text a task; a missing kind reads as a note.
    bool isTask() const;

private:
    std::array<const char *, FieldCount> m_values{};
};
