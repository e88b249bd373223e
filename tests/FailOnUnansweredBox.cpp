// Linked into every test: a message box, reminder window, spelling question,
// passphrase question or dialog that no test answered fails the running test, naming it, instead of
// being answered quietly the way the program answers boxes nobody can see, or
// waiting for a user.
#include "mainwindow/ChangePassPhraseDlg.h"
#include "mainwindow/PasswordDlg.h"
#include "mainwindow/StorageMove.h"
#include "diagnostics/MessageDlg.h"
#include "mainwindow/RestoreBackupDialog.h"
#include "output/PrintRichText.h"
#include "output/SaveAsDialog.h"
#include "reminders/Reminder.h"
#include "spelling/SpellDialog.h"

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
    SaveAsDialogSeam::setUnansweredHandler([](const SaveAsDialogSeam::TAsked &dialog) -> std::optional<QString> {
        const QByteArray text = "The save dialog was shown without a queued answer: " + dialog.title.toUtf8();
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        return std::nullopt;
    });
    RestoreBackupDialogSeam::setUnansweredHandler([](const QList<TBackupChoice> &) -> std::optional<QString> {
        QTest::qFail("The restore dialog was shown without a queued answer", __FILE__, __LINE__);
        return std::nullopt;
    });
    PrintDialogSeam::setUnansweredHandler([]() -> std::optional<QString> {
        QTest::qFail("The print dialog was shown without a queued answer", __FILE__, __LINE__);
        return std::nullopt;
    });
    // A passphrase asked for and not answered is cancelled.
    PasswordDlgSeam::setUnansweredHandler([]() -> std::optional<QString> {
        QTest::qFail("The passphrase dialog was shown without a queued answer", __FILE__, __LINE__);
        return std::nullopt;
    });
    ChangePassPhraseDlgSeam::setUnansweredHandler([](TChangePassPhraseDlg &) {
        QTest::qFail("The passphrase change dialog was shown without a queued driver", __FILE__, __LINE__);
    });
    StorePassPhraseSeam::setUnansweredHandler([]() -> std::optional<QString> {
        QTest::qFail("The store's passphrase was asked for without a queued answer", __FILE__, __LINE__);
        return std::nullopt;
    });
    SpellDialogSeam::setUnansweredHandler([](const TSpellQuestion &question) {
        const QByteArray text = "The spelling dialog was asked without a queued answer: " + question.word.toUtf8();
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        return TSpellAnswer { TSpellAction::Cancel, {} };
    });
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(failOnUnansweredBox)
