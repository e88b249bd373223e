#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// The program's one way to ask a question or show a message.
enum class TMsgDlgType { Warning, Error, Information, Confirmation, Custom };

enum TMsgDlgBtn : unsigned {
    mbYes = 0x1,
    mbNo = 0x2,
    mbOK = 0x4,
    mbCancel = 0x8,
};
using TMsgDlgButtons = unsigned;

// Results of MessageDlg.
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// Caption "Tamsel", centred over the active window.
int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);
// The given caption, centred on the screen.
int MessageDlg(const QString &caption, const QString &message, TMsgDlgType type,
               TMsgDlgButtons buttons, int helpContext = 0);

// Test seam: while answers are queued, MessageDlg shows nothing and returns
// the next answer, recording the message it was asked.
namespace MessageDlgSeam {
void setNextAnswers(const QList<int> &answers);
bool hasPendingAnswers();
// Messages asked since the last call, oldest first.
QStringList takeAskedMessages();
} // namespace MessageDlgSeam
