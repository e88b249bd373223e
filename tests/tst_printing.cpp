// Printing: the text assembled for the printer, and what reaches the page,
// printed to PDF and read back with poppler's tools: the text, the one-inch
// margins, the job name; the body field afterwards; no printer; failures.
#include "diagnostics/MessageDlg.h"
#include "output/EntryText.h"
#include "output/PrintRichText.h"
#include "platform/Clock.h"
#include "store/LocaleFormat.h"
#include "tests/EditorFixture.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTimer>
#include <QXmlStreamReader>

using namespace EditorFixture;

namespace {
const QDateTime now(QDate(2026, 3, 10), QTime(9, 0, 5));

// Two notes and two tasks. Day 46000 is 12/9/25.
QByteArray fixture(const QByteArray &groceriesBody = "  Milk^MEggs  ", const QByteArray &rentReminder = "6")
{
    return entries("<Note><Title>Groceries</Title><Text>" + groceriesBody
        + "</Text><DateTime>46000.375</DateTime>"
          "<LastModified>46001.5</LastModified><NoteType>N</NoteType></Note>"
          "<Note><Title>Ideas</Title><Text></Text><DateTime>46002.25</DateTime>"
          "<LastModified>46002.25</LastModified><NoteType>N</NoteType></Note>"
          "<Note><Title>Pay rent</Title><Text>Before noon</Text><DateTime>46003.5</DateTime>"
          "<LastModified>46003.75</LastModified><Deadline>46010.5</Deadline><Complete>0</Complete>"
          "<DateCompleted></DateCompleted><Reminder>"
        + rentReminder
        + "</Reminder><NoteType>T</NoteType></Note>"
          "<Note><Title>Call Bob</Title><Text>   </Text><DateTime>46004.5</DateTime>"
          "<LastModified>46005.5</LastModified><Deadline>46004</Deadline><Complete>1</Complete>"
          "<DateCompleted>46005.5</DateCompleted><Reminder>0</Reminder><NoteType>T</NoteType></Note>");
}

const TEntry *entryTitled(const TEditorWindow &f, const QString &title)
{
    for (int i = 0; i < f.w().Entries->count(); ++i) {
        if (f.w().Entries->at(i)->title() == title)
            return f.w().Entries->at(i);
    }
    return nullptr;
}

void check(const TEditorWindow &f, const QString &title)
{
    TEntry *entry = const_cast<TEntry *>(entryTitled(f, title));
    QVERIFY(entry);
    TEntryListModel *model = entry->task ? f.w().TasksModel : f.w().NotesModel;
    QVERIFY(model->setData(model->indexOf(entry), Qt::Checked, Qt::CheckStateRole));
}

void open(const TEditorWindow &f, const QString &title)
{
    const TEntry *entry = entryTitled(f, title);
    QTreeView *list = entry->task ? static_cast<QTreeView *>(f.w().lsvTasks) : f.w().lsvNotes;
    f.doubleClick(list, f.w().ModelOf(list)->rowOf(entry));
}

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished() || process.exitCode() != 0)
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return process.readAllStandardOutput();
}

// The printed lines as they stand on the page, blanks run together (a tab
// prints as a gap, which the reader gives back as blanks), empty lines left out.
QStringList printedLines(const QString &pdf)
{
    QStringList lines;
    const QString text = QString::fromUtf8(
        run(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") }));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString simple = line.simplified().remove(QLatin1Char('\f'));
        if (!simple.isEmpty())
            lines << simple;
    }
    return lines;
}

QString pdfInfo(const QString &pdf, const QString &field)
{
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), { pdf }));
    const QRegularExpression line(
        QStringLiteral("^") + field + QStringLiteral(":\\s*(.*)$"), QRegularExpression::MultilineOption);
    return line.match(info).captured(1).trimmed();
}

struct TWordBox {
    int page;
    QRectF box; // in points from the page's top left corner
};

struct TPrintedPages {
    QSizeF pageSize; // in points
    QList<TWordBox> words;
};

