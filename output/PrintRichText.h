#pragma once

#include <QList>
#include <QMarginsF>
#include <QString>
#include <functional>
#include <optional>

class QPrinter;
class QTextDocument;
class QWidget;

enum class TMarginUnit { Inches = 1, Centimetres = 2 };

// Prints the document `copies` times, each copy as one job named `jobName`,
// laid out page by page into the paper less the margins (left, top, right,
// bottom, in `unit`), in the pages chosen in the print dialog. Lines are not
// split between pages. True when every page went to the printer; a failure
// is reported here and gives false.
bool PrintRichText(QPrinter &printer, const QTextDocument &document, const QString &jobName, TMarginUnit unit,
    int copies, const QMarginsF &margins);

// The system's print dialog for the printer; false when the user cancels.
// Where no printer is installed the user is told so first, and may print to
// a PDF file instead.
bool ExecutePrintDialog(QPrinter &printer, QWidget *parent);

// Test seam: while answers are queued, ExecutePrintDialog shows no dialog and
// takes the next answer: a path makes the printer print to that PDF file, no
// value is the user's Cancel.
namespace PrintDialogSeam {

void setNextAnswers(const QList<std::optional<QString>> &pdfPaths);
bool hasPendingAnswers();
// Whether printers are installed, in place of asking the system; no value
// asks the system again.
void setPrintersInstalled(std::optional<bool> installed);
// Answers a dialog asked without a queued answer in place of showing it.
// Returns the handler it replaces; an empty one removes it.
using TUnansweredHandler = std::function<std::optional<QString>()>;
TUnansweredHandler setUnansweredHandler(TUnansweredHandler handler);

} // namespace PrintDialogSeam
