#include "output/EntryText.h"

#include "diagnostics/Exception.h"
#include "reminders/LeadTimes.h"
#include "store/DayNumber.h"
#include "store/Deadline.h"
#include "store/EntryTable.h"
#include "store/LocaleFormat.h"

#include <QIODevice>

namespace {
const QString crlf = QStringLiteral("\r\n");
const QString separatorLine = QString(50, QLatin1Char('_'));
const QString titleRule = QString(26, QLatin1Char('_'));

// Any line break a text holds (typed, stored or pasted) as CR LF.
QString withCrLf(QString text)
{
    text.replace(crlf, QStringLiteral("\n"));
    for (const QChar other : { QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator) })
        text.replace(other, QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), crlf);
}

QString displayOf(const std::optional<double> &dayNumber)
{
    return dayNumber ? DayNumber::displayText(*dayNumber) : QString();
}

QString momentText(const QDateTime &moment)
{
    return DayNumber::displayText(DayNumber::fromDateTime(moment));
}

// The editor's deadline as a moment: the date and the time as precisely as
// the long time format shows it; the time is left out at midnight.
QString editorDeadlineText(const TEditorEntry &editor)
{
    const TLocaleFormat &format = LocaleFormat();
    const QTime time
        = Deadline::cutToTimeFormats(editor.deadlineTime, format.longTimeFormat, format.longTimeFormat);
    return time == QTime(0, 0) ? format.dateText(editor.deadlineDate)
                               : format.dateTimeText(editor.deadlineDate, time);
}

// A row's lead time as the lead-time list names it.
QString reminderCaption(const TEntry &task)
{
    if (!task.lead || *task.lead < 0 || *task.lead >= LeadTimes::Count)
        throw ETamselError(QStringLiteral("The task '%1' has no valid reminder.").arg(task.title()));
    return QString::fromLatin1(LeadTimes::Table[size_t(*task.lead)].text);
}

// Writes lines until the device refuses one; the rest is then left out.
class TLineWriter {
public:
    explicit TLineWriter(QIODevice &device)
        : m_device(device)
    {
    }

    void line(const QString &text)
    {
        if (!m_ok)
            return;
        const QByteArray bytes = (withCrLf(text) + crlf).toUtf8();
        m_ok = m_device.write(bytes) == bytes.size();
    }

    void separator()
    {
        line(QString());
        line(separatorLine);
        line(QString());
    }

    bool ok() const { return m_ok; }

private:
    QIODevice &m_device;
    bool m_ok = true;
};
} // namespace

std::optional<int> SaveEntriesToFile(QIODevice &file, const TEditorEntry &editor, const TEntryRows &list,
    bool tasks, bool entriesBefore, const QDateTime &now)
{
    TLineWriter out(file);
    int count = 0;
    const auto separate = [&] {
        if (count > 0 || entriesBefore)
            out.separator();
    };

    // The editor's labels carry two blanks before the tab, the rows' none.
    const bool editorWritten = editor.task == tasks && !editor.title.trimmed().isEmpty();
    if (editorWritten) {
        separate();
        out.line(QStringLiteral("Title:\t") + editor.title);
        out.line(QString());
        const QString created = editor.stored ? editor.stored->caption() : momentText(now);
        const QString modified = editor.stored ? displayOf(editor.stored->modified) : momentText(now);
        out.line(QStringLiteral("Created:  \t") + created);
        out.line(QStringLiteral("Modified:  \t") + modified);
        if (tasks) {
            out.line(QStringLiteral("Deadline:  \t") + editorDeadlineText(editor));
            out.line(QStringLiteral("Reminder:  \t") + editor.reminder);
            if (editor.stored && editor.stored->task)
                out.line(QStringLiteral("Completed:  \t") + displayOf(editor.stored->completed));
        }
        out.line(QString());
        if (!editor.body.trimmed().isEmpty())
            out.line(editor.body);
        ++count;
    }

    for (const TEntry *entry : list) {
        if (!entry->marked || (editorWritten && entry == editor.stored))
            continue;
        // Read before anything of the row is written, so a row that fails
        // leaves nothing of itself behind.
        const QString reminder = tasks ? reminderCaption(*entry) : QString();
        separate();
        out.line((tasks ? QStringLiteral("Task:\t") : QStringLiteral("Title:\t")) + entry->title());
        out.line(QString());
        out.line(QStringLiteral("Created:\t") + entry->caption());
        out.line(QStringLiteral("Modified:\t") + displayOf(entry->modified));
        if (tasks) {
            out.line(QStringLiteral("Deadline:\t") + displayOf(entry->deadline));
            out.line(QStringLiteral("Reminder:\t") + reminder);
            out.line(QStringLiteral("Completed:\t") + displayOf(entry->completed));
        }
        const QString body = entry->body();
        if (!body.trimmed().isEmpty()) {
            out.line(QString());
            out.line(body);
        }
        ++count;
    }
    if (!out.ok())
        return std::nullopt;
    return count;
}