// Where every word of a PDF stands, as pdftotext -bbox tells.
TPrintedPages wordBoxes(const QString &pdf)
{
    TPrintedPages pages;
    QXmlStreamReader xml(
        run(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), pdf, QStringLiteral("-") }));
    int page = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("page")) {
            ++page;
            pages.pageSize = QSizeF(
                a.value(QLatin1String("width")).toDouble(), a.value(QLatin1String("height")).toDouble());
        } else if (xml.name() == QLatin1String("word")) {
            pages.words.append({ page,
                QRectF(QPointF(a.value(QLatin1String("xMin")).toDouble(),
                           a.value(QLatin1String("yMin")).toDouble()),
                    QPointF(a.value(QLatin1String("xMax")).toDouble(),
                        a.value(QLatin1String("yMax")).toDouble())) });
        }
    }
    return pages;
}
} // namespace

class tst_Printing : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(now);
        PrintDialogSeam::setPrintersInstalled(true);
        MessageDlgSeam::takeAskedDialogs();
    }

    void cleanup()
    {
        Clock::clearFixed();
        PrintDialogSeam::setPrintersInstalled(std::nullopt);
        QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
        QVERIFY2(!PrintDialogSeam::hasPendingAnswers(), "a queued print answer was not asked for");
        MessageDlgSeam::setNextAnswers({});
        PrintDialogSeam::setNextAnswers({});
    }

    void assembledText_data();
    void assembledText();
    void pageShowsTheTextUnderTheJobName();
    void marginsAreOneInch();
    void jobNameIsTheTitleAlsoWhenOnlyRowsPrint();
    void cancelPrintsNothingAndLeavesTheBody();
    void noPrinterIsSaidInPlainWords();
    void printerFailureIsReportedAndTheBodyComesBack();
    void rowThatCannotBePrintedLeavesTheBody();
    void reminderTimerRestsWhileTheDialogIsOpen();
    void chosenPagesArePrinted_data();
    void chosenPagesArePrinted();
};

void tst_Printing::assembledText_data()
{
    QTest::addColumn<QString>("editorTitle");
    QTest::addColumn<QString>("editorBody");
    QTest::addColumn<bool>("editorTask");
    QTest::addColumn<QString>("storedTitle");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QString>("expected");

    const QString rule = QStringLiteral("__________________________");
    const QString separator = QStringLiteral("\r\n__________________________________________________\r\n");
    const QString ideasRow = QStringLiteral("\r\nIdeas\r\n") + rule + QStringLiteral("\r\n\r\n\r\n");
    const QString groceriesRow
        = QStringLiteral("\r\nGroceries\r\n") + rule + QStringLiteral("\r\n\r\n  Milk\r\nEggs  \r\n");
    const QString rentRow = QStringLiteral("\r\nPay rent\r\n") + rule
        + QStringLiteral("\r\n\r\nDeadline:\t12/19/25 12:00:00 PM\r\nReminder:\t1 hour\r\n"
                         "Completed:\t\r\n\r\nBefore noon\r\n\r\n");
    const QString bobRow = QStringLiteral("\r\nCall Bob\r\n") + rule
        + QStringLiteral("\r\n\r\nDeadline:\t12/13/25\r\nReminder:\tNever\r\n"
                         "Completed:\t12/14/25 12:00:00 PM\r\n\r\n");

    QTest::newRow("editor's note, trimmed body, then rows")
        << "Groceries"
        << "  Milk\nEggs  " << false << "Groceries" << QStringList { "Ideas", "Groceries" }
        << QStringLiteral("Groceries\r\n") + rule + QStringLiteral("\r\n\r\nMilk\r\nEggs\r\n") + separator
            + ideasRow;
    QTest::newRow("editor's task shows its deadline, also at midnight")
        << "Plan trip"
        << "Book hotel" << true << QString() << QStringList { "Pay rent" }
        << QStringLiteral("Plan trip\r\n") + rule
            + QStringLiteral("\r\n\r\nDeadline:\t3/10/26 12:00:00 AM\r\n\r\nBook hotel\r\n") + separator
            + rentRow;
    QTest::newRow("title without body: its checked row prints from the list, first")
        << "Groceries" << QString() << false << "Groceries" << QStringList { "Groceries", "Ideas" }
        << ideasRow + separator + groceriesRow;
    QTest::newRow("body without title: printed as it is before the rows")
        << "  "
        << "  scribble " << false << QString() << QStringList { "Ideas" }
        << QStringLiteral("  scribble ") + ideasRow;
    QTest::newRow("tasks, each with only its own details")
        << QString() << QString() << false << QString() << QStringList { "Pay rent", "Call Bob" }
        << bobRow + separator + rentRow;
}

