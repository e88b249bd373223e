// Linked into every test: a message box or a reminder window that no test
// answered fails the running test (a box naming its message), instead of being
// answered quietly the way the program answers boxes nobody can see.
#include "diagnostics/MessageDlg.h"
#include "reminders/Reminder.h"

#include <QCoreApplication>
#include <QTest>

namespace {
void failOnUnansweredBox()
{
    MessageDlgSeam::setUnansweredHandler([](const MessageDlgSeam::TAskedDialog &dialog) {
        const QByteArray text = "MessageDlg was asked without a queued answer: " + dialog.message.simplified().toUtf8();
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        return mrCancel;
    });
    // Likewise a reminder window no test answered: it is cancelled.
    ReminderWindowSeam::setUnansweredHandler([](TfrmReminder &) {
        QTest::qFail("A reminder window came up without a queued answer.", __FILE__, __LINE__);
    });
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(failOnUnansweredBox)
