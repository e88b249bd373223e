// The main window worked from the keyboard alone: opening a row with Enter,
// the Edit menu opened with Alt+E, the window's access keys, the tab order of
// the editor, the Delete key in the lists and in the text fields, Delete
// while another row is highlighted, and Ctrl+Z bringing deleted entries back.
#include "diagnostics/MessageDlg.h"
#include "tests/AccessKeys.h"
#include "tests/EditorFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTabBar>
#include <QTextCursor>
#include <QTimeEdit>

using namespace EditorFixture;

namespace {
QMenu *menuNamed(const TfrmMain &w, const QString &title)
{
    for (QAction *item : w.menuBar()->actions()) {
        if (item->text() == title)
            return item->menu();
    }
    return nullptr;
}

// The widget that has the focus, by name; a tab bar goes by its page control's.
QString focusName()
{
    QWidget *focused = QApplication::focusWidget();
    if (!focused)
        return QStringLiteral("(none)");
    if (qobject_cast<QTabBar *>(focused))
        focused = focused->parentWidget();
    return focused->objectName();
}

void closePopups()
{
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
}
} // namespace

class tst_Keyboard : public QObject {
    Q_OBJECT

private slots:
    void init() { MessageDlgSeam::takeAskedDialogs(); }
    void cleanup() { closePopups(); }

    // Enter on a highlighted row loads it, as a double click does.
    void enterOpensTheHighlightedRow_data()
    {
        QTest::addColumn<bool>("tasks");
        QTest::addColumn<int>("key");
        QTest::newRow("notes, Return") << false << int(Qt::Key_Return);
        QTest::newRow("notes, Enter of the keypad") << false << int(Qt::Key_Enter);
        QTest::newRow("tasks, Return") << true << int(Qt::Key_Return);
    }

