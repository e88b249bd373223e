// The two entry lists: building the rows from the entry document, sorting by
// column and the notes list's font.
#include "app/Main.h"

#include "controls/ListViewEx.h"
#include "diagnostics/ErrorReport.h"
#include "mainwindow/EntryRow.h"
#include "mainwindow/ImageList.h"
#include "platform/Clock.h"
#include "reminders/LeadTimes.h"
#include "reminders/ReminderInfo.h"
#include "store/DayNumber.h"
#include "store/EntryDocument.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QTabWidget>

namespace {
// The sub-item compared for each column, per list.
constexpr int noteSelectors[] = {NoteRow::DateTime, NoteRow::LastModified, NoteRow::Title,
                                 NoteRow::Text};
constexpr int taskSelectors[] = {TaskRow::DateTime, TaskRow::LastModified, TaskRow::Deadline,
                                 TaskRow::Complete,  TaskRow::Title,        TaskRow::Text,
                                 TaskRow::Completed};

struct TextAndDisplay
{
    QString stored;
    QString display;
};

// A day-number field: its stored text and display text, or "0" and nothing.
TextAndDisplay readDateField(const std::optional<QString> &text)
{
    const auto number = text ? DayNumber::parse(*text) : std::nullopt;
    if (!number)
        return {QStringLiteral("0"), QString()};
    return {*text, DayNumber::displayText(*number)};
}

// The stored completion flag; "0" and "1" share one text each.
QString completeText(const std::optional<QString> &stored)
{
    static const QString no = QStringLiteral("0");
    static const QString yes = QStringLiteral("1");
    if (!stored || *stored == no)
        return no;
    return *stored == yes ? yes : *stored;
}

class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};
} // namespace

QString TfrmMain::GetNoteDate(int documentIndex)
{
    try {
        const pugi::xml_node entry = TXmlDocument::ChildAt(xmlNotes.Root(), documentIndex);
        bool repaired = false;
        const QString display = EntryDocument::ReadNoteDate(entry, Clock::now(), &repaired);
        if (repaired)
            EncryptXMLFile();
        return display;
    } catch (const ETamselError &error) {
        ReportError({QStringLiteral("Main"), QStringLiteral("GetNoteDate"), error.message()});
        return {};
    }
}

