// Entries far longer than a screen shows: their list rows, their tooltips,
// the editor and saving them back whole.
#include "controls/URLFinder.h"
#include "controls/EntryRowDelegate.h"
#include "store/EntryDocument.h"
#include "tests/EditorFixture.h"

#include <QInputMethodEvent>
#include <QStyleOptionViewItem>
#include <QTextBlock>
#include <QTextLayout>

namespace {
constexpr qsizetype megabytes = 3'000'000;

// A text of `length` characters that starts with `head`, of words, non-ASCII
// letters and characters outside the basic plane (surrogate pairs), with a
// line break now and then when `lines` is set.
QString longText(const QString &head, qsizetype length, bool lines)
{
    const QString word = lines ? QStringLiteral("wörd 😀 text\n") : QStringLiteral("wörd 😀 text ");
    QString text = head;
    text.reserve(length + word.size());
    while (text.size() < length)
        text += word;
    text.truncate(length);
    if (text.back().isHighSurrogate())
        text.back() = QLatin1Char('x');
    return text;
}

QByteArray storedNote(const QString &title, const QString &body, const QByteArray &created)
{
    QByteArray text = EntryDocument::BodyToStored(body).toUtf8();
    return "<Note><Title>" + EntryDocument::TitleToStored(title).toUtf8() + "</Title><Text>" + text
        + "</Text><DateTime>" + created + "</DateTime><LastModified>" + created
        + "</LastModified><NoteType>N</NoteType></Note>";
}

// The row delegate's view of a cell, as it is drawn in a rect or measured.
struct TCellProbe : TEntryRowDelegate {
    TCellProbe() : TEntryRowDelegate(NoDoneColumn) {}
    QString drawnText(QTreeView *list, const QModelIndex &index, int width) const
    {
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.rect = QRect(0, 0, width, 20);
        initStyleOption(&option, index);
        return option.text;
    }
};
} // namespace

