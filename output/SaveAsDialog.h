#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// The Save As dialog of Save to File, kept for the whole run: it opens where
// the last file was saved, offering its name. Whoever borrows it with other
// filters puts its own back afterwards.
class TSaveAsDialog {
public:
    QString title = QStringLiteral("Save As");
    QString defaultSuffix = QStringLiteral("txt");
    QStringList filters { QStringLiteral("Text File (*.txt)"), QStringLiteral("All Files (*)") };
    // Where the dialog opens (empty: the user's documents folder) and the name
    // it offers.
    QString directory;
    QString fileName;

    // The path confirmed by the user, who was asked before an existing file
    // is replaced; no value when the user cancels.
    std::optional<QString> Execute(QWidget *parent);
};

// Test seam: while answers are queued, Execute shows no dialog and returns the
// next answer (no value: the user cancelled), recording what it was asked.
namespace SaveAsDialogSeam {

struct TAsked {
    QString title;
    QString directory;
    QString fileName;
    QStringList filters;
    QString defaultSuffix;
};

void setNextAnswers(const QList<std::optional<QString>> &paths);
bool hasPendingAnswers();
// Dialogs asked since the last take, oldest first.
QList<TAsked> takeAsked();
// Answers a dialog asked without a queued answer in place of showing it.
// Returns the handler it replaces; an empty one removes it.
using TUnansweredHandler = std::function<std::optional<QString>(const TAsked &)>;
TUnansweredHandler setUnansweredHandler(TUnansweredHandler handler);

} // namespace SaveAsDialogSeam