void TfrmMain::LoadNotes()
{
    WaitCursor wait;
    lsvNotes->setUpdatesEnabled(false);
    lsvTasks->setUpdatesEnabled(false);
    lsvNotes->clear();
    lsvTasks->clear();
    ClearNoteValues();

    QList<QTreeWidgetItem *> notes;
    QList<QTreeWidgetItem *> tasks;
    const QFont font = CurrentEntryFont();
    lsvNotes->setFont(font);
    lsvTasks->setFont(font);
    // The entry font is for the rows; the headers keep the window's font.
    lsvNotes->header()->setFont(this->font());
    lsvTasks->header()->setFont(this->font());
    bool repairedAny = false;
    const QDateTime now = Clock::now();
    try {
        int index = 0;
        for (pugi::xml_node entry = xmlNotes.Root().first_child(); entry;
             entry = entry.next_sibling(), ++index) {
            if (entry.type() != pugi::node_element)
                continue;
            bool repaired = false;
            QString caption;
            try {
                caption = EntryDocument::ReadNoteDate(entry, now, &repaired);
                repairedAny = repairedAny || repaired;
            } catch (const ETamselError &error) {
                ReportError({QStringLiteral("Main"), QStringLiteral("GetNoteDate"), error.message()});
            }
            // Read after the creation date, which a repair may have rewritten.
            const TEntryFields fields(entry);
            const bool isTask = fields.isTask();
            auto *row = new TEntryRow(isTask ? TaskRow::Columns : NoteRow::Columns);
            (isTask ? tasks : notes).append(row);
            row->setColumnText(0, caption);

            const QString fileName = fields.value(TEntryFields::FileName).value_or(QString());
            const QString dateTime = fields.text(TEntryFields::DateTime);
            const TextAndDisplay modified = readDateField(fields.value(TEntryFields::LastModified));
            const QString title = EntryDocument::TitleFromStored(fields.text(TEntryFields::Title));
            const QString body = EntryDocument::BodyFromStored(fields.value(TEntryFields::Text).value_or(QString()));

            if (!isTask) {
                row->setSubItem(NoteRow::Modified, modified.display);
                row->setSubItem(NoteRow::Title, title);
                row->setSubItem(NoteRow::Text, body);
                row->setSubItem(NoteRow::Index, QString::number(index));
                row->setSubItem(NoteRow::DateTime, dateTime);
                row->setSubItem(NoteRow::LastModified, modified.stored);
                row->setSubItem(NoteRow::FileName, fileName);
                continue;
            }

            const TextAndDisplay deadline = readDateField(fields.value(TEntryFields::Deadline));
            const QString complete = completeText(fields.value(TEntryFields::Complete));
            const auto completedText = fields.value(TEntryFields::DateCompleted);
            const auto completedNumber = completedText ? DayNumber::parse(*completedText) : std::nullopt;
            const QString reminder = fields.value(TEntryFields::Reminder).value_or(QString());
            QString reminderDate = fields.value(TEntryFields::ReminderDate).value_or(QString());
            if (reminderDate.isEmpty() && !reminder.isEmpty() && !deadline.display.isEmpty()) {
                bool ok = false;
                const int leadIndex = reminder.toInt(&ok);
                if (ok && leadIndex >= 0 && leadIndex < cboReminder->count()) {
                    const int minutes = ReminderInfoAt(cboReminder, leadIndex).Minutes;
                    reminderDate = DayNumber::text(
                        LeadTimes::addMinutes(*DayNumber::parse(deadline.stored), -minutes));
                }
            }

            row->setSubItem(TaskRow::Modified, modified.display);
            row->setSubItem(TaskRow::Due, deadline.display);
            row->setSubItem(TaskRow::Done, QString());
            row->setSubItem(TaskRow::Title, title);
            row->setSubItem(TaskRow::Text, body);
            row->setSubItem(TaskRow::Completed, completedNumber ? DayNumber::displayText(*completedNumber) : QString());
            row->setSubItem(TaskRow::Index, QString::number(index));
            row->setSubItem(TaskRow::DateTime, dateTime);
            row->setSubItem(TaskRow::LastModified, modified.stored);
            row->setSubItem(TaskRow::Deadline, deadline.stored);
            row->setSubItem(TaskRow::DateCompleted, completedText.value_or(QStringLiteral("0")));
            row->setSubItem(TaskRow::Reminder, reminder);
            row->setSubItem(TaskRow::Complete, complete);
            row->setSubItem(TaskRow::ReminderDate, reminderDate);
            row->setSubItem(TaskRow::FileName, fileName);
            CreateTaskCheckBox(lsvTasks, row, complete == QLatin1String("1"));
        }
    } catch (const ETamselError &error) {
        ReportError({QStringLiteral("Main"), QStringLiteral("LoadNotes"), error.message()});
    }
    // Repaired creation dates are stored once for the whole load.
    if (repairedAny)
        EncryptXMLFile();
    lsvNotes->addTopLevelItems(notes);
    lsvTasks->addTopLevelItems(tasks);

    actSaveNote->setEnabled(false);
    SetActionImage(actSaveNote, 1, 2);
    actDeleteNote->setEnabled(false);
    SetActionImage(actDeleteNote, 3, 4);
    lsvNotes->setUpdatesEnabled(true);
    lsvTasks->setUpdatesEnabled(true);
}

void TfrmMain::SortList(QTreeWidget *list, int column, int &toggle, int &sortColumn)
{
    WaitCursor wait;
    const bool isTasks = list == lsvTasks;
    const int columns = isTasks ? TaskRow::VisibleColumns : NoteRow::VisibleColumns;
    if (column < 0 || column >= columns)
        throw ETamselError(QStringLiteral("The list has no column %1.").arg(column));
    toggle = -toggle;
    SortSign = toggle;
    const int selector = (isTasks ? taskSelectors : noteSelectors)[column];
    SortRows(list, selector + 1, SortSign < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);

    QTreeWidgetItem *header = list->headerItem();
    for (int i = 0; i < columns; ++i) {
        header->setIcon(i, QIcon());
        header->setData(i, Qt::UserRole, QVariant());
    }
    const int image = SortSign < 0 ? ImageList::SortDescending : ImageList::SortAscending;
    header->setIcon(column, ImageList::icon(image));
    header->setData(column, Qt::UserRole, image);
    if (QTreeWidgetItem *selected = list->currentItem(); selected && selected->isSelected())
        list->scrollToItem(selected);
    sortColumn = column;
}

void TfrmMain::lsvNotesColumnClick(QTreeWidget *sender, int column)
{
    try {
        SortList(sender, column, NoteSortToggle, NoteSortColumn);
    } catch (const ETamselError &error) {
        LogError({QStringLiteral("Main"), QStringLiteral("lsvNotesColumnClick"), error.message()});
    }
}

void TfrmMain::lsvTasksColumnClick(QTreeWidget *sender, int column)
{
    try {
        SortList(sender, column, TaskSortToggle, TaskSortColumn);
    } catch (const ETamselError &error) {
        LogError({QStringLiteral("Main"), QStringLiteral("lsvTasksColumnClick"), error.message()});
    }
}

void TfrmMain::pgcDataChange()
{
    lsvNotes->setFocusPolicy(pgcData->currentWidget() == tabNotes ? Qt::StrongFocus : Qt::NoFocus);
    lsvTasks->setFocusPolicy(pgcData->currentWidget() == tabTasks ? Qt::StrongFocus : Qt::NoFocus);
}