    void enterOpensTheHighlightedRow()
    {
        QFETCH(bool, tasks);
        QFETCH(int, key);
        TEditorWindow f(entries(note("n1", "45000.75") + note("n2", "45000.25") + task("t1", "45000.75")
            + task("t2", "45000.25")));
        TfrmMain &w = f.w();
        QTreeView *list = tasks ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes;
        f.showList(list);
        w.edtTitle->clear();
        list->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), list);
        // Newest first: the second row is the older entry.
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(w.edtTitle->toPlainText(), QString()); // highlighting alone loads nothing
        const Qt::KeyboardModifiers keypad = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(list, Qt::Key(key), keypad);
        QCOMPARE(w.edtTitle->toPlainText(), tasks ? QStringLiteral("t2") : QStringLiteral("n2"));
        QCOMPARE(w.EditorKind, tasks ? TEditorKind::Task : TEditorKind::Note);
        QVERIFY(!w.actSaveNote->isEnabled());
    }

    // Enter asks about unsaved changes first, like a double click; Cancel
    // keeps the editor as it is.
    void enterAsksBeforeDroppingChanges()
    {
        TEditorWindow f(entries(note("n1", "45000.75") + note("n2", "45000.25")));
        TfrmMain &w = f.w();
        f.doubleClick(w.lsvNotes, 0);
        f.typeTitle(QStringLiteral("edited"));
        w.lsvNotes->setFocus();
        QTest::keyClick(w.lsvNotes, Qt::Key_Down);
        MessageDlgSeam::setNextAnswers({ mrCancel });
        QTest::keyClick(w.lsvNotes, Qt::Key_Return);
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList { "Save changes to the current entry?" });
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("edited"));
    }

    // Alt+E opens the Edit menu with the commands of the field the user was
    // typing in, and they work on that field.
    void editMenuFromTheKeyboardWorksOnTheField()
    {
        TEditorWindow f(entries(note("n1")));
        TfrmMain &w = f.w();
        QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
        f.typeBody(QStringLiteral("cut me"));
        QTextCursor cursor = w.redNote->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        w.redNote->setTextCursor(cursor);

        QTest::keyClick(w.redNote, Qt::Key_E, Qt::AltModifier);
        QMenu *edit = menuNamed(w, QStringLiteral("&Edit"));
        QTRY_COMPARE(QApplication::activePopupWidget(), edit);
        for (QAction *action : { w.actEditUndo, w.actEditCut, w.actEditCopy, w.actEditPaste, w.actEditSelectAll })
            QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));

        QTest::keyClick(edit, Qt::Key_T); // Cu&t
        QTRY_VERIFY(!edit->isVisible());
        QCOMPARE(w.redNote->toPlainText(), QStringLiteral("me"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("cut "));
        QCOMPARE(QApplication::focusWidget(), w.redNote);
    }

    // Every access key of the main window leads to one place, whichever
    // kind of entry is in the editor.
    void accessKeysAreUnambiguous_data()
    {
        QTest::addColumn<bool>("task");
        QTest::newRow("note in the editor") << false;
        QTest::newRow("task in the editor") << true;
    }

    void accessKeysAreUnambiguous()
    {
        QFETCH(bool, task);
        TEditorWindow f(entries(note("n1")));
        TfrmMain &w = f.w();
        (task ? w.radTask : w.radNote)->click();
        const QStringList clashes = AccessKeys::clashes(&w);
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QStringLiteral("; "))));
    }

    // The first press of an access key reaches its place.
    void accessKeyReachesItsPlaceAtTheFirstPress_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("place");
        QTest::newRow("Alt+F") << int(Qt::Key_F) << "&File";
        QTest::newRow("Alt+E") << int(Qt::Key_E) << "&Edit";
        QTest::newRow("Alt+T") << int(Qt::Key_T) << "&Tools";
        QTest::newRow("Alt+H") << int(Qt::Key_H) << "&Help";
        QTest::newRow("Alt+S") << int(Qt::Key_S) << "tabTasks";
        QTest::newRow("Alt+O") << int(Qt::Key_O) << "tabNotes";
        QTest::newRow("Alt+A") << int(Qt::Key_A) << "radAllNotes";
        QTest::newRow("Alt+B") << int(Qt::Key_B) << "radCurrentTab";
        QTest::newRow("Alt+C") << int(Qt::Key_C) << "radCurrentNote";
    }

    void accessKeyReachesItsPlaceAtTheFirstPress()
    {
        QFETCH(int, key);
        QFETCH(QString, place);
        TEditorWindow f(entries(note("n1") + task("t1")));
        TfrmMain &w = f.w();
        // Start away from the place, so reaching it shows.
        f.showList(place == QLatin1String("tabNotes") ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes);
        w.radCurrentNote->setChecked(place != QLatin1String("radCurrentNote"));
        w.edtTitle->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w.edtTitle);

        QTest::keyClick(w.edtTitle, Qt::Key(key), Qt::AltModifier);
        if (QMenu *menu = menuNamed(w, place)) {
            QTRY_COMPARE(QApplication::activePopupWidget(), menu);
        } else if (place.startsWith(QLatin1String("tab"))) {
            QCOMPARE(w.pgcData->currentWidget()->objectName(), place);
        } else {
            auto *scope = w.findChild<QRadioButton *>(place);
            QTRY_VERIFY(scope->isChecked());
            QCOMPARE(QApplication::focusWidget(), scope);
        }
    }

    // Tab goes from the title to the body, and typing there lands in the
    // body; from there on through the window as it reads. A group of radio
    // buttons is one stop, at its checked button.
    void tabFollowsTheReadingOrder_data()
    {
        QTest::addColumn<bool>("task");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("note") << false
                              << QStringList { "edtTitle", "redNote", "radNote", "redFileName", "pgcData",
                                     "lsvNotes", "edtFind", "radCurrentTab", "edtTitle" };
        QTest::newRow("task") << true
                              << QStringList { "edtTitle", "redNote", "radTask", "dtpDate", "dtpTime",
                                     "cboReminder", "chkComplete", "redFileName", "pgcData", "lsvTasks",
                                     "edtFind", "radCurrentTab", "edtTitle" };
    }

    void tabFollowsTheReadingOrder()
    {
        QFETCH(bool, task);
        QFETCH(QStringList, order);
        TEditorWindow f(entries(note("n1") + EditorFixture::task("t1")));
        TfrmMain &w = f.w();
        w.radCurrentTab->setChecked(true);
        f.doubleClick(task ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes, 0);
        w.edtTitle->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w.edtTitle);

        QTest::keyClick(w.edtTitle, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.redNote);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed "));
        QCOMPARE(w.redNote->toPlainText(), QStringLiteral("typed body of %1").arg(task ? "t1" : "n1"));
        QCOMPARE(w.edtTitle->toPlainText(), task ? QStringLiteral("t1") : QStringLiteral("n1"));
        QTest::keyClick(w.redNote, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), w.edtTitle);

        // A picker takes Tab from one part of its text to the next first.
        QStringList visited { focusName() };
        for (int presses = 0; visited.size() < order.size() && presses < 3 * order.size(); ++presses) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (focusName() != visited.last())
                visited << focusName();
        }
        QCOMPARE(visited, order);
    }

    // Delete removes the entry in the editor. When the row the user has
    // highlighted is another entry, the user is asked first, and told which
    // entry goes; otherwise only ConfirmOnDelete asks.
    void deleteWithAnotherRowHighlighted_data()
    {
        QTest::addColumn<QString>("highlighted"); // the row highlighted after loading "a"
        QTest::addColumn<bool>("byKey");          // the Delete key in the list, else the tool button
        QTest::addColumn<bool>("confirmOnDelete");
        QTest::addColumn<int>("answer");          // 0: no question
        QTest::addColumn<bool>("namesTheEntries");
        QTest::addColumn<QStringList>("left");    // notes and tasks left, by title

        QTest::newRow("another note, No") << "b" << false << false << mrNo << true << QStringList { "b", "a", "t" };
        QTest::newRow("another note, Yes") << "b" << false << false << mrYes << true << QStringList { "b", "t" };
        QTest::newRow("another note, ConfirmOnDelete asks once")
            << "b" << false << true << mrYes << true << QStringList { "b", "t" };
        QTest::newRow("a task on the tab in view")
            << "t" << false << false << mrNo << true << QStringList { "b", "a", "t" };
        QTest::newRow("the entry itself") << "a" << false << false << 0 << false << QStringList { "b", "t" };
        QTest::newRow("the entry itself, ConfirmOnDelete")
            << "a" << false << true << mrYes << false << QStringList { "b", "t" };
        QTest::newRow("Delete key, another note, No")
            << "b" << true << false << mrNo << true << QStringList { "b", "a", "t" };
        QTest::newRow("Delete key, another note, Yes")
            << "b" << true << false << mrYes << true << QStringList { "b", "t" };
        QTest::newRow("Delete key in the tasks, No")
            << "t" << true << false << mrNo << true << QStringList { "b", "a", "t" };
        QTest::newRow("Delete key, the entry itself") << "a" << true << false << 0 << false << QStringList { "b", "t" };
        QTest::newRow("Delete key, the entry itself, ConfirmOnDelete")
            << "a" << true << true << mrYes << false << QStringList { "b", "t" };
    }

    void deleteWithAnotherRowHighlighted()
    {
        QFETCH(QString, highlighted);
        QFETCH(bool, byKey);
        QFETCH(bool, confirmOnDelete);
        QFETCH(int, answer);
        QFETCH(bool, namesTheEntries);
        QFETCH(QStringList, left);
        TEditorWindow f(entries(note("a", "45000.25") + note("b", "45000.5") + task("t")));
        TfrmMain &w = f.w();
        w.ConfirmOnDelete = confirmOnDelete;
        // Newest first: "b" above "a".
        f.doubleClick(w.lsvNotes, 1);
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("a"));
        QTreeView *list = highlighted == QLatin1String("t") ? static_cast<QTreeView *>(w.lsvTasks) : w.lsvNotes;
        f.click(list, highlighted == QLatin1String("a") ? 1 : 0);
        const QString created = w.EditorEntry()->caption();

        if (answer != 0)
            MessageDlgSeam::setNextAnswers({ answer });
        if (byKey) {
            list->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), list);
            QTest::keyClick(list, Qt::Key_Delete);
        } else {
            f.clickTool(w.actDeleteNote);
        }
        const QStringList asked = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(asked.size(), answer != 0 ? 1 : 0);
        if (namesTheEntries) {
            QCOMPARE(asked.first(),
                QStringLiteral("The highlighted row is not the entry in the editor. Delete the note in the editor, "
                               "\"a\" (created %1)?\r\n\r\nThe highlighted row, \"%2\", is not deleted.")
                    .arg(created, highlighted));
        } else if (answer != 0) {
            QCOMPARE(asked.first(), QStringLiteral("Would you like to delete the current entry?"));
        }

        QStringList titles;
        for (TEntryListModel *model : { w.NotesModel, w.TasksModel }) {
            for (int row = 0; row < model->rowCount(); ++row)
                titles << model->entryAt(row)->title();
        }
        QCOMPARE(titles, left);
        QCOMPARE(TXmlDocument::ChildCount(w.xmlNotes.Root()), left.size());
    }

    // Ctrl+Z while no text field has the focus brings the deleted entries
    // back, the last deleted first, each whole and at its place in the
    // document, also after a save between; in a text field it undoes the
    // typing there and leaves the deleted entries alone. Edit > Undo is
    // disabled with nothing left to undo.
    void ctrlZBringsDeletedEntriesBack()
    {
        TEditorWindow f(entries(note("a", "45000.25") + note("b", "45000.5", "<Extra>older &lt;field&gt;</Extra>")
            + note("c", "45000.75") + task("t")));
        TfrmMain &w = f.w();
        QVERIFY(w.EncryptXMLFile());
        const QByteArray original = w.xmlNotes.SaveToBytes();
        QVERIFY(!w.actEditUndo->isEnabled());

        // Newest first: "b" is the middle row.
        f.doubleClick(w.lsvNotes, 1);
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("b"));
        f.clickTool(w.actDeleteNote);
        w.pgcData->setCurrentWidget(w.tabTasks);
        f.doubleClick(w.lsvTasks, 0);
        f.clickTool(w.actDeleteNote);
        QCOMPARE(TXmlDocument::ChildCount(w.xmlNotes.Root()), 2);
        // Undo is for the field that has the focus, which has nothing to undo.
        w.edtTitle->setFocus();
        QVERIFY(!w.actEditUndo->isEnabled());
        w.lsvTasks->setFocus();
        QVERIFY(w.actEditUndo->isEnabled());

        // A new task (the tab in view): Ctrl+Z in its title undoes the typing only.
        f.clickTool(w.actNewNote);
        QTest::keyClicks(w.edtTitle, QStringLiteral("e"));
        QVERIFY(w.actEditUndo->isEnabled());
        QTest::keyClick(w.edtTitle, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.edtTitle->toPlainText(), QString());
        QCOMPARE(TXmlDocument::ChildCount(w.xmlNotes.Root()), 2);
        QTest::keyClicks(w.edtTitle, QStringLiteral("e"));
        f.clickTool(w.actSaveNote);
        QCOMPARE(TXmlDocument::ChildCount(w.xmlNotes.Root()), 3);

        for (const QString &title : { QStringLiteral("t"), QStringLiteral("b") }) {
            w.lsvNotes->setFocus();
            QVERIFY(w.actEditUndo->isEnabled());
            QTest::keyClick(w.lsvNotes, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(w.edtTitle->toPlainText(), title);
            QCOMPARE(w.EditorEntry()->title(), title);
        }
        w.lsvNotes->setFocus();
        QVERIFY(!w.actEditUndo->isEnabled());
        QVERIFY(!w.Entries->Unstored());

        // The document is the one before the deletes with the new task at its end.
        TXmlDocument expected;
        expected.LoadFromMemory(original);
        expected.Root().append_copy(w.xmlNotes.Root().last_child());
        QCOMPARE(w.xmlNotes.SaveToBytes(), expected.SaveToBytes());
        QCOMPARE(w.NotesModel->rowCount(), 3);
        QCOMPARE(w.TasksModel->rowCount(), 2);
    }

    // A long title, or one of several lines, is named on one line.
    void deleteQuestionNamesAnEntryOnOneLine()
    {
        const QByteArray longTitle(200, 'x');
        TEditorWindow f(entries(note("first^Msecond", "45000.25") + note(longTitle, "45000.5")));
        TfrmMain &w = f.w();
        f.doubleClick(w.lsvNotes, 1);
        f.click(w.lsvNotes, 0);
        MessageDlgSeam::setNextAnswers({ mrNo });
        f.clickTool(w.actDeleteNote);
        const QString asked = MessageDlgSeam::takeAskedMessages().value(0);
        QVERIFY2(asked.contains(QStringLiteral("\"first second\"")), qPrintable(asked));
        QVERIFY2(asked.contains(QStringLiteral("\"%1\u2026\"").arg(QString(79, QLatin1Char('x')))), qPrintable(asked));
    }

    // In the text fields the Delete key deletes a character; the entry stays.
    void deleteKeyInAFieldDeletesACharacter_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("title") << "edtTitle";
        QTest::newRow("body") << "redNote";
        QTest::newRow("find field") << "edtFind";
    }

    void deleteKeyInAFieldDeletesACharacter()
    {
        QFETCH(QString, field);
        TEditorWindow f(entries(note("abc", "45000.25") + note("b", "45000.5")));
        TfrmMain &w = f.w();
        f.doubleClick(w.lsvNotes, 1);
        f.click(w.lsvNotes, 1);
        QVERIFY(w.actDeleteNote->isEnabled());
        w.edtFind->setText(QStringLiteral("abc"));
        auto *target = w.findChild<QWidget *>(field);
        QVERIFY(target);
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key_Home);
        QTest::keyClick(target, Qt::Key_Delete);

        const QString text = field == QLatin1String("edtFind") ? w.edtFind->text()
            : field == QLatin1String("edtTitle")               ? w.edtTitle->toPlainText()
                                                               : w.redNote->toPlainText();
        QCOMPARE(text, field == QLatin1String("redNote") ? QStringLiteral("ody of abc") : QStringLiteral("bc"));
        QVERIFY(MessageDlgSeam::takeAskedMessages().isEmpty());
        QCOMPARE(w.NotesModel->rowCount(), 2);
        QCOMPARE(w.EditorEntry()->title(), QStringLiteral("abc"));
    }
};

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