void tst_Printing::assembledText()
{
    QFETCH(QString, editorTitle);
    QFETCH(QString, editorBody);
    QFETCH(bool, editorTask);
    QFETCH(QString, storedTitle);
    QFETCH(QStringList, checked);
    QFETCH(QString, expected);

    TEditorWindow f(fixture());
    for (const QString &title : checked)
        check(f, title);
    TEditorEntry editor;
    editor.task = editorTask;
    editor.title = editorTitle;
    editor.body = editorBody;
    editor.stored = entryTitled(f, storedTitle);
    editor.deadlineDate = now.date();
    editor.deadlineTime = QTime(0, 0);
    const auto rows = [&](TEntryListModel *model) {
        TEntryRows result;
        for (int row = 0; row < model->rowCount(); ++row)
            result.push_back(model->entryAt(row));
        return result;
    };
    QCOMPARE(PrintEntriesText(editor, rows(f.w().NotesModel), rows(f.w().TasksModel)), expected);
}

void tst_Printing::pageShowsTheTextUnderTheJobName()
{
    TEditorWindow f(fixture());
    open(f, QStringLiteral("Groceries"));
    check(f, QStringLiteral("Ideas"));
    check(f, QStringLiteral("Call Bob"));
    f.w().DefaultPrintSetting = 2;
    QVERIFY(!f.w().actSaveNote->isEnabled());
    const QString pdf = f.home.path() + QStringLiteral("/print.pdf");
    PrintDialogSeam::setNextAnswers({ pdf });
    f.clickTool(f.w().actPrint);

    QCOMPARE(printedLines(pdf).join(QLatin1Char('\n')),
        QStringList({ "Groceries", "__________________________", "Milk", "Eggs",
                        "__________________________________________________", "Ideas",
                        "__________________________", "__________________________________________________",
                        "Call Bob", "__________________________", "Deadline: 12/13/25", "Reminder: Never",
                        "Completed: 12/14/25 12:00:00 PM" })
            .join(QLatin1Char('\n')));
    QCOMPARE(pdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("Tamsel: Groceries"));
    // One copy.
    QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
    QCOMPARE(QFile::permissions(pdf),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    // The body field has its text back without the outer blanks, and the
    // entry is not taken for changed.
    QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("Milk\nEggs"));
    QVERIFY(!f.w().actSaveNote->isEnabled());
    QVERIFY(!f.w().Printing);
    QVERIFY(f.w().redNote->updatesEnabled());
}

void tst_Printing::marginsAreOneInch()
{
    // A body long enough for lines that wrap and for a second page.
    QByteArray body;
    for (int line = 1; line <= 90; ++line)
        body += "Line " + QByteArray::number(line)
            + (line % 10 == 0 ? QByteArray(" word").repeated(40) : QByteArray()) + "^M";
    TEditorWindow f(fixture(body));
    open(f, QStringLiteral("Groceries"));
    const QString pdf = f.home.path() + QStringLiteral("/margins.pdf");
    PrintDialogSeam::setNextAnswers({ pdf });
    f.w().actPrintExecute();

    const TPrintedPages pages = wordBoxes(pdf);
    QVERIFY(!pages.words.isEmpty());
    QVERIFY2(pages.words.last().page >= 2, "the text fills more than one page");
    const double inch = 72;
    const double width = pages.pageSize.width();
    const double height = pages.pageSize.height();
    double left = width, top = height, right = 0, bottom = 0, lineHeight = 0;
    for (const TWordBox &word : pages.words) {
        if (word.page != 1)
            continue;
        left = std::min(left, word.box.left());
        top = std::min(top, word.box.top());
        right = std::max(right, word.box.right());
        bottom = std::max(bottom, word.box.bottom());
        lineHeight = std::max(lineHeight, word.box.height());
    }
    const auto message = [&] {
        return qPrintable(QStringLiteral("page %1 x %2 pt, text from (%3, %4) to (%5, %6)")
                              .arg(width)
                              .arg(height)
                              .arg(left)
                              .arg(top)
                              .arg(right)
                              .arg(bottom));
    };
    // The text starts an inch from the left and top edges.
    QVERIFY2(qAbs(left - inch) < 1, message());
    QVERIFY2(top >= inch - 0.5 && top < inch + lineHeight / 2, message());
    // Wrapped lines end short of an inch from the right edge, by less than a word.
    QVERIFY2(right <= width - inch + 0.5 && right > width - inch - 4 * lineHeight, message());
    // The first page ends short of an inch from the bottom, by less than two lines.
    QVERIFY2(bottom <= height - inch + 0.5 && bottom > height - inch - 2 * lineHeight, message());
}

