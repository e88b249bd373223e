#include "diagnostics/MessageDlg.h"

#include <QMessageBox>

namespace {
QList<int> &queuedAnswers()
{
    static QList<int> answers;
    return answers;
}
QStringList &askedMessages()
{
    static QStringList messages;
    return messages;
}
} // namespace

void MessageDlgSeam::setNextAnswers(const QList<int> &answers)
{
    queuedAnswers() = answers;
}

bool MessageDlgSeam::hasPendingAnswers()
{
    return !queuedAnswers().isEmpty();
}

QStringList MessageDlgSeam::takeAskedMessages()
{
    return std::exchange(askedMessages(), {});
}

int MessageDlg(const QString &caption, const QString &message, TMsgDlgType, TMsgDlgButtons buttons, int)
{
    if (!queuedAnswers().isEmpty()) {
        askedMessages().append(message);
        return queuedAnswers().takeFirst();
    }
    QMessageBox::StandardButtons standard;
    if (buttons & mbYes) standard |= QMessageBox::Yes;
    if (buttons & mbNo) standard |= QMessageBox::No;
    if (buttons & mbOK) standard |= QMessageBox::Ok;
    if (buttons & mbCancel) standard |= QMessageBox::Cancel;
    switch (QMessageBox::question(nullptr, caption, message, standard)) {
    case QMessageBox::Yes: return mrYes;
    case QMessageBox::No: return mrNo;
    case QMessageBox::Ok: return mrOk;
    default: return mrCancel;
    }
}

int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext)
{
    return MessageDlg(QStringLiteral("Tamsel"), message, type, buttons, helpContext);
}