QString PrintEntriesText(const TEditorEntry &editor, const TEntryRows &notes, const TEntryRows &tasks)
{
    // The editor's entry is printed as a whole when it has a title and a
    // body; otherwise whatever the body field holds goes ahead of the rows.
    const bool editorPrinted = !editor.title.trimmed().isEmpty() && !editor.body.isEmpty();
    QString text;
    int count = 0;
    if (editorPrinted) {
        text = withCrLf(editor.title) + crlf + titleRule + crlf + crlf;
        if (editor.task) {
            text += QStringLiteral("Deadline:\t")
                + LocaleFormat().dateTimeText(editor.deadlineDate, editor.deadlineTime) + crlf + crlf;
        }
        text += withCrLf(editor.body.trimmed()) + crlf;
        count = 1;
    } else {
        text = withCrLf(editor.body);
    }

    // Only entries printed before a row part it from them; a row of the
    // editor's entry printed above is left out.
    const auto printed = [&](const TEntry *entry, bool task) {
        return entry->marked && !(editorPrinted && editor.task == task && entry == editor.stored);
    };
    const auto append = [&](const TEntry *entry, const QString &details) {
        if (count > 0)
            text += crlf + separatorLine + crlf;
        text += crlf + withCrLf(entry->title()) + crlf + titleRule + crlf + crlf + details + crlf;
        ++count;
    };
    for (const TEntry *entry : notes) {
        if (printed(entry, false))
            append(entry, withCrLf(entry->body()));
    }
    for (const TEntry *entry : tasks) {
        if (!printed(entry, true))
            continue;
        QString details = QStringLiteral("Deadline:\t") + displayOf(entry->deadline) + crlf
            + QStringLiteral("Reminder:\t") + reminderCaption(*entry) + crlf + QStringLiteral("Completed:\t")
            + displayOf(entry->completed) + crlf;
        const QString body = entry->body();
        if (!body.trimmed().isEmpty())
            details += crlf + withCrLf(body) + crlf;
        append(entry, details);
    }
    return text;
}

TEntryMail EntryMailText(const TEditorEntry &editor, const QDateTime &now, const QString &footer)
{
    const QString title = editor.title.trimmed();
    const QString body = withCrLf(editor.body.trimmed());
    if (!editor.task)
        return { title, body + footer };

    // A task not stored yet was created and changed at this moment; it is
    // complete at this moment too when its box is ticked.
    const QString moment = momentText(now);
    const QString created = editor.stored ? editor.stored->caption() : moment;
    const QString modified = editor.stored ? displayOf(editor.stored->modified) : moment;
    QString completed;
    if (editor.stored && editor.stored->task)
        completed = displayOf(editor.stored->completed);
    else if (editor.complete)
        completed = moment;
    const QString text = QStringLiteral("Instructions:  \t") + body + crlf + crlf + crlf
        + QStringLiteral("Created:  \t") + created + crlf + QStringLiteral("Modified:  \t") + modified + crlf
        + QStringLiteral("Deadline:  \t") + editorDeadlineText(editor) + crlf
        + QStringLiteral("Reminder:  \t") + editor.reminder + crlf + QStringLiteral("Completed:  \t")
        + completed + footer;
    return { QStringLiteral("Task:  ") + title, text };
}
