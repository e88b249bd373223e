#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// What the open dialog of an attachment is asked to show.
struct TAttachmentDialogRequest {
    QString title;
    // The starting folder; empty leaves the dialog's own.
    QString folder;
    // The dialog's choices of file types.
    QStringList nameFilters;
    // The choice selected when the dialog opens; empty selects the first.
    QString selectedNameFilter;
};

// The open dialog for choosing a file to attach: only an existing file can be
// chosen. No value when the user cancels.
std::optional<QString> ChooseAttachment(const TAttachmentDialogRequest &request, QWidget *parent);

// Test seam: while choices are queued, ChooseAttachment shows no dialog and
// returns the next one (no value: the user cancelled), recording the request.
namespace AttachmentDialogSeam {
void setNextChoices(const QList<std::optional<QString>> &choices);
bool hasPendingChoices();
// Requests asked since the last take, oldest first.
QList<TAttachmentDialogRequest> takeRequests();
} // namespace AttachmentDialogSeam
