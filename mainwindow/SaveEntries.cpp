// Saving the entry in the editor: writing its fields into the entry document,
// storing the document, and bringing the list rows up to date without
// rebuilding the lists.
#include "app/Main.h"

#include <QScopedValueRollback>

#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/ErrorReport.h"
#include "mainwindow/EntryRow.h"
#include "platform/Clock.h"
#include "reminders/LeadTimes.h"
#include "reminders/ReminderInfo.h"
#include "store/DayNumber.h"
#include "store/Deadline.h"
#include "store/EntryDocument.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QTimeEdit>
#include <optional>
#include <utility>

namespace {
// One moment per save, for every time stamp that save writes.
struct TSaveMoment {
    QString text; // day-number text, as stored
    QString display; // display text, as the lists show it
};

TSaveMoment saveMoment()
{
    const double now = DayNumber::fromDateTime(Clock::now());
    return { DayNumber::text(now), DayNumber::displayText(now) };
}

// The editor's fields in their stored forms.
struct TEditorTexts {
    QString title;
    QString body;
    QString file;
};

using TFields = std::initializer_list<std::pair<const char *, QString>>;

// Writes fields by name, in the order given; missing ones are appended last.
void writeFields(pugi::xml_node entry, TFields fields)
{
    for (const auto &[name, value] : fields)
        TXmlDocument::WriteChildValue(entry, name, value);
}

pugi::xml_node requireRoot(const TXmlDocument &document)
{
    const pugi::xml_node root = document.Root();
    if (!root)
        throw ETamselError(QStringLiteral("The entries are not open."));
    return root;
}

// The row of the stored entry in the editor: the first row of the list with
// the editor's document index and creation key. Looked up before anything
// changes, so a save that finds no row changes no entry at all.
TEntryRow *requireEntryRow(QTreeWidget *list, int indexSubItem, int documentIndex, const QString &creationKey)
{
    const QString index = QString::number(documentIndex);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        TEntryRow *row = asRow(list->topLevelItem(i));
        if (row->subItem(indexSubItem) == index && row->text(0) == creationKey)
            return row;
    }
    throw ETamselError(QStringLiteral("The entry in the editor (position %1, created %2) is not in the list.")
                           .arg(index, creationKey));
}

pugi::xml_node requireEntry(pugi::xml_node root, const QString &indexText)
{
    bool isNumber = false;
    const int index = indexText.toInt(&isNumber);
    const pugi::xml_node entry = isNumber ? TXmlDocument::ChildAt(root, index) : pugi::xml_node();
    if (entry.type() != pugi::node_element)
        throw ETamselError(QStringLiteral("There is no entry at position %1.").arg(indexText));
    return entry;
}

// Keeps a list from repainting while its new row is half filled, also when
// the save fails on the way.
class TUpdateBracket {
public:
    explicit TUpdateBracket(QWidget *list)
        : m_list(list)
    {
        m_list->setUpdatesEnabled(false);
    }
    ~TUpdateBracket() { m_list->setUpdatesEnabled(true); }
    TUpdateBracket(const TUpdateBracket &) = delete;
    TUpdateBracket &operator=(const TUpdateBracket &) = delete;

private:
    QWidget *m_list;
};
} // namespace