class tst_LargeEntries : public QObject {
    Q_OBJECT

private slots:
    // A row shows the start of its long title, cut with an ellipsis to what
    // the cell holds; its tooltip holds only the start too.
    void rowShowsTheStartOfALongText_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("lines");
        QTest::newRow("title") << NoteColumn::Title << false;
        QTest::newRow("body") << NoteColumn::Note << true;
    }

    void rowShowsTheStartOfALongText()
    {
        QFETCH(int, column);
        QFETCH(bool, lines);
        const QString text = longText(QStringLiteral("Head of the text "), megabytes, lines);
        TEditorWindow f(EditorFixture::entries(storedNote(text, text, "45000.5")));
        const QModelIndex cell = f.w().NotesModel->index(0, column);

        const QString shown = cell.data().toString();
        QVERIFY(shown.size() < 10'000);
        QCOMPARE(shown, text.left(shown.size()));

        const QString drawn = TCellProbe().drawnText(f.w().lsvNotes, cell, 300);
        QVERIFY(drawn.startsWith(QStringLiteral("Head of the text ")));
        QVERIFY(drawn.endsWith(QChar(0x2026)));
        QVERIFY(drawn.size() < 300);

        const QString tip = cell.data(Qt::ToolTipRole).toString();
        QVERIFY(tip.size() < 10'000);
        QVERIFY(tip.endsWith(QChar(0x2026)));
        QCOMPARE(tip.chopped(1), text.left(tip.size() - 1));
    }

    // A row is measured from what a cell can show: a title many times longer
    // than a line is no higher or wider than one just longer than a line.
    void sizeHintStopsGrowingBeyondALine_data()
    {
        QTest::addColumn<int>("column");
        QTest::newRow("title") << NoteColumn::Title;
        QTest::newRow("body") << NoteColumn::Note;
    }

    void sizeHintStopsGrowingBeyondALine()
    {
        QFETCH(int, column);
        const bool lines = column == NoteColumn::Note;
        const QString line = longText(QStringLiteral("short "), 20'000, lines);
        const QString huge = longText(QStringLiteral("short "), megabytes, lines);
        TEditorWindow f(EditorFixture::entries(storedNote(QStringLiteral("short"), QStringLiteral("short"), "45000.5")
                                               + storedNote(line, line, "45000.6")
                                               + storedNote(huge, huge, "45000.7")));
        QTreeView *list = f.w().lsvNotes;
        const auto hint = [&](int documentIndex) {
            return list->sizeHintForIndex(f.rowOf(list, NoteRow::Index, documentIndex)->index(column));
        };
        QCOMPARE(hint(2), hint(1));
        QCOMPARE(hint(2).height(), hint(0).height());
    }

    // Opening a long entry and saving it unchanged writes its whole title and
    // body back; the title field shows the title's start and keeps the rest.
    void openAndSaveKeepsTheWholeEntry()
    {
        const QString title = longText(QStringLiteral("Long title "), megabytes, false);
        const QString body = longText(QStringLiteral("Long body "), megabytes, true);
        TEditorWindow f(EditorFixture::entries(storedNote(title, body, "45000.5")));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        QCOMPARE(f.w().edtTitle->fieldText(), title);
        QVERIFY(f.w().edtTitle->toPlainText().size() <= TRichEditURL::LongLineCharacters + 1);
        QVERIFY(f.w().edtTitle->isReadOnly());
        QCOMPARE(f.w().redNote->toPlainText(), body);

        // An edit undone leaves the entry as it was, but to be saved.
        f.w().redNote->setFocus();
        f.w().redNote->moveCursor(QTextCursor::End);
        QTest::keyClick(f.w().redNote, Qt::Key_X);
        QTest::keyClick(f.w().redNote, Qt::Key_Backspace);
        QVERIFY(f.w().actSaveNote->isEnabled());
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(EntryDocument::TitleFromStored(TEditorWindow::field(f.entry(0), "Title")), title);
        QCOMPARE(EntryDocument::BodyFromStored(TEditorWindow::field(f.entry(0), "Text")), body);

        f.restart();
        QCOMPARE(f.w().NotesModel->entryAt(0)->title(), title);
        QCOMPARE(f.w().NotesModel->entryAt(0)->body(), body);
    }

    // A long title held by the field is let go with the next text or a clear,
    // and the field takes typing again.
    void titleFieldLetsGoOfALongTitle()
    {
        TRichEditURL field(TRichEditURL::Lines::Single);
        field.setFieldText(longText(QStringLiteral("Long "), 50'000, false));
        QVERIFY(field.isReadOnly());
        field.setFieldText(QStringLiteral("short"));
        QCOMPARE(field.fieldText(), QStringLiteral("short"));
        QVERIFY(!field.isReadOnly());
        field.setFieldText(longText(QStringLiteral("Long "), 50'000, false));
        field.clear();
        QCOMPARE(field.fieldText(), QString());
        QVERIFY(!field.isReadOnly());
    }

    // A body paragraph too long to be laid out at once is shown as its start,
    // read-only, the paragraphs around it whole; the body's value is the
    // whole text, which a save writes back, and which a date stamp key or
    // the spell check does not cut to what is shown.
    void bodyShowsTheStartOfAParagraphTooLong()
    {
        const QString paragraph = longText(QStringLiteral("Long paragraph "), megabytes, false);
        const QString body = QStringLiteral("first\n") + paragraph + QStringLiteral("\nlast");
        TEditorWindow f(EditorFixture::entries(storedNote(QStringLiteral("Title"), body, "45000.5")));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        TRichEditURL *field = f.w().redNote;
        QCOMPARE(field->fieldText(), body);
        QVERIFY(field->isReadOnly());
        const QTextDocument *shown = field->document();
        QCOMPARE(shown->blockCount(), 3);
        QCOMPARE(shown->firstBlock().text(), QStringLiteral("first"));
        const QString start = shown->firstBlock().next().text();
        QCOMPARE(start.size(), TRichEditURL::LongParagraphCharacters + 1);
        QVERIFY(start.endsWith(QChar(0x2026)));
        QVERIFY(paragraph.startsWith(start.chopped(1)));
        QCOMPARE(shown->lastBlock().text(), QStringLiteral("last"));

        field->setFocus();
        QTest::keyClick(field, Qt::Key_F7);
        f.w().actSpellCheckExecute();
        QCOMPARE(field->fieldText(), body);

        f.w().edtTitle->setFocus();
        QTest::keyClicks(f.w().edtTitle, QStringLiteral(" edited"));
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(EntryDocument::BodyFromStored(TEditorWindow::field(f.entry(0), "Text")), body);
        QVERIFY(field->isReadOnly());
    }

    // Each paragraph too long is cut, without splitting a character outside
    // the basic plane; a text with none keeps the field editable.
    void fieldCutsEveryParagraphTooLong_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown");
        const qsizetype longest = TRichEditURL::LongParagraphCharacters;
        const QString full = QString(longest, QLatin1Char('a'));
        const QString over = full + QLatin1Char('b');
        const QString ellipsis(QChar(0x2026));
        const QString pairAtTheCut = QString(longest - 1, QLatin1Char('a')) + QStringLiteral("😀tail");
        QTest::newRow("none too long") << full + QLatin1Char('\n') + full << QStringList{full, full};
        QTest::newRow("two too long") << over + QStringLiteral("\nshort\n") + over
                                      << QStringList{full + ellipsis, QStringLiteral("short"), full + ellipsis};
        QTest::newRow("a surrogate pair at the cut") << pairAtTheCut
                                                     << QStringList{pairAtTheCut.left(longest - 1) + ellipsis};
    }
    void fieldCutsEveryParagraphTooLong()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, shown);
        TRichEditURL field(TRichEditURL::Lines::Multi);
        field.setFieldText(text);
        QCOMPARE(field.fieldText(), text);
        QCOMPARE(field.toPlainText().split(QLatin1Char('\n')), shown);
        QCOMPARE(field.isReadOnly(), shown.join(QLatin1Char('\n')) != text);
        field.setFieldText(QStringLiteral("short"));
        QVERIFY(!field.isReadOnly());
        QCOMPARE(field.fieldText(), QStringLiteral("short"));
    }

    // In a long text the paragraphs on screen carry their address marks,
    // also those scrolled into view, whether the text is typed in whole or
    // opened as the field's text.
    void longTextMarksTheAddressesOnScreen_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::newRow("setPlainText") << false;
        QTest::newRow("setFieldText") << true;
    }
    void longTextMarksTheAddressesOnScreen()
    {
        QFETCH(bool, opened);
        TRichEditURL field(TRichEditURL::Lines::Multi);
        field.resize(400, 200);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        const QString lines = longText(QString(), 300'000, true);
        const QString text = QStringLiteral("see http://example.org\n") + lines + QStringLiteral("\nend www.example.org");
        if (opened)
            field.setFieldText(text);
        else
            field.setPlainText(text);
        QTRY_VERIFY(underlined(field.document()->firstBlock()));
        QVERIFY(!underlined(field.document()->lastBlock()));
        field.moveCursor(QTextCursor::End);
        QTRY_VERIFY(underlined(field.document()->lastBlock()));
        QCOMPARE(field.toPlainText(), text);
    }

    // The paragraphs on screen of a long text look as they would in a short
    // one: unknown words marked, addresses over them where both overlap; a
    // new word marker marks them again.
    void longTextMarksAsAShortOne()
    {
        const QString head = QStringLiteral("Mail me@example.org or see http://example.org/x today");
        const auto everything = [](const QString &paragraph) { return QList<TURLRange>{TURLRange{0, int(paragraph.size())}}; };
        const auto fromSecondWord = [](const QString &paragraph) {
            return QList<TURLRange>{TURLRange{5, int(paragraph.size()) - 5}};
        };
        TRichEditURL shortField(TRichEditURL::Lines::Multi);
        shortField.setWordMarker(everything);
        shortField.setFieldText(head);
        TRichEditURL longField(TRichEditURL::Lines::Multi);
        longField.resize(400, 200);
        longField.show();
        QVERIFY(QTest::qWaitForWindowExposed(&longField));
        longField.setWordMarker(everything);
        longField.setFieldText(head + QLatin1Char('\n') + longText(QString(), 300'000, true));
        const auto formats = [](const TRichEditURL &field) { return field.document()->firstBlock().layout()->formats(); };
        QVERIFY(!formats(shortField).isEmpty());
        QTRY_COMPARE(formats(longField), formats(shortField));

        shortField.setWordMarker(fromSecondWord);
        longField.setWordMarker(fromSecondWord);
        QTRY_COMPARE(formats(longField), formats(shortField));
        QCOMPARE(formats(longField).first().start, 5);
        QVERIFY(longField.document()->lastBlock().layout()->formats().isEmpty());
    }

    // What an input method is composing keeps its look when the paragraph
    // is marked again, and the marks after it move along, in a long text as
    // in a short one.
    void longTextKeepsTheComposedText()
    {
        const QString head = QStringLiteral("see http://example.org");
        TRichEditURL shortField(TRichEditURL::Lines::Multi);
        TRichEditURL longField(TRichEditURL::Lines::Multi);
        longField.resize(400, 200);
        longField.show();
        QVERIFY(QTest::qWaitForWindowExposed(&longField));
        shortField.setFieldText(head);
        longField.setFieldText(head + QLatin1Char('\n') + longText(QString(), 300'000, true));
        const auto formats = [](const TRichEditURL &field) { return field.document()->firstBlock().layout()->formats(); };
        QTRY_VERIFY(!formats(longField).isEmpty());
        QTextCharFormat composing;
        composing.setFontItalic(true);
        for (TRichEditURL *field : {&shortField, &longField}) {
            QInputMethodEvent event(QStringLiteral("ab"),
                                    {{QInputMethodEvent::TextFormat, 0, 2, composing}});
            QCoreApplication::sendEvent(field, &event);
            field->remark();
        }
        QTRY_COMPARE(formats(longField), formats(shortField));
        QVERIFY(formats(longField).contains(QTextLayout::FormatRange{0, 2, composing}));
    }

    // An opened long text takes typing, marks the address typed on screen
    // and undoes back to the text opened, but not past it.
    void openedLongTextTypesAndUndoes()
    {
        TRichEditURL field(TRichEditURL::Lines::Multi);
        field.resize(400, 200);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        const QString text = longText(QStringLiteral("Long body\n"), 300'000, true);
        field.setFieldText(text);
        QVERIFY(!field.document()->isUndoAvailable());
        QTRY_VERIFY(!underlined(field.document()->firstBlock()));
        field.setFocus();
        QTest::keyClicks(&field, QStringLiteral("www.example.org "));
        QTRY_VERIFY(underlined(field.document()->firstBlock()));
        QVERIFY(field.document()->isUndoAvailable());
        while (field.document()->isUndoAvailable())
            field.undo();
        QCOMPARE(field.toPlainText(), text);
        QTRY_VERIFY(!underlined(field.document()->firstBlock()));
    }

    // A change of more paragraphs than a screen shows is marked anew where
    // it comes into view, also in the paragraphs marked before it.
    void longChangeToALongTextIsMarkedOnScreen()
    {
        TRichEditURL field(TRichEditURL::Lines::Multi);
        field.resize(400, 200);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        const QString head = QStringLiteral("see http://example.org");
        field.setFieldText(head + QLatin1Char('\n') + longText(QString(), 300'000, true));
        QTRY_VERIFY(underlined(field.document()->firstBlock()));
        QTextCursor(field.document())
            .insertText(QStringLiteral("www.example.com and\n")
                        + QStringLiteral("a paragraph without an address\n").repeated(500) + QStringLiteral("moved "));
        const auto underlinedText = [](const QTextBlock &block) {
            QString text;
            for (const QTextLayout::FormatRange &range : block.layout()->formats())
                if (range.format.fontUnderline())
                    text += block.text().mid(range.start, range.length);
            return text;
        };
        QTRY_COMPARE(underlinedText(field.document()->firstBlock()), QStringLiteral("www.example.com"));
        const QTextBlock moved = field.document()->findBlockByNumber(501);
        QCOMPARE(moved.text(), QStringLiteral("moved ") + head);
        field.setTextCursor(QTextCursor(moved));
        QTRY_COMPARE(underlinedText(moved), QStringLiteral("http://example.org"));
    }

    // A long text cut short is marked whole again, off screen too.
    void longTextCutShortIsMarkedWhole()
    {
        TRichEditURL field(TRichEditURL::Lines::Multi);
        field.resize(400, 200);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        field.setFieldText(longText(QStringLiteral("Long body\n"), 300'000, true));
        QTextCursor cursor(field.document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(QStringLiteral("see www.example.org") + QStringLiteral("\nline").repeated(100)
                          + QStringLiteral("\nend www.example.com"));
        QTRY_VERIFY(underlined(field.document()->firstBlock()));
        QTRY_VERIFY(underlined(field.document()->lastBlock()));
    }

private:
    static bool underlined(const QTextBlock &block)
    {
        for (const QTextLayout::FormatRange &range : block.layout()->formats())
            if (range.format.fontUnderline())
                return true;
        return false;
    }
};

QTEST_MAIN(tst_LargeEntries)
#include "tst_largeentries.moc"
