#include "output/PrintRichText.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "diagnostics/MessageDlg.h"
#include "platform/Paths.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <memory>

namespace {
struct TSeam {
    QList<std::optional<QString>> answers;
    std::optional<bool> printersInstalled;
    PrintDialogSeam::TUnansweredHandler unanswered;
};

TSeam &seam()
{
    static TSeam state;
    return state;
}

bool printersInstalled()
{
    if (seam().printersInstalled)
        return *seam().printersInstalled;
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void printToPdf(QPrinter &printer, const QString &path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
}

QString printerName(const QPrinter &printer)
{
    return printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
}

// The pages to print, first and last counted from 1: the range chosen in the
// print dialog, within the document's pages.
std::pair<int, int> pageRange(const QPrinter &printer, int pages)
{
    if (printer.printRange() != QPrinter::PageRange || printer.fromPage() <= 0)
        return { 1, pages };
    const int last = printer.toPage() > 0 ? std::min(printer.toPage(), pages) : pages;
    if (printer.fromPage() > last) {
        throw ETamselError(
            QStringLiteral("The pages chosen to print (%1 to %2) are not in the document, which has %3.")
                .arg(printer.fromPage())
                .arg(printer.toPage())
                .arg(pages == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pages)));
    }
    return { printer.fromPage(), last };
}
} // namespace

bool PrintRichText(QPrinter &printer, const QTextDocument &document, const QString &jobName, TMarginUnit unit,
    int copies, const QMarginsF &margins)
{
    try {
        printer.setDocName(jobName);
        // Painting starts at the paper's corner; the margins are measured
        // from its edges, whatever the printer cannot reach.
        printer.setFullPage(true);
        const int resolution = printer.resolution(); // pixels per inch
        const double inches = unit == TMarginUnit::Centimetres ? 1 / 2.54 : 1.0;
        const auto pixels = [&](double margin) { return qRound(resolution * margin * inches); };
        const QRect paper = printer.pageLayout().fullRectPixels(resolution);
        const QRectF body(QPointF(pixels(margins.left()), pixels(margins.top())),
            QPointF(paper.width() - pixels(margins.right()), paper.height() - pixels(margins.bottom())));
        if (body.width() <= 0 || body.height() <= 0)
            throw ETamselError(QStringLiteral("The margins leave no room for text on the page."));

        // The text is laid out for the printer's resolution into pages of
        // the body's size.
        std::unique_ptr<QTextDocument> pagedText(document.clone());
        pagedText->documentLayout()->setPaintDevice(&printer);
        pagedText->setDocumentMargin(0);
        pagedText->setPageSize(body.size());
        const auto [first, last] = pageRange(printer, pagedText->pageCount());

        // A PDF file made here holds entries: it is the user's alone.
        const QString pdf = printer.outputFileName();
        const bool newPdf = !pdf.isEmpty() && !QFileInfo::exists(pdf);

        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, Qt::black);
        for (int copy = 0; copy < copies; ++copy) {
            QPainter painter;
            if (!painter.begin(&printer))
                throw ETamselError(
                    QStringLiteral("Printing to %1 could not be started.").arg(printerName(printer)));
            for (int page = first; page <= last; ++page) {
                if (page > first && !printer.newPage())
                    throw ETamselError(
                        QStringLiteral("%1 did not take page %2.").arg(printerName(printer)).arg(page));
                const QRectF view(0, (page - 1) * body.height(), body.width(), body.height());
                painter.save();
                painter.translate(body.left(), body.top() - view.top());
                painter.setClipRect(view);
                // A line starting right at the page's end belongs to the
                // next page: drawn here it would be cut off, and read twice.
                context.clip = view.adjusted(0, 0, 0, -1);
                pagedText->documentLayout()->draw(&painter, context);
                painter.restore();
            }
            if (!painter.end())
                throw ETamselError(
                    QStringLiteral("Printing to %1 could not be finished.").arg(printerName(printer)));
        }
        if (newPdf && !QFile::setPermissions(pdf, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            throw ETamselError(QStringLiteral("%1 could not be made private to you.").arg(pdf));
        return true;
    } catch (const ETamselError &error) {
        ReportError({ QStringLiteral("Main"), QStringLiteral("PrintRichText"), error.message() });
        return false;
    }
}

bool ExecutePrintDialog(QPrinter &printer, QWidget *parent)
{
    if (!printersInstalled()) {
        if (MessageDlg(QStringLiteral("No printer is installed on this computer.\r\n\r\n"
                                      "Choose OK to print to a PDF file instead, or Cancel, add a printer in "
                                      "your system's printer settings, and print again."),
                TMsgDlgType::Warning, mbOK | mbCancel)
            != mrOk)
            return false;
        if (printer.outputFileName().isEmpty()) {
            printToPdf(printer, QDir(Paths::documentsFolder()).filePath(QStringLiteral("Tamsel.pdf")));
        }
    }
    std::optional<QString> answer;
    if (!seam().answers.isEmpty())
        answer = seam().answers.takeFirst();
    else if (seam().unanswered)
        answer = seam().unanswered();
    else
        return QPrintDialog(&printer, parent).exec() == QDialog::Accepted;
    if (answer)
        printToPdf(printer, *answer);
    return answer.has_value();
}

void PrintDialogSeam::setNextAnswers(const QList<std::optional<QString>> &pdfPaths)
{
    seam().answers = pdfPaths;
}

bool PrintDialogSeam::hasPendingAnswers() { return !seam().answers.isEmpty(); }

void PrintDialogSeam::setPrintersInstalled(std::optional<bool> installed)
{
    seam().printersInstalled = installed;
}

PrintDialogSeam::TUnansweredHandler PrintDialogSeam::setUnansweredHandler(TUnansweredHandler handler)
{
    return std::exchange(seam().unanswered, std::move(handler));
}