bool TfrmMain::SaveNote()
{
    bool saved = false;
    try {
        const TSaveMoment now = saveMoment();
        const TEditorTexts editor { edtTitle->toPlainText(), redNote->toPlainText(),
            redFileName->toPlainText() };
        pugi::xml_node root = requireRoot(xmlNotes);

        if (EditorIndex >= 0 && EditorKind == TEditorKind::Note) {
            TEntryRow *row = requireEntryRow(lsvNotes, NoteRow::Index, EditorIndex, lblCreationDate->text());
            const pugi::xml_node entry = requireEntry(root, row->subItem(NoteRow::Index));
            row->setSubItem(NoteRow::Modified, now.display);
            row->setSubItem(NoteRow::Title, editor.title);
            row->setSubItem(NoteRow::Text, editor.body);
            row->setSubItem(NoteRow::LastModified, now.text);
            row->setSubItem(NoteRow::FileName, editor.file);
            // An empty file name leaves an empty FileName element behind.
            writeFields(entry,
                { { "Title", EntryDocument::TitleToStored(editor.title) },
                    { "Text", EntryDocument::BodyToStored(editor.body) }, { "LastModified", now.text },
                    { "NoteType", QStringLiteral("N") }, { "FileName", editor.file } });
            EncryptXMLFile();
            // The row stays where it is: the list is not re-sorted.
            saved = true;
        } else {
            // A task turned into a note keeps its creation date; a new note is
            // created now.
            TEntryRow *taskRow = nullptr;
            pugi::xml_node entry;
            QString caption = now.display;
            QString created = now.text;
            if (EditorIndex >= 0 && EditorKind == TEditorKind::Task) {
                taskRow = requireEntryRow(lsvTasks, TaskRow::Index, EditorIndex, lblCreationDate->text());
                entry = requireEntry(root, taskRow->subItem(TaskRow::Index));
                caption = taskRow->text(0);
                created = taskRow->subItem(TaskRow::DateTime);
            }

            auto *row = new TEntryRow(NoteRow::Columns);
            lsvNotes->addTopLevelItem(row);
            row->setText(0, caption);
            row->setSubItem(NoteRow::Modified, now.display);
            row->setSubItem(NoteRow::Title, editor.title);
            row->setSubItem(NoteRow::Text, editor.body);

            int documentIndex = -1;
            if (taskRow) {
                // The task's own fields stay in the element; NoteType decides.
                writeFields(entry,
                    { { "Title", EntryDocument::TitleToStored(editor.title) },
                        { "Text", EntryDocument::BodyToStored(editor.body) }, { "LastModified", now.text },
                        { "NoteType", QStringLiteral("N") }, { "FileName", editor.file } });
                documentIndex = taskRow->subItem(TaskRow::Index).toInt();
                delete taskRow; // its completion box goes with it
            } else {
                entry = root.append_child("Note");
                writeFields(entry,
                    { { "Title", EntryDocument::TitleToStored(editor.title) },
                        { "Text", EntryDocument::BodyToStored(editor.body) }, { "DateTime", now.text },
                        { "LastModified", now.text }, { "NoteType", QStringLiteral("N") } });
                if (!editor.file.isEmpty())
                    TXmlDocument::WriteChildValue(entry, "FileName", editor.file);
                documentIndex = TXmlDocument::PositionOf(root, entry);
            }
            EncryptXMLFile();

            row->setSubItem(NoteRow::Index, QString::number(documentIndex));
            row->setSubItem(NoteRow::DateTime, created);
            row->setSubItem(NoteRow::LastModified, now.text);
            row->setSubItem(NoteRow::FileName, editor.file);
            lsvNotes->setCurrentItem(row);
            lsvNotes->scrollToItem(row);
            EditorIndex = documentIndex;
            lblCreationDate->setText(caption);
            ResortList(lsvNotes);
            saved = true;
        }
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("SaveNote"), error.message() });
    }
    EditorKind = TEditorKind::Note;
    return saved;
}

