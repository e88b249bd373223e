// Linked into every test: a message box that no test answered fails the
// running test, naming its message, instead of being answered quietly the way
// the program answers boxes nobody can see.
#include "diagnostics/MessageDlg.h"

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
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(failOnUnansweredBox)
