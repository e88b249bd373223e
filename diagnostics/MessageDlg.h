#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

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

// Shows a modal message box with the icon of the type and the buttons, caption
// "Tamsel", centred over the window the user is working in (on the screen when
// there is none). Returns the result of the pressed button; mrCancel when the
// box could not be shown, so no caller takes that for consent. Where no
// display can show a box (the offscreen platform), the message goes to the
// log and the box returns at once with the answer that agrees to least:
// Cancel, else No, else OK. The help context is accepted for the callers'
// sake and not used.
int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);
// The same with the given caption, centred on the screen.
int MessageDlg(const QString &caption, const QString &message, TMsgDlgType type,
               TMsgDlgButtons buttons, int helpContext = 0);

// Test seam: while answers are queued, MessageDlg shows nothing and returns
// the next answer, recording what it was asked. Tests queue an answer for
// every box they cause; the test harness installs a handler for a box that
// comes without one, which fails the running test.
namespace MessageDlgSeam {

// An answer that makes the box fail to show, as a broken display would.
constexpr int failToShow = -1;

struct TAskedDialog
{
    QString caption;
    QString message;
    TMsgDlgType type;
    TMsgDlgButtons buttons;
};

void setNextAnswers(const QList<int> &answers);
// Answers a box asked without a queued answer (and not driven, below) in
// place of showing it. Returns the handler it replaces; an empty one removes it.
using TUnansweredHandler = std::function<int(const TAskedDialog &)>;
TUnansweredHandler setUnansweredHandler(TUnansweredHandler handler);
bool hasPendingAnswers();
// Messages asked since the last take, oldest first.
QStringList takeAskedMessages();
// For tests that show real boxes on the offscreen platform and press their
// buttons themselves: boxes without a queued answer are shown modally.
void setRealBoxesDriven(bool driven);
// Boxes asked since the last take, oldest first; shares its record with
// takeAskedMessages().
QList<TAskedDialog> takeAskedDialogs();

} // namespace MessageDlgSeam