bool TfrmMain::SaveTask()
{
    bool saved = false;
    try {
        const TSaveMoment now = saveMoment();
        const TEditorTexts editor { edtTitle->toPlainText(), redNote->toPlainText(),
            redFileName->toPlainText() };
        pugi::xml_node root = requireRoot(xmlNotes);

        const double deadline = Deadline::fromPickers(dtpDate->date(), dtpTime->time());
        const int lead = cboReminder->currentIndex();
        if (lead < 0)
            throw ETamselError(QStringLiteral("No reminder is chosen."));
        const double reminder = LeadTimes::reminderDate(deadline, ReminderInfoAt(cboReminder, lead).Minutes);
        const QString deadlineText = DayNumber::text(deadline);
        const QString deadlineDisplay = DayNumber::displayText(deadline);
        const QString reminderText = DayNumber::text(reminder);
        const QString leadText = QString::number(lead);
        const bool complete = chkComplete->isChecked();
        const QString completeText = complete ? QStringLiteral("1") : QStringLiteral("0");

        if (EditorIndex >= 0 && EditorKind == TEditorKind::Task) {
            TEntryRow *row = requireEntryRow(lsvTasks, TaskRow::Index, EditorIndex, lblCreationDate->text());
            const pugi::xml_node entry = requireEntry(root, row->subItem(TaskRow::Index));
            row->setSubItem(TaskRow::Modified, now.display);
            row->setSubItem(TaskRow::Due, deadlineDisplay);
            row->setSubItem(TaskRow::Complete, completeText);
            // The box only shows the state; this save records the completion
            // time and stores the document once.
            const Qt::CheckState boxState = complete ? Qt::Checked : Qt::Unchecked;
            if (row->checkState(TaskRow::DoneColumn) != boxState) {
                const QScopedValueRollback quiet(CreatingTaskBox, true);
                row->setCheckState(TaskRow::DoneColumn, boxState);
            }
            row->setSubItem(TaskRow::Title, editor.title);
            row->setSubItem(TaskRow::Text, editor.body);

            // A task already complete keeps the time it was completed.
            bool stampedNow = false;
            if (complete && row->subItem(TaskRow::Completed).isEmpty()) {
                stampedNow = true;
                row->setSubItem(TaskRow::Completed, now.display);
            } else if (!complete) {
                row->setSubItem(TaskRow::Completed, QString());
            }
            row->setSubItem(TaskRow::LastModified, now.text);
            row->setSubItem(TaskRow::Deadline, deadlineText);
            if (complete && (stampedNow || row->subItem(TaskRow::DateCompleted).isEmpty()))
                row->setSubItem(TaskRow::DateCompleted, now.text);
            else if (!complete)
                row->setSubItem(TaskRow::DateCompleted, QString());
            row->setSubItem(TaskRow::Reminder, leadText);
            row->setSubItem(TaskRow::ReminderDate, reminderText);
            row->setSubItem(TaskRow::FileName, editor.file);

            writeFields(entry,
                { { "Title", EntryDocument::TitleToStored(editor.title) },
                    { "Text", EntryDocument::BodyToStored(editor.body) }, { "LastModified", now.text },
                    { "Deadline", deadlineText }, { "Complete", completeText } });
            if (!complete || stampedNow)
                TXmlDocument::WriteChildValue(entry, "DateCompleted", complete ? now.text : QString());
            writeFields(entry,
                { { "Reminder", leadText }, { "ReminderDate", reminderText },
                    { "NoteType", QStringLiteral("T") }, { "FileName", editor.file } });
            EncryptXMLFile();
            // The row stays where it is: the list is not re-sorted.
            saved = true;
        } else {
            // A note turned into a task keeps its creation date; a new task is
            // created now.
            TEntryRow *noteRow = nullptr;
            pugi::xml_node entry;
            QString caption = now.display;
            QString created = now.text;
            if (EditorIndex >= 0 && EditorKind == TEditorKind::Note) {
                noteRow = requireEntryRow(lsvNotes, NoteRow::Index, EditorIndex, lblCreationDate->text());
                entry = requireEntry(root, noteRow->subItem(NoteRow::Index));
                caption = noteRow->text(0);
                created = noteRow->subItem(NoteRow::DateTime);
            }
            const QString completedText = complete ? now.text : QString();

            std::optional<TUpdateBracket> bracket(std::in_place, lsvTasks);
            auto *row = new TEntryRow(TaskRow::Columns);
            lsvTasks->addTopLevelItem(row);
            row->setText(0, caption);
            row->setSubItem(TaskRow::Modified, now.display);
            row->setSubItem(TaskRow::Due, deadlineDisplay);
            row->setSubItem(TaskRow::Done, QStringLiteral("0"));
            row->setSubItem(TaskRow::Title, editor.title);
            row->setSubItem(TaskRow::Text, editor.body);
            row->setSubItem(TaskRow::Completed, QString());

            int documentIndex = -1;
            if (noteRow) {
                // The element keeps its DateTime and any fields of the note.
                writeFields(entry,
                    { { "Title", EntryDocument::TitleToStored(editor.title) },
                        { "Text", EntryDocument::BodyToStored(editor.body) }, { "LastModified", now.text },
                        { "Deadline", deadlineText }, { "Complete", completeText },
                        { "DateCompleted", completedText }, { "Reminder", leadText },
                        { "ReminderDate", reminderText }, { "NoteType", QStringLiteral("T") },
                        { "FileName", editor.file } });
                documentIndex = noteRow->subItem(NoteRow::Index).toInt();
                delete noteRow;
            } else {
                entry = root.append_child("Note");
                writeFields(entry,
                    { { "Title", EntryDocument::TitleToStored(editor.title) },
                        { "Text", EntryDocument::BodyToStored(editor.body) }, { "DateTime", now.text },
                        { "LastModified", now.text }, { "Deadline", deadlineText },
                        { "Complete", completeText }, { "DateCompleted", completedText },
                        { "Reminder", leadText }, { "ReminderDate", reminderText },
                        { "NoteType", QStringLiteral("T") } });
                if (!editor.file.isEmpty())
                    TXmlDocument::WriteChildValue(entry, "FileName", editor.file);
                documentIndex = TXmlDocument::PositionOf(root, entry);
            }
            EncryptXMLFile();

            row->setSubItem(TaskRow::Index, QString::number(documentIndex));
            row->setSubItem(TaskRow::DateTime, created);
            row->setSubItem(TaskRow::LastModified, now.text);
            row->setSubItem(TaskRow::Deadline, deadlineText);
            row->setSubItem(TaskRow::DateCompleted, completedText);
            row->setSubItem(TaskRow::Reminder, leadText);
            CreateTaskCheckBox(lsvTasks, row);
            row->setSubItem(TaskRow::Complete, completeText);
            if (complete) {
                row->setSubItem(TaskRow::Completed, now.display);
                // The document already holds the completion; the box only shows it.
                const QScopedValueRollback quiet(CreatingTaskBox, true);
                row->setCheckState(TaskRow::DoneColumn, Qt::Checked);
            }
            row->setSubItem(TaskRow::ReminderDate, reminderText);
            row->setSubItem(TaskRow::FileName, editor.file);
            lsvTasks->setCurrentItem(row);
            lsvTasks->scrollToItem(row);
            EditorIndex = documentIndex;
            lblCreationDate->setText(caption);
            bracket.reset();
            ResortList(lsvTasks);
            saved = true;
        }
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("SaveTask"), error.message() });
    }
    EditorKind = TEditorKind::Task;
    return saved;
}