void tst_Printing::jobNameIsTheTitleAlsoWhenOnlyRowsPrint()
{
    TEditorWindow f(fixture());
    f.showList(f.w().lsvTasks);
    f.w().actNewNoteExecute();
    f.typeTitle(QStringLiteral("Errands"));
    check(f, QStringLiteral("Pay rent"));
    const QString pdf = f.home.path() + QStringLiteral("/rows.pdf");
    PrintDialogSeam::setNextAnswers({ pdf });
    f.w().actPrintExecute();

    QCOMPARE(pdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("Tamsel: Errands"));
    QCOMPARE(printedLines(pdf).constFirst(), QStringLiteral("Pay rent"));
}

void tst_Printing::cancelPrintsNothingAndLeavesTheBody()
{
    TEditorWindow f(fixture());
    open(f, QStringLiteral("Groceries"));
    PrintDialogSeam::setNextAnswers({ std::nullopt });
    f.w().actPrintExecute();
    QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("  Milk\nEggs  "));
    QVERIFY(!f.w().Printing);
    QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());
}

void tst_Printing::noPrinterIsSaidInPlainWords()
{
    TEditorWindow f(fixture());
    open(f, QStringLiteral("Groceries"));
    PrintDialogSeam::setPrintersInstalled(false);

    // Cancel: no print dialog, nothing printed.
    MessageDlgSeam::setNextAnswers({ mrCancel });
    f.w().actPrintExecute();
    QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].message,
        QStringLiteral("No printer is installed on this computer.\r\n\r\nChoose OK to print to "
                       "a PDF file instead, or Cancel, add a printer in your system's printer "
                       "settings, and print again."));
    QCOMPARE(asked[0].type, TMsgDlgType::Warning);
    QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbOK | mbCancel));
    QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("  Milk\nEggs  "));

    // OK: the print dialog, and a PDF file.
    const QString pdf = f.home.path() + QStringLiteral("/instead.pdf");
    MessageDlgSeam::setNextAnswers({ mrOk });
    PrintDialogSeam::setNextAnswers({ pdf });
    f.w().actPrintExecute();
    QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 1);
    QCOMPARE(printedLines(pdf).constFirst(), QStringLiteral("Groceries"));
}

