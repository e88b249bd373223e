#include "controls/AttachmentDialog.h"

#include <QFileDialog>

namespace {
QList<std::optional<QString>> &queuedChoices()
{
    static QList<std::optional<QString>> choices;
    return choices;
}

QList<TAttachmentDialogRequest> &askedRequests()
{
    static QList<TAttachmentDialogRequest> requests;
    return requests;
}
} // namespace

std::optional<QString> ChooseAttachment(const TAttachmentDialogRequest &request, QWidget *parent)
{
    if (!queuedChoices().isEmpty()) {
        askedRequests().append(request);
        return queuedChoices().takeFirst();
    }
    QFileDialog dialog(parent, request.title, request.folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The desktop's own dialog may add the chosen file to the user's recently
    // used documents; an attachment is only referred to, not opened.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(request.nameFilters);
    if (!request.selectedNameFilter.isEmpty())
        dialog.selectNameFilter(request.selectedNameFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void AttachmentDialogSeam::setNextChoices(const QList<std::optional<QString>> &choices)
{
    queuedChoices() = choices;
}

bool AttachmentDialogSeam::hasPendingChoices() { return !queuedChoices().isEmpty(); }

QList<TAttachmentDialogRequest> AttachmentDialogSeam::takeRequests() { return std::exchange(askedRequests(), {}); }
