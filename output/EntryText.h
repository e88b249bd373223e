#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>
#include <vector>

class QIODevice;
struct TEntry;

// The plain-text forms of entries: the text file of Save to File, the text
// of a print and the text of an e-mailed entry. Lines end in CR LF; the
// labels, separators and line order are fixed, since users read and compare
// these files. Texts taken from the lists are written as the lists show them.

// The entry open in the editor, with its unsaved changes.
struct TEditorEntry {
    // The kind chosen in the editor, which may differ from the stored entry's.
    bool task = false;
    QString title; // as typed
    QString body; // as typed
    // The stored entry in the editor, whose row supplies the dates; null for
    // an entry not stored yet.
    const TEntry *stored = nullptr;
    // The task fields.
    QDate deadlineDate;
    QTime deadlineTime;
    QString reminder; // caption of the chosen lead time
    bool complete = false;
};

// The rows of one list in display order.
using TEntryRows = std::vector<const TEntry *>;

// One list's part of a Save to File. The editor's entry comes first when its
// kind is this list's and its title is not blank, then every checked row
// (the editor's own row only once). Entries are parted by the separator;
// `entriesBefore` says whether the file already holds entries, so that the
// first of this part is parted from them. Returns how many entries were
// written, or no value when the device refused to take a line. Raises
// ETamselError for a row that cannot be written (a task whose reminder is
// not a lead time); what was written before stays in the device.
std::optional<int> SaveEntriesToFile(QIODevice &file, const TEditorEntry &editor, const TEntryRows &list,
    bool tasks, bool entriesBefore, const QDateTime &now);

// The text a print sends to the printer. The editor's entry is printed as a
// whole when it has a title and a body; otherwise the body field's text is
// printed as it is, ahead of the rows. Then every checked row of `notes` and
// `tasks` (empty for a list not printed), the editor's own row only once.
// Raises ETamselError like SaveEntriesToFile.
QString PrintEntriesText(const TEditorEntry &editor, const TEntryRows &notes, const TEntryRows &tasks);

// A message for the mail program.
struct TEntryMail {
    QString subject;
    QString text;
};

// The editor's entry as an e-mail, ending with the footer.
TEntryMail EntryMailText(const TEditorEntry &editor, const QDateTime &now, const QString &footer);