void tst_Printing::printerFailureIsReportedAndTheBodyComesBack()
{
    TEditorWindow f(fixture());
    open(f, QStringLiteral("Groceries"));
    const QString pdf = f.home.path() + QStringLiteral("/missing folder/print.pdf");
    PrintDialogSeam::setNextAnswers({ pdf });
    MessageDlgSeam::setNextAnswers({ mrNo });
    f.w().actPrintExecute();

    QVERIFY(MessageDlgSeam::takeAskedMessages().constFirst().contains(QStringLiteral("has been logged")));
    QFile log(f.home.dataFolder() + QStringLiteral("/Tamsel.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray report = "Method Name:\tPrintRichText\r\nError Message:\tPrinting to " + pdf.toUtf8()
        + " could not be started.\r\n";
    QVERIFY2(log.readAll().contains(report), report.constData());
    QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("Milk\nEggs"));
    QVERIFY(!f.w().actSaveNote->isEnabled());
    QVERIFY(!f.w().Printing);
}

void tst_Printing::rowThatCannotBePrintedLeavesTheBody()
{
    TEditorWindow f(fixture("  Milk^MEggs  ", "x"));
    open(f, QStringLiteral("Groceries"));
    f.showList(f.w().lsvTasks);
    check(f, QStringLiteral("Pay rent"));
    const QString pdf = f.home.path() + QStringLiteral("/print.pdf");
    PrintDialogSeam::setNextAnswers({ pdf });
    MessageDlgSeam::setNextAnswers({ mrNo });
    f.w().actPrintExecute();

    QFile log(f.home.dataFolder() + QStringLiteral("/Tamsel.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(
        log.readAll().contains("Method Name:\tactPrintExecute\r\nError Message:\tThe task 'Pay rent' has no "
                               "valid reminder.\r\n"));
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(f.w().redNote->toPlainText(), QStringLiteral("  Milk\nEggs  "));
    QVERIFY(!f.w().actSaveNote->isEnabled());
    QVERIFY(!f.w().Printing);
}

void tst_Printing::reminderTimerRestsWhileTheDialogIsOpen()
{
    TEditorWindow f(fixture());
    open(f, QStringLiteral("Groceries"));
    f.w().DisplayReminders = true;
    f.w().ResetTimerState();
    bool runningDuringDialog = true;
    bool printingDuringDialog = false;
    const auto former = PrintDialogSeam::setUnansweredHandler([&] {
        runningDuringDialog = f.w().timReminder->isActive();
        printingDuringDialog = f.w().Printing;
        return std::optional<QString>();
    });
    f.w().actPrintExecute();
    PrintDialogSeam::setUnansweredHandler(former);
    QVERIFY(!runningDuringDialog);
    QVERIFY(printingDuringDialog);
    QVERIFY(f.w().timReminder->isActive());
    QVERIFY(!f.w().Printing);
}

void tst_Printing::chosenPagesArePrinted_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("pages");

    QTest::newRow("the second") << 2 << 2 << 1;
    QTest::newRow("from the second to past the end") << 2 << 9 << 2;
    QTest::newRow("past the end") << 4 << 5 << 0;
}

void tst_Printing::chosenPagesArePrinted()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, pages);

    TestHome home;
    QTextDocument document;
    QString text;
    for (int line = 1; line <= 150; ++line)
        text += QStringLiteral("Line %1\n").arg(line);
    document.setPlainText(text);
    const auto print = [&](const QString &pdf, int first, int last) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        if (first > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(first, last);
        }
        return PrintRichText(printer, document, QStringLiteral("Tamsel: pages"), TMarginUnit::Inches, 1,
            QMarginsF(1, 1, 1, 1));
    };
    const auto firstLineOfPage = [](const QString &pdf, int page) {
        const QString number = QString::number(page);
        const QString pageText = QString::fromUtf8(run(QStringLiteral("pdftotext"),
            { QStringLiteral("-f"), number, QStringLiteral("-l"), number, pdf, QStringLiteral("-") }));
        return pageText.section(QLatin1Char('\n'), 0, 0);
    };
    const QString all = home.path() + QStringLiteral("/all.pdf");
    QVERIFY(print(all, 0, 0));
    QCOMPARE(pdfInfo(all, QStringLiteral("Pages")), QStringLiteral("3"));

    const QString chosen = home.path() + QStringLiteral("/chosen.pdf");
    if (pages == 0)
        MessageDlgSeam::setNextAnswers({ mrNo });
    QCOMPARE(print(chosen, from, to), pages > 0);
    if (pages == 0) {
        QVERIFY(MessageDlgSeam::takeAskedMessages().constFirst().contains(QStringLiteral("has been logged")));
        QVERIFY(!QFile::exists(chosen));
        return;
    }
    QCOMPARE(pdfInfo(chosen, QStringLiteral("Pages")), QString::number(pages));
    for (int page = 1; page <= pages; ++page)
        QCOMPARE(firstLineOfPage(chosen, page), firstLineOfPage(all, from + page - 1));
}

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
