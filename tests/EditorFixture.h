#pragma once

// A main window over an entry document given by the test, stored in a private
// home, shown so that its widgets take clicks and keys like the user's.

#include "mainwindow/Main.h"
#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "controls/EntryListModel.h"
#include "store/EntryTable.h"
#include "tests/RowProbe.h"
#include "tests/TestHome.h"

#include <QAction>
#include <QComboBox>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <memory>

namespace EditorFixture {

inline QByteArray entries(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes>" + body + "</Notes>";
}

inline QByteArray note(
    const QByteArray &title, const QByteArray &created = "45000.5", const QByteArray &extra = {})
{
    return "<Note><Title>" + title + "</Title><Text>body of " + title + "</Text><DateTime>" + created
        + "</DateTime><LastModified>" + created + "</LastModified><NoteType>N</NoteType>" + extra + "</Note>";
}

inline QByteArray task(const QByteArray &title, const QByteArray &created = "45000.5",
    const QByteArray &complete = "0", const QByteArray &dateCompleted = {})
{
    return "<Note><Title>" + title + "</Title><Text>body of " + title + "</Text><DateTime>" + created
        + "</DateTime><LastModified>" + created + "</LastModified><Deadline>46000.5</Deadline><Complete>"
        + complete + "</Complete><DateCompleted>" + dateCompleted
        + "</DateCompleted><Reminder>6</Reminder><ReminderDate>46000.4583333333</ReminderDate>"
          "<NoteType>T</NoteType></Note>";
}

// A main window over the store file, or over the given entries (stored there
// by its first write), opened as start-up opens it once it has the
// passphrase: lead times, lists, the stored sort replayed, every action set.
inline std::unique_ptr<TfrmMain> openMainWindow(const QString &storeFile, const QByteArray &xml = {})
{
    auto window = std::make_unique<TfrmMain>();
    TfrmMain &w = *window;
    w.HasPassPhrase = true;
    w.PassPhrase = QStringLiteral("fixture phrase");
    w.StoreFilePath = storeFile;
    w.FillReminderComboBox(w.cboReminder);
    if (xml.isEmpty()) {
        w.DecryptXMLFile();
    } else {
        w.xmlNotes.LoadFromMemory(xml);
        w.StoreAvailable = true;
    }
    w.LoadNotes();
    w.lsvNotesColumnClick(w.lsvNotes, w.NoteSortColumn);
    w.lsvTasksColumnClick(w.lsvTasks, w.TaskSortColumn);
    w.EnableUserControls();
    return window;
}

} // namespace EditorFixture

struct TEditorWindow {
    TestHome home;
    std::unique_ptr<TfrmMain> window;

    explicit TEditorWindow(const QByteArray &xml) { open(xml); }

    // Opens the entries as start-up does (openMainWindow) and shows the window.
    void open(const QByteArray &xml)
    {
        window = EditorFixture::openMainWindow(home.storeFile(), xml);
        TfrmMain &w = *window;
        w.resize(900, 700);
        w.show();
        QApplication::setActiveWindow(&w);
        (void)QTest::qWaitForWindowActive(&w);
    }

    // Opens what the last store wrote, as the next start of the program would.
    void restart()
    {
        window.reset();
        open({});
    }

    TfrmMain &w() const { return *window; }
    std::optional<TRowProbe> noteRow(int i) const { return probe(window->lsvNotes, window->NotesModel->entryAt(i)); }
    std::optional<TRowProbe> taskRow(int i) const { return probe(window->lsvTasks, window->TasksModel->entryAt(i)); }
    // What a list's cell shows.
    QString cell(QTreeView *list, int row, int column) const
    {
        return list->model()->index(row, column).data().toString();
    }
    // The row of a list that shows the entry at a document index.
    std::optional<TRowProbe> rowOf(QTreeView *list, int indexSubItem, int documentIndex) const
    {
        Q_UNUSED(indexSubItem);
        return probe(list, window->Entries->byDocumentIndex(documentIndex));
    }

    pugi::xml_node entry(int documentIndex) const
    {
        return TXmlDocument::ChildAt(window->xmlNotes.Root(), documentIndex);
    }

    static QString field(pugi::xml_node entry, const char *name)
    {
        return QString::fromUtf8(entry.child(name).child_value());
    }

    static QStringList fieldNames(pugi::xml_node entry)
    {
        QStringList names;
        for (pugi::xml_node child = entry.first_child(); child; child = child.next_sibling())
            names << QString::fromUtf8(child.name());
        return names;
    }

    void clickTool(QAction *action) const
    {
        QWidget *button = window->ToolBar1->widgetForAction(action);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Replaces the title as the user does: into the field, select all, type.
    void typeTitle(const QString &text) const
    {
        TRichEditURL *title = window->edtTitle;
        title->setFocus();
        QTest::keyClick(title, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(title, Qt::Key_Delete);
        else
            QTest::keyClicks(title, text);
    }

    void typeBody(const QString &text) const
    {
        window->redNote->setFocus();
        QTest::keyClicks(window->redNote, text);
    }

    // Picks a lead time with the keyboard, which is a choice of the user's.
    void chooseReminder(int index) const
    {
        QComboBox *box = window->cboReminder;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(box, Qt::Key_Down);
    }

    void showList(QTreeView *list) const
    {
        window->pgcData->setCurrentWidget(list == window->lsvNotes ? window->tabNotes : window->tabTasks);
    }

    // Where a row of a list shows, after scrolling it into view; the middle
    // of its title, clear of the check marks.
    QPoint rowPoint(QTreeView *list, int row) const
    {
        const QModelIndex index = list->model()->index(row, 2);
        list->scrollTo(index);
        return list->visualRect(index).center();
    }

    void doubleClick(QTreeView *list, const std::optional<TRowProbe> &row) const { doubleClick(list, row->row()); }
    void click(QTreeView *list, const std::optional<TRowProbe> &row) const { click(list, row->row()); }

    void doubleClick(QTreeView *list, int row) const
    {
        showList(list);
        const QPoint centre = rowPoint(list, row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    }

    void click(QTreeView *list, int row) const
    {
        showList(list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowPoint(list, row));
    }
};
