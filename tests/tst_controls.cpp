// The program's own controls: the address finding and link clicks of
// TRichEditURL, the column-resize events and column limits of TListViewEx.
#include "controls/ColumnLimits.h"
#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "controls/URLFinder.h"

#include <QClipboard>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeWidget>

using URLs = QList<TURLRange>;
Q_DECLARE_METATYPE(TURLRange)

namespace {
// A point inside the character at a document position, in viewport coordinates.
QPoint pointOnCharacter(const TRichEditURL &edit, int position)
{
    QTextCursor cursor(edit.document());
    cursor.setPosition(position);
    const QRect before = edit.cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QRect after = edit.cursorRect(cursor);
    return {(before.left() + after.left()) / 2, before.center().y()};
}

// Sends one mouse event the way the window system delivers it to a widget.
void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButton button)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The underlined ranges the highlighter laid over a paragraph.
URLs underlinedRanges(const QTextBlock &block)
{
    URLs ranges;
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        if (range.format.fontUnderline())
            ranges.append({range.start, range.length});
    }
    return ranges;
}

// A list with three columns, two of them captioned alike, shown so that its
// header takes mouse events.
struct TResizeList
{
    TListViewEx list;
    QStandardItemModel model{0, 4};
    QSignalSpy begin{&list, &TListViewEx::OnBeginColumnResize};
    QSignalSpy progress{&list, &TListViewEx::OnColumnResize};
    QSignalSpy end{&list, &TListViewEx::OnEndColumnResize};

    TResizeList()
    {
        model.setHorizontalHeaderLabels({QStringLiteral("Task"), QStringLiteral("Done"), QStringLiteral("Done"),
                                         QStringLiteral("Note")});
        list.setModel(&model);
        list.header()->setStretchLastSection(false);
        list.header()->setSectionsClickable(true);
        for (int column = 0; column < 4; ++column)
            list.setColumnWidth(column, 100);
        list.resize(600, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
    }

    QWidget *header() const { return list.header()->viewport(); }
    // A point on the right border of a column, where the header offers to resize it.
    QPoint border(int column) const
    {
        const QHeaderView *view = list.header();
        return {view->sectionViewportPosition(column) + view->sectionSize(column) - 1, view->height() / 2};
    }
};
} // namespace

