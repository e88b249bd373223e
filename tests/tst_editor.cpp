// The editor pane as the user works it: loading rows, the save prompt, New,
// Delete, the enabling rules, the kind switch, keys, focus marks, the font,
// autosave and URL clicks.
#include "diagnostics/MessageDlg.h"
#include "mainwindow/EditorEvents.h"
#include "mainwindow/FontChoice.h"
#include "platform/Clock.h"
#include "platform/UrlOpener.h"
#include "store/DayNumber.h"
#include "store/LocaleFormat.h"
#include "tests/EditorFixture.h"
#include "tests/FakeUrlOpener.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTimeEdit>
#include <QTimer>

using namespace EditorFixture;

namespace {
const QDateTime fixedNow(QDate(2026, 3, 10), QTime(9, 0, 5));

QStringList titles(QTreeView *list, int titleSubItem)
{
    QStringList result;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        result << rowAt(list, i)->subItem(titleSubItem);
    return result;
}
} // namespace

class tst_Editor : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(fixedNow);
        MessageDlgSeam::takeAskedDialogs();
    }

    void cleanup()
    {
        Clock::clearFixed();
        TUrlOpener::setCurrent(nullptr);
        QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
        MessageDlgSeam::setNextAnswers({});
        FontChoiceSeam::setNextChoices({});
    }

    void loadNoteAndTask()
    {
        TEditorWindow f(
            entries(note("plain", "45000.5", "<FileName>/tmp/x.txt</FileName>") + task("errand")));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("plain"));
        QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("body of plain"));
        QCOMPARE(f.w().redFileName->toPlainText(), QStringLiteral("/tmp/x.txt"));
        QCOMPARE(f.w().lblCreationDate->text(), f.noteRow(0)->text(0));
        QVERIFY(f.w().radNote->isChecked());
        QVERIFY(!f.w().pnlTask->isVisible());
        QCOMPARE(f.w().EditorKind, TEditorKind::Note);
        QCOMPARE(f.w().EditorIndex, 0);
        QVERIFY(!f.w().actSaveNote->isEnabled());
        QVERIFY(f.w().actPrint->isEnabled());
        QVERIFY(f.w().actSendMail->isEnabled());
        QVERIFY(f.w().actSaveNotesAs->isEnabled());
        QVERIFY(f.w().actDeleteFile->isEnabled());
        QCOMPARE(f.w().actAddFile->toolTip(), QStringLiteral("Replace the current entry's file."));

        f.doubleClick(f.w().lsvTasks, f.taskRow(0));
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("errand"));
        QVERIFY(f.w().radTask->isChecked());
        QVERIFY(f.w().pnlTask->isVisible());
        QCOMPARE(f.w().EditorKind, TEditorKind::Task);
        QCOMPARE(f.w().EditorIndex, 1);
        QCOMPARE(QDateTime(f.w().dtpDate->date(), f.w().dtpTime->time()), DayNumber::toDateTime(46000.5));
        QCOMPARE(f.w().cboReminder->currentIndex(), 6);
        QVERIFY(!f.w().chkComplete->isChecked());
        QVERIFY(!f.w().actSaveNote->isEnabled());
        QVERIFY(!f.w().actDeleteFile->isEnabled());
        QCOMPARE(f.w().actAddFile->toolTip(), QStringLiteral("Add a file to the current entry."));
    }

    // A task whose lead time cannot be read is reported, and the editor keeps
    // nothing of it or of the entry loaded before: no save can write the
    // previous entry's fields into it, or its fields into another entry.
    void loadingAnUnreadableTaskLeavesNothingToSave_data()
    {
        QTest::addColumn<QByteArray>("reminder");
        QTest::newRow("no reminder") << QByteArray("<Reminder/>");
        QTest::newRow("not a number") << QByteArray("<Reminder>x</Reminder>");
        QTest::newRow("no such lead time") << QByteArray("<Reminder>26</Reminder>");
    }

    void loadingAnUnreadableTaskLeavesNothingToSave()
    {
        QFETCH(QByteArray, reminder);
        QByteArray odd = task("odd", "45000.7");
        odd.replace("<Reminder>6</Reminder>", reminder);
        TEditorWindow f(entries(task("good", "45000.6") + odd));
        f.doubleClick(f.w().lsvTasks, f.rowOf(f.w().lsvTasks, TaskRow::Index, 0));
        QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("body of good"));

        MessageDlgSeam::setNextAnswers({ mrNo });
        f.doubleClick(f.w().lsvTasks, f.rowOf(f.w().lsvTasks, TaskRow::Index, 1));
        QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 1);
        QVERIFY(!f.w().LoadingEntry);
        QCOMPARE(f.w().EditorIndex, -1);
        QCOMPARE(f.w().edtTitle->toPlainText(), QString());
        QCOMPARE(f.w().redNote->toPlainText(), QString());
        QVERIFY(!f.w().actSaveNote->isEnabled());
        QVERIFY(f.w().actNewNote->isEnabled());
        // Typing a title now makes a new entry; both stored ones stay as they were.
        f.typeTitle(QStringLiteral("fresh"));
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(0), "Text"), QStringLiteral("body of good"));
        QCOMPARE(TEditorWindow::field(f.entry(1), "Title"), QStringLiteral("odd"));
        QCOMPARE(TEditorWindow::field(f.entry(2), "Title"), QStringLiteral("fresh"));
    }

    // A note switched to a task starts with a new task's fields (due now, no
    // reminder, not complete), not with those of the task loaded before it.
    void noteSwitchedToTaskStartsAsANewTask()
    {
        TEditorWindow f(entries(task("done task", "45000.6", "1", "45001") + note("plain", "45000.7")));
        f.doubleClick(f.w().lsvTasks, f.rowOf(f.w().lsvTasks, TaskRow::Index, 0));
        QVERIFY(f.w().chkComplete->isChecked());
        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 1));
        QTest::mouseClick(f.w().radTask, Qt::LeftButton);
        QCOMPARE(f.w().dtpDate->date(), fixedNow.date());
        QCOMPARE(f.w().cboReminder->currentIndex(), 0);
        QVERIFY(!f.w().chkComplete->isChecked());

        f.clickTool(f.w().actSaveNote);
        const pugi::xml_node saved = f.entry(1);
        QCOMPARE(TEditorWindow::field(saved, "NoteType"), QStringLiteral("T"));
        QCOMPARE(TEditorWindow::field(saved, "Complete"), QStringLiteral("0"));
        QCOMPARE(TEditorWindow::field(saved, "Reminder"), QStringLiteral("0"));
        QCOMPARE(DayNumber::toDateTime(*DayNumber::parse(TEditorWindow::field(saved, "Deadline"))).date(), fixedNow.date());
    }

    void everyFieldMarksTheEntryChanged_data()
    {
        QTest::addColumn<int>("field");
        QTest::newRow("body") << 0;
        QTest::newRow("date") << 1;
        QTest::newRow("time") << 2;
        QTest::newRow("reminder") << 3;
        QTest::newRow("complete") << 4;
    }

    void everyFieldMarksTheEntryChanged()
    {
        QFETCH(int, field);
        TEditorWindow f(entries(task("errand")));
        f.doubleClick(f.w().lsvTasks, f.taskRow(0));
        QVERIFY(!f.w().actSaveNote->isEnabled());
        switch (field) {
        case 0:
            f.typeBody(QStringLiteral("more"));
            break;
        case 1:
            f.w().dtpDate->setDate(f.w().dtpDate->date().addDays(1));
            break;
        case 2:
            f.w().dtpTime->setTime(f.w().dtpTime->time().addSecs(60));
            break;
        case 3:
            f.chooseReminder(3);
            break;
        case 4:
            QTest::mouseClick(f.w().chkComplete, Qt::LeftButton);
            break;
        }
        QVERIFY(f.w().actSaveNote->isEnabled());
        QVERIFY(f.w().actSendMail->isEnabled());
        QVERIFY(f.w().actPrint->isEnabled());
    }

    // Cancel keeps the editor as it is and loads nothing; the double-clicked
    // row stays selected.
    void promptCancelLoadsNothing()
    {
        TEditorWindow f(entries(note("one", "45000.25") + note("two", "45000.5")));
        auto one = f.rowOf(f.w().lsvNotes, NoteRow::Index, 0);
        auto two = f.rowOf(f.w().lsvNotes, NoteRow::Index, 1);
        f.doubleClick(f.w().lsvNotes, one);
        f.typeTitle(QStringLiteral("one, changed"));

        MessageDlgSeam::setNextAnswers({ mrCancel });
        f.doubleClick(f.w().lsvNotes, two);
        const auto asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().message, QStringLiteral("Save changes to the current entry?"));
        QCOMPARE(asked.first().buttons, TMsgDlgButtons(mbYes | mbNo | mbCancel));
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("one, changed"));
        QCOMPARE(f.w().EditorIndex, 0);
        QVERIFY(f.w().actSaveNote->isEnabled());
        QVERIFY(two->isSelected());
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("one"));
    }

    void promptNoDropsTheChanges()
    {
        TEditorWindow f(entries(note("one", "45000.25") + note("two", "45000.5")));
        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 0));
        f.typeTitle(QStringLiteral("one, changed"));
        MessageDlgSeam::setNextAnswers({ mrNo });
        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 1));
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("two"));
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("one"));
        QVERIFY(!f.w().actSaveNote->isEnabled());
    }

    void promptYesSavesThenLoads()
    {
        TEditorWindow f(entries(note("one", "45000.25") + note("two", "45000.5")));
        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 0));
        f.typeTitle(QStringLiteral("one, changed"));
        MessageDlgSeam::setNextAnswers({ mrYes });
        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 1));
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("one, changed"));
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("two"));
        QCOMPARE(f.w().EditorIndex, 1);
    }

    // A new entry saved at the prompt selects its own row, and in the same
    // list that row is the one loaded.
    void promptYesWithANewEntry()
    {
        TEditorWindow f(entries(note("one", "45000.25")));
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("fresh"));
        MessageDlgSeam::setNextAnswers({ mrYes });
        f.doubleClick(f.w().lsvNotes, f.noteRow(f.w().lsvNotes->model()->rowCount() - 1));
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("fresh"));
        QCOMPARE(f.w().EditorIndex, 1);
        QVERIFY(!f.w().actSaveNote->isEnabled());
    }

    void newEntryTakesTheVisibleKind()
    {
        TEditorWindow f(entries(note("one")));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        f.showList(f.w().lsvTasks);
        Clock::setFixed(fixedNow.addSecs(77));
        f.clickTool(f.w().actNewNote);
        QVERIFY(f.w().radTask->isChecked());
        QVERIFY(f.w().pnlTask->isVisible());
        QCOMPARE(f.w().edtTitle->toPlainText(), QString());
        QCOMPARE(f.w().EditorIndex, -1);
        QCOMPARE(f.w().EditorKind, TEditorKind::None);
        QCOMPARE(f.w().dtpDate->date(), fixedNow.date());
        QCOMPARE(f.w().dtpTime->time(), fixedNow.addSecs(77).time());
        QCOMPARE(f.w().cboReminder->currentText(), QStringLiteral("Never"));
        QVERIFY(!f.w().chkComplete->isChecked());
        for (QAction *action : { f.w().actSaveNote, f.w().actDeleteNote, f.w().actPrint, f.w().actSendMail })
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        QVERIFY(f.w().edtTitle->hasFocus());

        f.showList(f.w().lsvNotes);
        f.clickTool(f.w().actNewNote);
        QVERIFY(f.w().radNote->isChecked());
        QVERIFY(!f.w().pnlTask->isVisible());
    }

    void newAsksFirst()
    {
        TEditorWindow f(entries(note("one")));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        f.typeTitle(QStringLiteral("one, changed"));
        MessageDlgSeam::setNextAnswers({ mrCancel });
        f.clickTool(f.w().actNewNote);
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("one, changed"));
        MessageDlgSeam::setNextAnswers({ mrYes });
        f.clickTool(f.w().actNewNote);
        QCOMPARE(f.w().edtTitle->toPlainText(), QString());
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("one, changed"));
    }

    // Typing blanks counts as a title; the kind switch trims, and a title of
    // blanks is never written.
    void titleOfBlanks()
    {
        TEditorWindow f(entries(note("one")));
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("   "));
        QVERIFY(f.w().actSaveNote->isEnabled());
        QTest::mouseClick(f.w().radTask, Qt::LeftButton);
        QVERIFY(!f.w().actSaveNote->isEnabled());
        QTest::mouseClick(f.w().radNote, Qt::LeftButton);
        QVERIFY(!f.w().actSaveNote->isEnabled());

        f.typeTitle(QStringLiteral("  "));
        QVERIFY(f.w().actSaveNote->isEnabled());
        MessageDlgSeam::setNextAnswers({ mrOk });
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 1);
        QCOMPARE(TXmlDocument::ChildCount(f.w().xmlNotes.Root()), 1);
        QVERIFY(f.w().actSaveNote->isEnabled());

        // A real title after the blanks switches the kind with Save enabled.
        f.typeTitle(QStringLiteral(" x "));
        QTest::mouseClick(f.w().radTask, Qt::LeftButton);
        QVERIFY(f.w().actSaveNote->isEnabled());
        // An empty title disables Save at once.
        f.typeTitle(QString());
        QVERIFY(!f.w().actSaveNote->isEnabled());
    }

    void deleteSelectsTheNextRow_data()
    {
        QTest::addColumn<int>("deletedPosition");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<QString>("loaded");
        // Newest first: c, b, a.
        QTest::newRow("first row") << 0 << QStringList { "b", "a" } << "b";
        QTest::newRow("middle row") << 1 << QStringList { "c", "a" } << "a";
        QTest::newRow("last row: the one before it") << 2 << QStringList { "c", "b" } << "b";
    }

    void deleteSelectsTheNextRow()
    {
        QFETCH(int, deletedPosition);
        QFETCH(QStringList, remaining);
        QFETCH(QString, loaded);
        TEditorWindow f(entries(note("a", "45000.25") + note("b", "45000.5") + note("c", "45000.75")));
        QCOMPARE(titles(f.w().lsvNotes, NoteRow::Title), (QStringList { "c", "b", "a" }));
        f.doubleClick(f.w().lsvNotes, f.noteRow(deletedPosition));
        QVERIFY(f.w().actDeleteNote->isEnabled());
        f.clickTool(f.w().actDeleteNote);

        QCOMPARE(titles(f.w().lsvNotes, NoteRow::Title), remaining);
        QCOMPARE(TXmlDocument::ChildCount(f.w().xmlNotes.Root()), 2);
        QCOMPARE(f.w().edtTitle->toPlainText(), loaded);
        QCOMPARE(selectedRow(f.w().lsvNotes)->subItem(NoteRow::Title), loaded);
        QCOMPARE(f.w().lblCreationDate->text(), selectedRow(f.w().lsvNotes)->text(0));
        // The rows were rebuilt: every index is the entry's new position.
        for (int i = 0; i < 2; ++i) {
            const auto row = f.noteRow(i);
            QCOMPARE(TEditorWindow::field(f.entry(row->subItem(NoteRow::Index).toInt()), "Title"),
                row->subItem(NoteRow::Title));
        }
        QCOMPARE(QString::number(f.w().EditorIndex),
            selectedRow(f.w().lsvNotes)->subItem(NoteRow::Index));
    }

    void deleteTheOnlyTask()
    {
        TEditorWindow f(entries(note("stays") + task("only")));
        f.doubleClick(f.w().lsvTasks, f.taskRow(0));
        f.clickTool(f.w().actDeleteNote);
        QCOMPARE(f.w().lsvTasks->model()->rowCount(), 0);
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 1);
        QCOMPARE(f.w().edtTitle->toPlainText(), QString());
        QCOMPARE(f.w().EditorIndex, -1);
        QCOMPARE(f.w().EditorKind, TEditorKind::None);
        QVERIFY(!f.w().actDeleteNote->isEnabled());

        // With the editor empty, a title and Note make a new note.
        QTest::mouseClick(f.w().radNote, Qt::LeftButton);
        f.typeTitle(QStringLiteral("after"));
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);
        QCOMPARE(TEditorWindow::field(f.entry(f.w().EditorIndex), "NoteType"), QStringLiteral("N"));
    }

    void deleteAsksWhenConfirming()
    {
        TEditorWindow f(entries(note("a") + note("b")));
        f.w().ConfirmOnDelete = true;
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        MessageDlgSeam::setNextAnswers({ mrNo });
        f.clickTool(f.w().actDeleteNote);
        const auto asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().message, QStringLiteral("Would you like to delete the current entry?"));
        QCOMPARE(TXmlDocument::ChildCount(f.w().xmlNotes.Root()), 2);
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);

        MessageDlgSeam::setNextAnswers({ mrYes });
        f.clickTool(f.w().actDeleteNote);
        QCOMPARE(TXmlDocument::ChildCount(f.w().xmlNotes.Root()), 1);
    }

    // Delete removes the entry in the editor, not the row selected by a click;
    // with a new entry in the editor there is nothing to delete.
    void deleteRemovesTheEntryInTheEditor()
    {
        TEditorWindow f(entries(note("a", "45000.25") + note("b", "45000.5") + note("c", "45000.75")));
        f.doubleClick(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 0));
        f.click(f.w().lsvNotes, f.rowOf(f.w().lsvNotes, NoteRow::Index, 1));
        MessageDlgSeam::setNextAnswers({ mrYes });
        f.clickTool(f.w().actDeleteNote);
        QCOMPARE(titles(f.w().lsvNotes, NoteRow::Title), (QStringList { "c", "b" }));

        // A new entry has no row: Delete, enabled by a selection, deletes nothing.
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("unsaved"));
        f.click(f.w().lsvNotes, f.noteRow(0));
        QVERIFY(f.w().actDeleteNote->isEnabled());
        const QByteArray before = f.w().xmlNotes.SaveToBytes();
        f.clickTool(f.w().actDeleteNote);
        QCOMPARE(f.w().xmlNotes.SaveToBytes(), before);
        QCOMPARE(f.w().lsvNotes->model()->rowCount(), 2);
        QCOMPARE(f.w().edtTitle->toPlainText(), QStringLiteral("unsaved"));
    }

    void deleteKeepsTheOtherListSorted()
    {
        TEditorWindow f(entries(task("t1", "45000.25") + note("n") + task("t2", "45000.75")));
        QCOMPARE(titles(f.w().lsvTasks, TaskRow::Title), (QStringList { "t2", "t1" }));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        f.clickTool(f.w().actDeleteNote);
        QCOMPARE(titles(f.w().lsvTasks, TaskRow::Title), (QStringList { "t2", "t1" }));
    }

    void selectionEnablesDelete()
    {
        TEditorWindow f(entries(note("a")));
        QVERIFY(!f.w().actDeleteNote->isEnabled());
        f.click(f.w().lsvNotes, f.noteRow(0));
        QVERIFY(f.w().actDeleteNote->isEnabled());
        QCOMPARE(f.w().edtTitle->toPlainText(), QString()); // selecting does not load
        f.w().lsvNotes->clearSelection();
        QVERIFY(!f.w().actDeleteNote->isEnabled());
    }

    void enablingRules()
    {
        TEditorWindow f(entries(note("a")));
        f.w().SpellCheckerType = 1;
        f.clickTool(f.w().actNewNote);
        QVERIFY(!f.w().actSpellCheck->isEnabled());
        f.typeBody(QStringLiteral("text"));
        QVERIFY(f.w().actSpellCheck->isEnabled());

        // A ticked note makes Save to File and Print available without a title.
        f.clickTool(f.w().actNewNote);
        QVERIFY(!f.w().actSaveNotesAs->isEnabled());
        f.w().NotesModel->setData(f.noteRow(0)->index(0), Qt::Checked, Qt::CheckStateRole);
        f.w().EnableUserControls();
        QVERIFY(f.w().actSaveNotesAs->isEnabled());
        QVERIFY(f.w().actPrint->isEnabled());

        QTemporaryFile file;
        QVERIFY(file.open());
        f.w().redFileName->setPlainText(file.fileName());
        QVERIFY(f.w().actViewFile->isEnabled());
        QVERIFY(f.w().actDeleteFile->isEnabled());
        f.w().redFileName->setPlainText(file.fileName() + QStringLiteral(".gone"));
        QVERIFY(!f.w().actViewFile->isEnabled());
        QVERIFY(f.w().actDeleteFile->isEnabled());

        f.w().HasPassPhrase = false;
        f.w().EnableUserControls();
        for (QAction *action : { f.w().actNewNote, f.w().actSaveNote, f.w().actPrint, f.w().actSaveNotesAs,
                 f.w().actSendMail, f.w().actDeleteNote, f.w().actSpellCheck, f.w().actAddFile,
                 f.w().actDeleteFile, f.w().actViewFile })
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    }

    void bulletKey_data()
    {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<bool>("typed");
        QTest::newRow("title") << "edtTitle" << true;
        QTest::newRow("body") << "redNote" << true;
        QTest::newRow("file field is read-only") << "redFileName" << false;
    }

    void bulletKey()
    {
        QFETCH(QString, fieldName);
        QFETCH(bool, typed);
        TEditorWindow f(entries(note("a")));
        auto *field = f.w().findChild<TRichEditURL *>(fieldName);
        QVERIFY(field);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(field->toPlainText(), typed ? QString(QChar(0x2022)) : QString());
    }

    void stampKeys_data()
    {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("stamp");
        const QString dateTime = DayNumber::displayText(DayNumber::fromDateTime(fixedNow)) + QLatin1Char(' ');
        QTest::newRow("F7 in the body") << "redNote" << int(Qt::Key_F7) << dateTime;
        QTest::newRow("F7 in the file field goes to the body")
            << "redFileName" << int(Qt::Key_F7) << dateTime;
        QTest::newRow("F8") << "redNote" << int(Qt::Key_F8) << QStringLiteral("3/10/26 ");
        QTest::newRow("F9") << "redFileName" << int(Qt::Key_F9)
                            << LocaleFormat().locale.toString(fixedNow.time(), LocaleFormat().longTimeFormat)
                + QLatin1Char(' ');
        QTest::newRow("F7 in the title does nothing") << "edtTitle" << int(Qt::Key_F7) << QString();
    }

    void stampKeys()
    {
        QFETCH(QString, fieldName);
        QFETCH(int, key);
        QFETCH(QString, stamp);
        TEditorWindow f(entries(note("a")));
        f.clickTool(f.w().actNewNote);
        f.typeBody(QStringLiteral("ab"));
        QTest::keyClick(f.w().redNote, Qt::Key_Left); // the caret between a and b
        auto *field = f.w().findChild<TRichEditURL *>(fieldName);
        field->setFocus();
        QTest::keyClick(field, Qt::Key(key));
        QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("a") + stamp + QStringLiteral("b"));
        if (fieldName != QLatin1String("redNote"))
            QCOMPARE(field->toPlainText(), QString());
    }

    void radioButtonsMarkTheirFocus_data()
    {
        QTest::addColumn<QString>("button");
        for (const char *name : { "radNote", "radTask", "radAllNotes", "radCurrentTab", "radCurrentNote" })
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void radioButtonsMarkTheirFocus()
    {
        QFETCH(QString, button);
        TEditorWindow f(entries(note("a")));
        auto *radio = f.w().findChild<QRadioButton *>(button);
        QVERIFY(radio);
        QVERIFY(!radio->font().bold());
        radio->setFocus();
        QTRY_VERIFY(radio->font().bold());
        f.w().edtTitle->setFocus();
        QTRY_VERIFY(!radio->font().bold());
    }

    void searchScopeFollowsItsSetting_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<QString>("checked");
        QTest::newRow("all entries") << 1 << "radAllNotes";
        QTest::newRow("current tab") << 2 << "radCurrentTab";
        QTest::newRow("current entry") << 3 << "radCurrentNote";
    }

    void searchScopeFollowsItsSetting()
    {
        QFETCH(int, scope);
        QFETCH(QString, checked);
        TEditorWindow f(entries(note("a")));
        f.w().DefaultSearchSetting = scope;
        f.w().EnableUserControls();
        QVERIFY(f.w().findChild<QRadioButton *>(checked)->isChecked());
    }

    // A font change is not an entry change: a clean editor stays clean, a
    // dirty one stays dirty.
    void fontChange_data()
    {
        QTest::addColumn<bool>("dirty");
        QTest::newRow("clean") << false;
        QTest::newRow("dirty") << true;
    }

    void fontChange()
    {
        QFETCH(bool, dirty);
        TEditorWindow f(entries(note("a")));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        if (dirty)
            f.typeBody(QStringLiteral("!"));
        const QFont before = f.w().redNote->font();
        QFont chosen(QStringLiteral("Serif"), 17);
        chosen.setItalic(true);
        FontChoiceSeam::setNextChoices({ chosen });
        f.clickTool(f.w().actFont);
        QCOMPARE(FontChoiceSeam::takeInitialFonts(), QList<QFont> { before });
        QCOMPARE(f.w().actSaveNote->isEnabled(), dirty);
        QVERIFY(f.w().EntryFont.has_value());
        QCOMPARE(*f.w().EntryFont, chosen);
        QCOMPARE(f.w().redNote->font(), chosen);
        QCOMPARE(f.w().edtTitle->font(), chosen);
        QCOMPARE(f.w().redFileName->font(), chosen);
        QCOMPARE(f.w().lsvNotes->font(), chosen);
        QCOMPARE(f.w().lsvTasks->font(), chosen);
    }

    void fontCancelled()
    {
        TEditorWindow f(entries(note("a")));
        const QFont before = f.w().redNote->font();
        FontChoiceSeam::setNextChoices({ std::nullopt });
        f.clickTool(f.w().actFont);
        QVERIFY(!f.w().EntryFont.has_value());
        QCOMPARE(f.w().redNote->font(), before);
    }

    void timers()
    {
        TEditorWindow f(entries(note("a")));
        f.w().DisplayReminders = true;
        f.w().AutoSave = false;
        f.w().ResetTimerState();
        QVERIFY(f.w().timReminder->isActive());
        QVERIFY(!f.w().timAutoSave->isActive());
        f.w().DisableTimer();
        QVERIFY(!f.w().timReminder->isActive());
        f.w().DisplayReminders = false;
        f.w().AutoSave = true;
        f.w().ResetTimerState();
        QVERIFY(!f.w().timReminder->isActive());
        QVERIFY(f.w().timAutoSave->isActive());

        // A save pauses the reminder check and leaves both as the settings say.
        f.w().DisplayReminders = true;
        f.clickTool(f.w().actNewNote);
        f.typeTitle(QStringLiteral("x"));
        f.clickTool(f.w().actSaveNote);
        QVERIFY(f.w().timReminder->isActive());
        QVERIFY(f.w().timAutoSave->isActive());
    }

    void autosave()
    {
        TEditorWindow f(entries(note("a")));
        f.w().AutoSave = true;
        f.w().timAutoSave->setInterval(10);
        f.w().ResetTimerState();
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        f.typeTitle(QStringLiteral("autosaved"));
        QTRY_COMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("autosaved"));
        QVERIFY(!f.w().actSaveNote->isEnabled());

        // A clean editor is not saved again.
        Clock::setFixed(fixedNow.addSecs(600));
        QTest::qWait(50);
        QCOMPARE(TEditorWindow::field(f.entry(0), "LastModified"),
            DayNumber::text(DayNumber::fromDateTime(fixedNow)));

        // A title of blanks is left alone without asking.
        f.typeTitle(QStringLiteral(" "));
        QTest::qWait(50);
        QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());
        QCOMPARE(TEditorWindow::field(f.entry(0), "Title"), QStringLiteral("autosaved"));
    }

    void urlClicks()
    {
        TEditorWindow f(entries(note("a")));
        TFakeUrlOpener opener;
        emit f.w().redNote->OnURLClick(f.w().redNote, QStringLiteral("https://example.org/a?b=c"));
        emit f.w().edtTitle->OnURLClick(f.w().edtTitle, QStringLiteral("www.example.org"));
        QCOMPARE(opener.opened,
            (QList<QUrl> { QUrl(QStringLiteral("https://example.org/a?b=c")),
                QUrl(QStringLiteral("http://www.example.org")) }));
        QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());

        // A left click on an address typed into the body opens it.
        opener.opened.clear();
        f.typeBody(QStringLiteral("see https://example.org/x today"));
        QTextCursor at(f.w().redNote->document());
        at.setPosition(int(f.w().redNote->toPlainText().indexOf(QStringLiteral("example"))));
        const QRect character = f.w().redNote->cursorRect(at);
        QTest::mouseClick(f.w().redNote->viewport(), Qt::LeftButton, {}, character.center() + QPoint(3, 0));
        QCOMPARE(opener.opened, QList<QUrl> { QUrl(QStringLiteral("https://example.org/x")) });

        opener.succeeds = false;
        MessageDlgSeam::setNextAnswers({ mrNo });
        emit f.w().redNote->OnURLClick(f.w().redNote, QStringLiteral("https://example.org/"));
        QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 1);
    }
    // Taking the window down moves the focus off its fields and hides it;
    // those events must not reach the handlers of a window already destroyed.
    void destroyingTheWindowRunsNoHandlerOfIt_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::newRow("title") << QStringLiteral("edtTitle");
        QTest::newRow("body") << QStringLiteral("redNote");
        QTest::newRow("kind button") << QStringLiteral("radNote");
        QTest::newRow("notes list") << QStringLiteral("lsvNotes");
    }

    void destroyingTheWindowRunsNoHandlerOfIt()
    {
        QFETCH(QString, focused);
        TEditorWindow editor(EditorFixture::entries(EditorFixture::note("first")));
        TfrmMain *w = editor.window.get();
        auto *field = w->findChild<QWidget *>(focused);
        QVERIFY(field);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());

        const QList<QObject *> handlers = w->findChildren<QObject *>(WindowEventFilterName, Qt::FindDirectChildrenOnly);
        QVERIFY(!handlers.isEmpty());
        int handlersAlive = int(handlers.size());
        for (QObject *handler : handlers)
            connect(handler, &QObject::destroyed, this, [&handlersAlive] { --handlersAlive; });

        // Sees every event the window and the focused field get while the window goes.
        struct TWatch : QObject {
            const int &alive;
            int seen = 0;
            int reachingHandlers = 0;
            explicit TWatch(const int &handlersLeft) : alive(handlersLeft) {}
            bool eventFilter(QObject *, QEvent *event) override
            {
                const QEvent::Type type = event->type();
                if (type == QEvent::FocusOut || type == QEvent::FocusIn || type == QEvent::Hide) {
                    ++seen;
                    if (alive > 0)
                        ++reachingHandlers;
                }
                return false;
            }
        } watch(handlersAlive);
        field->installEventFilter(&watch);
        w->installEventFilter(&watch);

        editor.window.reset();
        QVERIFY2(watch.seen > 0, "taking the window down sent the field no focus or hide event");
        QCOMPARE(watch.reachingHandlers, 0);
        QCOMPARE(handlersAlive, 0);
    }
};

QTEST_MAIN(tst_Editor)
#include "tst_editor.moc"
