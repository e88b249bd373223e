#include "diagnostics/MessageDlg.h"

#include "diagnostics/ErrorReport.h"
#include "diagnostics/Exception.h"
#include "diagnostics/LogFile.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QDebug>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {
QList<int> &queuedAnswers()
{
    static QList<int> answers;
    return answers;
}

QList<MessageDlgSeam::TAskedDialog> &askedDialogs()
{
    static QList<MessageDlgSeam::TAskedDialog> dialogs;
    return dialogs;
}

bool realBoxesDriven = false;

MessageDlgSeam::TUnansweredHandler &unansweredHandler()
{
    static MessageDlgSeam::TUnansweredHandler handler;
    return handler;
}

// Platforms without a screen anybody looks at: a modal box there would wait
// for a click that never comes.
bool noDisplayCanShow()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

// The answer that commits the caller to least: a question is declined, a
// message acknowledged.
int leastConsentingAnswer(TMsgDlgButtons buttons)
{
    if (buttons & mbCancel)
        return mrCancel;
    if (buttons & mbNo)
        return mrNo;
    return mrOk;
}

int answerWithoutDisplay(const QString &message, TMsgDlgButtons buttons)
{
    const int answer = leastConsentingAnswer(buttons);
    const QString answerName = answer == mrCancel ? QStringLiteral("Cancel")
                               : answer == mrNo   ? QStringLiteral("No")
                                                  : QStringLiteral("OK");
    const TExceptionInfoStructure info{
        QStringLiteral("Main"), QStringLiteral("MessageDlg"),
        QStringLiteral("No display can show this message; it was answered with %1: %2").arg(answerName, message)};
    // Straight to the log: LogError would show a box when the log cannot be written.
    if (!LogFile::append(info, Clock::now()))
        qWarning().noquote() << info.ErrorMessage;
    return answer;
}

QMessageBox::Icon iconOf(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::Warning: return QMessageBox::Warning;
    case TMsgDlgType::Error: return QMessageBox::Critical;
    case TMsgDlgType::Information: return QMessageBox::Information;
    case TMsgDlgType::Confirmation: return QMessageBox::Question;
    case TMsgDlgType::Custom: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons standardButtonsOf(TMsgDlgButtons buttons)
{
    QMessageBox::StandardButtons standard;
    if (buttons & mbYes) standard |= QMessageBox::Yes;
    if (buttons & mbNo) standard |= QMessageBox::No;
    if (buttons & mbOK) standard |= QMessageBox::Ok;
    if (buttons & mbCancel) standard |= QMessageBox::Cancel;
    return standard;
}

int resultOf(int pressed)
{
    switch (pressed) {
    case QMessageBox::Ok: return mrOk;
    case QMessageBox::Yes: return mrYes;
    case QMessageBox::No: return mrNo;
    default: return mrCancel;
    }
}

// The window the user is working in: an open modal dialog first, else the
// active window, else the main window while it is on the screen (the program
// may be started minimized into the tray, or the window manager may not have
// activated it yet). Null when no window is showing.
QWidget *ownerWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto shownMain = std::find_if(windows.cbegin(), windows.cend(), [](const QWidget *window) {
        return qobject_cast<const QMainWindow *>(window) && window->isVisible() && !window->isMinimized();
    });
    return shownMain != windows.cend() ? *shownMain : nullptr;
}

enum class TPlacement { OverOwner, ScreenCentre };

int showMessageBox(const QString &caption, const QString &message, TMsgDlgType type,
                   TMsgDlgButtons buttons, TPlacement placement)
{
    try {
        if (!queuedAnswers().isEmpty()) {
            askedDialogs().append({caption, message, type, buttons});
            const int answer = queuedAnswers().takeFirst();
            if (answer == MessageDlgSeam::failToShow)
                throw ETamselError(QStringLiteral("The message box could not be shown."));
            return answer;
        }
        if (!realBoxesDriven) {
            if (const MessageDlgSeam::TUnansweredHandler &handler = unansweredHandler())
                return handler({caption, message, type, buttons});
            if (noDisplayCanShow())
                return answerWithoutDisplay(message, buttons);
        }
        QWidget *owner = placement == TPlacement::OverOwner ? ownerWindow() : nullptr;
        // Messages carry CR LF line breaks; a label shows the CR as a glyph.
        QString shown = message;
        shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        QMessageBox box(iconOf(type), caption, shown, standardButtonsOf(buttons), owner);
        box.setWindowModality(Qt::ApplicationModal);
        // The box takes its final size only when shown; centre it then.
        box.show();
        const QRect area = owner ? owner->window()->frameGeometry()
                                 : QGuiApplication::primaryScreen()->availableGeometry();
        QRect frame = box.frameGeometry();
        frame.moveCenter(area.center());
        box.move(frame.topLeft());
        return resultOf(box.exec());
    } catch (const ETamselError &error) {
        ReportError({QStringLiteral("Main"), QStringLiteral("MessageDlg"), error.message()});
        return mrCancel;
    }
}
} // namespace

void MessageDlgSeam::setNextAnswers(const QList<int> &answers)
{
    queuedAnswers() = answers;
}

MessageDlgSeam::TUnansweredHandler MessageDlgSeam::setUnansweredHandler(TUnansweredHandler handler)
{
    return std::exchange(unansweredHandler(), std::move(handler));
}

bool MessageDlgSeam::hasPendingAnswers()
{
    return !queuedAnswers().isEmpty();
}

QStringList MessageDlgSeam::takeAskedMessages()
{
    QStringList messages;
    for (const TAskedDialog &dialog : std::exchange(askedDialogs(), {}))
        messages.append(dialog.message);
    return messages;
}

void MessageDlgSeam::setRealBoxesDriven(bool driven)
{
    realBoxesDriven = driven;
}

QList<MessageDlgSeam::TAskedDialog> MessageDlgSeam::takeAskedDialogs()
{
    return std::exchange(askedDialogs(), {});
}

int MessageDlg(const QString &message, TMsgDlgType type, TMsgDlgButtons buttons, int)
{
    return showMessageBox(QStringLiteral("Tamsel"), message, type, buttons, TPlacement::OverOwner);
}

int MessageDlg(const QString &caption, const QString &message, TMsgDlgType type, TMsgDlgButtons buttons,
               int)
{
    return showMessageBox(caption, message, type, buttons, TPlacement::ScreenCentre);
}
