#include "output/SaveAsDialog.h"

#include "platform/Paths.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {
struct TSeam {
    QList<std::optional<QString>> answers;
    QList<SaveAsDialogSeam::TAsked> asked;
    SaveAsDialogSeam::TUnansweredHandler unanswered;
};

TSeam &seam()
{
    static TSeam state;
    return state;
}
} // namespace

std::optional<QString> TSaveAsDialog::Execute(QWidget *parent)
{
    std::optional<QString> path;
    const SaveAsDialogSeam::TAsked asked { title, directory, fileName, filters, defaultSuffix };
    if (!seam().answers.isEmpty()) {
        seam().asked.append(asked);
        path = seam().answers.takeFirst();
    } else if (seam().unanswered) {
        seam().asked.append(asked);
        path = seam().unanswered(asked);
    } else {
        QFileDialog dialog(parent, title, directory.isEmpty() ? Paths::documentsFolder() : directory);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setNameFilters(filters);
        if (!fileName.isEmpty())
            dialog.selectFile(fileName);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    }
    if (path) {
        const QFileInfo chosen(*path);
        directory = chosen.absolutePath();
        fileName = chosen.fileName();
    }
    return path;
}

void SaveAsDialogSeam::setNextAnswers(const QList<std::optional<QString>> &paths) { seam().answers = paths; }

bool SaveAsDialogSeam::hasPendingAnswers() { return !seam().answers.isEmpty(); }

QList<SaveAsDialogSeam::TAsked> SaveAsDialogSeam::takeAsked() { return std::exchange(seam().asked, {}); }

SaveAsDialogSeam::TUnansweredHandler SaveAsDialogSeam::setUnansweredHandler(TUnansweredHandler handler)
{
    return std::exchange(seam().unanswered, std::move(handler));
}