class tst_Controls : public QObject
{
    Q_OBJECT

private slots:
    void findsAddresses_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<URLs>("expected");
        QTest::newRow("whole line") << QStringLiteral("https://example.com/a?b=c") << URLs{{0, 25}};
        QTest::newRow("end of line") << QStringLiteral("see http://example.org") << URLs{{4, 18}};
        QTest::newRow("full stop after") << QStringLiteral("Go to www.example.org.") << URLs{{6, 15}};
        QTest::newRow("comma after") << QStringLiteral("http://a.org/x, then") << URLs{{0, 14}};
        QTest::newRow("in brackets") << QStringLiteral("(www.example.org)") << URLs{{1, 15}};
        QTest::newRow("bracket of the address kept")
            << QStringLiteral("see http://en.example.org/wiki/Foo_(bar)).") << URLs{{4, 36}};
        QTest::newRow("quoted") << QStringLiteral("\"https://x.org\" and 'ftp.x.org'") << URLs{{1, 13}, {21, 9}};
        QTest::newRow("mail") << QStringLiteral("write to mailto:bob@example.com;") << URLs{{9, 22}};
        QTest::newRow("file") << QStringLiteral("file:///home/me/a.txt") << URLs{{0, 21}};
        QTest::newRow("capitals") << QStringLiteral("HTTP://EXAMPLE.COM") << URLs{{0, 18}};
        QTest::newRow("two") << QStringLiteral("www.a.org www.b.org") << URLs{{0, 9}, {10, 9}};
        QTest::newRow("ends at angle bracket") << QStringLiteral("<http://x.org>") << URLs{{1, 12}};
        QTest::newRow("bare scheme") << QStringLiteral("http: is a scheme") << URLs{};
        QTest::newRow("bare prefix") << QStringLiteral("www. and www..") << URLs{};
        QTest::newRow("inside a word") << QStringLiteral("awww.example.org xhttp://x.org") << URLs{};
        QTest::newRow("mail address without scheme") << QStringLiteral("bob@www.example.org") << URLs{};
        QTest::newRow("plain words") << QStringLiteral("Nothing to see here.") << URLs{};
    }
    void findsAddresses()
    {
        QFETCH(QString, line);
        QFETCH(URLs, expected);
        QCOMPARE(FindURLs(line), expected);
    }

    void underlinesAddresses_data()
    {
        QTest::addColumn<bool>("singleLine");
        QTest::newRow("one line") << true;
        QTest::newRow("multi-line") << false;
    }
    void underlinesAddresses()
    {
        QFETCH(bool, singleLine);
        TRichEditURL edit(singleLine ? TRichEditURL::Lines::Single : TRichEditURL::Lines::Multi);
        QSignalSpy changed(&edit, &QTextEdit::textChanged);
        edit.setPlainText(QStringLiteral("see www.example.org. now"));
        QCoreApplication::processEvents();
        QCOMPARE(underlinedRanges(edit.document()->firstBlock()), (URLs{{4, 15}}));
        // Marking the link is no edit: nothing to undo, no change reported
        // beyond the text being set.
        QVERIFY(!edit.document()->isUndoAvailable());
        QVERIFY(!edit.document()->isModified());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(edit.toPlainText(), QStringLiteral("see www.example.org. now"));

        // Typed addresses are found as they are typed.
        edit.clear();
        edit.show();
        edit.setFocus();
        QTest::keyClicks(&edit, QStringLiteral("x http://a.org, y"));
        QCOMPARE(underlinedRanges(edit.document()->firstBlock()), (URLs{{2, 12}}));
    }

    void oneLineFormIsOneLineHigh()
    {
        TRichEditURL edit(TRichEditURL::Lines::Single);
        const int lineSpacing = edit.fontMetrics().lineSpacing();
        QVERIFY2(edit.sizeHint().height() < 2 * lineSpacing, qPrintable(QString::number(edit.sizeHint().height())));
        QVERIFY(edit.minimumSizeHint().height() <= edit.sizeHint().height());
        QCOMPARE(edit.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);

        QFont larger = edit.font();
        larger.setPointSize(larger.pointSize() * 2);
        const int before = edit.sizeHint().height();
        edit.setFont(larger);
        QVERIFY(edit.sizeHint().height() > before);

        // Pasted line breaks become blanks; Enter adds none.
        edit.show();
        edit.setFocus();
        QTest::keyClicks(&edit, QStringLiteral("a"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QGuiApplication::clipboard()->setText(QStringLiteral("b\r\nc\nd"));
        edit.paste();
        QCOMPARE(edit.toPlainText(), QStringLiteral("ab c d"));
        QCOMPARE(edit.document()->blockCount(), 1);
    }

    void reportsLeftClicksOnAddresses_data()
    {
        QTest::addColumn<bool>("singleLine");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("clickAt");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("expected"); // empty: no report

        for (const bool single : {true, false}) {
            const char *form = single ? "one line" : "multi-line";
            QTest::addRow("%s: left click", form)
                << single << QStringLiteral("see https://example.com/a now") << 10 << int(Qt::LeftButton)
                << QStringLiteral("https://example.com/a");
            QTest::addRow("%s: first character", form)
                << single << QStringLiteral("see https://example.com/a now") << 4 << int(Qt::LeftButton)
                << QStringLiteral("https://example.com/a");
            QTest::addRow("%s: right click", form)
                << single << QStringLiteral("see https://example.com/a now") << 10 << int(Qt::RightButton)
                << QString();
            QTest::addRow("%s: next to the address", form)
                << single << QStringLiteral("see https://example.com/a now") << 2 << int(Qt::LeftButton)
                << QString();
            QTest::addRow("%s: punctuation after", form)
                << single << QStringLiteral("Go to www.example.org.") << 21 << int(Qt::LeftButton) << QString();
            QTest::addRow("%s: address before punctuation", form)
                << single << QStringLiteral("Go to www.example.org.") << 20 << int(Qt::LeftButton)
                << QStringLiteral("www.example.org");
        }
        QTest::newRow("multi-line: end of a line")
            << false << QStringLiteral("first http://a.org\nsecond line") << 15 << int(Qt::LeftButton)
            << QStringLiteral("http://a.org");
        QTest::newRow("multi-line: start of the next line")
            << false << QStringLiteral("first line\nwww.b.org/x is there") << 13 << int(Qt::LeftButton)
            << QStringLiteral("www.b.org/x");
    }
    void reportsLeftClicksOnAddresses()
    {
        QFETCH(bool, singleLine);
        QFETCH(QString, text);
        QFETCH(int, clickAt);
        QFETCH(int, button);
        QFETCH(QString, expected);

        TRichEditURL edit(singleLine ? TRichEditURL::Lines::Single : TRichEditURL::Lines::Multi);
        edit.setContextMenuPolicy(Qt::NoContextMenu);
        edit.resize(400, singleLine ? edit.sizeHint().height() : 120);
        edit.setPlainText(text);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QSignalSpy clicks(&edit, &TRichEditURL::OnURLClick);

        QTest::mouseClick(edit.viewport(), Qt::MouseButton(button), {}, pointOnCharacter(edit, clickAt));

        if (expected.isEmpty()) {
            QCOMPARE(clicks.count(), 0);
        } else {
            QCOMPARE(clicks.count(), 1);
            QCOMPARE(clicks.at(0).at(0).value<TRichEditURL *>(), &edit);
            QCOMPARE(clicks.at(0).at(1).toString(), expected);
        }
        // The text is never changed by a click.
        QCOMPARE(edit.toPlainText(), text);
    }

    void clickBesideTheLastAddressIsNoLinkClick()
    {
        TRichEditURL edit(TRichEditURL::Lines::Multi);
        edit.resize(400, 120);
        edit.setPlainText(QStringLiteral("http://a.org\nnext"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QSignalSpy clicks(&edit, &TRichEditURL::OnURLClick);
        const QPoint lastCharacter = pointOnCharacter(edit, 11);
        QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, lastCharacter + QPoint(60, 0));
        QCOMPARE(clicks.count(), 0);
        QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, lastCharacter);
        QCOMPARE(clicks.count(), 1);
    }

    void columnIndexByCaption_data()
    {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("headerIndex");
        QTest::addColumn<QString>("headerText");
        QTest::addColumn<int>("expected");
        const QStringList dup{QStringLiteral("A"), QStringLiteral("Dup"), QStringLiteral("Dup")};
        QTest::newRow("own caption") << dup << 0 << QStringLiteral("A") << 0;
        QTest::newRow("second of two equal captions") << dup << 2 << QStringLiteral("Dup") << 2;
        QTest::newRow("own caption differs: first equal one") << dup << 0 << QStringLiteral("Dup") << 1;
        QTest::newRow("case counts") << dup << 1 << QStringLiteral("dup") << -1;
        QTest::newRow("no such caption") << dup << 1 << QStringLiteral("Other") << -1;
        QTest::newRow("index beyond the columns") << dup << 7 << QStringLiteral("A") << 0;
    }
    void columnIndexByCaption()
    {
        QFETCH(QStringList, captions);
        QFETCH(int, headerIndex);
        QFETCH(QString, headerText);
        QFETCH(int, expected);
        QCOMPARE(ColumnIndexByCaption(captions, headerIndex, headerText), expected);
    }

    void columnResizeEventsFollowTheDrag_data()
    {
        QTest::addColumn<int>("column");
        QTest::newRow("first") << 0;
        QTest::newRow("first of two equal captions") << 1;
        QTest::newRow("second of two equal captions") << 2;
    }
    void columnResizeEventsFollowTheDrag()
    {
        QFETCH(int, column);
        TResizeList f;
        const QPoint start = f.border(column);

        sendMouse(f.header(), QEvent::MouseButtonPress, start, Qt::LeftButton);
        QCOMPARE(f.begin.count(), 1);
        QCOMPARE(f.begin.at(0).at(0).value<TListViewEx *>(), &f.list);
        QCOMPARE(f.begin.at(0).at(1).toInt(), column);
        QCOMPARE(f.begin.at(0).at(2).toInt(), 100);

        sendMouse(f.header(), QEvent::MouseMove, start + QPoint(20, 0), Qt::LeftButton);
        sendMouse(f.header(), QEvent::MouseMove, start + QPoint(37, 3), Qt::LeftButton);
        QCOMPARE(f.progress.count(), 2);
        QCOMPARE(f.progress.at(1).at(1).toInt(), column);
        QCOMPARE(f.progress.at(1).at(2).toInt(), 137);
        // Only the tracking line moves while the mouse is down.
        QCOMPARE(f.list.columnWidth(column), 100);
        QVERIFY(f.list.trackingLineX().has_value());
        QCOMPARE(f.end.count(), 0);

        sendMouse(f.header(), QEvent::MouseButtonRelease, start + QPoint(37, 3), Qt::LeftButton);
        QCOMPARE(f.end.count(), 1);
        QCOMPARE(f.end.at(0).at(1).toInt(), column);
        QCOMPARE(f.end.at(0).at(2).toInt(), 137);
        QCOMPARE(f.list.columnWidth(column), 137);
        QVERIFY(!f.list.trackingLineX().has_value());
        QCOMPARE(f.begin.count(), 1);
    }

    void trackingLineFollowsTheMouse()
    {
        TResizeList f;
        const QPoint start = f.border(0);
        sendMouse(f.header(), QEvent::MouseButtonPress, start, Qt::LeftButton);
        const int lineAtStart = *f.list.trackingLineX();
        sendMouse(f.header(), QEvent::MouseMove, start + QPoint(50, 0), Qt::LeftButton);
        QCOMPARE(*f.list.trackingLineX(), lineAtStart + 50);
        sendMouse(f.header(), QEvent::MouseButtonRelease, start + QPoint(50, 0), Qt::LeftButton);
    }

    void dragStaysWithinTheColumnLimits_data()
    {
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("expected");
        QTest::newRow("wider than the largest") << 40 << 50;
        QTest::newRow("narrower than the smallest") << -30 << 40;
        QTest::newRow("within") << 2 << 45;
    }
    void dragStaysWithinTheColumnLimits()
    {
        QFETCH(int, move);
        QFETCH(int, expected);
        TResizeList f;
        f.list.setColumnWidthLimits(1, 40, 50);
        QCOMPARE(f.list.columnWidth(1), 50); // 100 was above the largest width
        f.list.setColumnWidth(1, 43);
        const QPoint start = f.border(1);
        sendMouse(f.header(), QEvent::MouseButtonPress, start, Qt::LeftButton);
        sendMouse(f.header(), QEvent::MouseMove, start + QPoint(move, 0), Qt::LeftButton);
        QCOMPARE(f.progress.last().at(2).toInt(), expected);
        sendMouse(f.header(), QEvent::MouseButtonRelease, start + QPoint(move, 0), Qt::LeftButton);
        QCOMPARE(f.end.last().at(2).toInt(), expected);
        QCOMPARE(f.list.columnWidth(1), expected);
    }

    void pressesAwayFromBordersAreTheHeaders()
    {
        TResizeList f;
        QSignalSpy clicked(f.list.header(), &QHeaderView::sectionClicked);
        const QPoint middle(f.list.header()->sectionViewportPosition(1) + 50, f.list.header()->height() / 2);
        QTest::mouseClick(f.header(), Qt::LeftButton, {}, middle);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 1);
        QCOMPARE(f.begin.count(), 0);
        QCOMPARE(f.end.count(), 0);
        QCOMPARE(f.list.columnWidth(1), 100);
    }

    void columnLimitsHoldForEveryWidthChange()
    {
        QTreeWidget list;
        list.setColumnCount(3);
        list.header()->setStretchLastSection(false);
        auto *limits = new TColumnLimits(list.header());
        limits->setLimits(0, 50);
        limits->setLimits(1, 40, 50);
        list.setColumnWidth(0, 10);
        QCOMPARE(list.columnWidth(0), 50);
        list.setColumnWidth(1, 80);
        QCOMPARE(list.columnWidth(1), 50);
        list.setColumnWidth(2, 300); // no limits of its own
        QCOMPARE(list.columnWidth(2), 300);
        // A hidden limited column stays hidden and comes back with its width.
        list.setColumnHidden(1, true);
        QVERIFY(list.isColumnHidden(1));
        list.setColumnHidden(1, false);
        QCOMPARE(list.columnWidth(1), 50);
    }
};

QTEST_MAIN(tst_Controls)
#include "tst_controls.moc"
