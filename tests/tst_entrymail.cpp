// Send as E-Mail and Send Feedback: the subject and text handed to the mail
// program for notes and tasks, the footer, and what the user is told when
// the mail program cannot take the message.
#include "diagnostics/MessageDlg.h"
#include "diagnostics/SendEMailMessage.h"
#include "output/SendMailMAPI.h"
#include "platform/Clock.h"
#include "store/LocaleFormat.h"
#include "tests/EditorFixture.h"
#include "tests/FakeMailHandoff.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>

using namespace EditorFixture;

namespace {
const QDateTime now(QDate(2026, 3, 10), QTime(9, 0, 5));

const QString footer = QStringLiteral("\r\n\r\n__________________________________________________\r\n"
                                      "This message sent via Tamsel ")
    + QStringLiteral(TAMSEL_VERSION) + QStringLiteral(".\r\nhttps://tamsel.example.org/");

// Two notes and two tasks. Day 46000 is 12/9/25.
QByteArray fixture()
{
    return entries(
        "<Note><Title>  Groceries </Title><Text>  Milk^MEggs  </Text><DateTime>46000.375</DateTime>"
        "<LastModified>46001.5</LastModified><NoteType>N</NoteType></Note>"
        "<Note><Title>Ideas</Title><Text></Text><DateTime>46002.25</DateTime>"
        "<LastModified>46002.25</LastModified><NoteType>N</NoteType></Note>"
        "<Note><Title>Pay rent</Title><Text>Before noon</Text><DateTime>46003.5</DateTime>"
        "<LastModified>46003.75</LastModified><Deadline>46010.5</Deadline><Complete>0</Complete>"
        "<DateCompleted></DateCompleted><Reminder>6</Reminder><NoteType>T</NoteType></Note>"
        "<Note><Title>Call Bob</Title><Text>   </Text><DateTime>46004.5</DateTime>"
        "<LastModified>46005.5</LastModified><Deadline>46004</Deadline><Complete>1</Complete>"
        "<DateCompleted>46005.5</DateCompleted><Reminder>0</Reminder><NoteType>T</NoteType></Note>");
}

void open(const TEditorWindow &f, const QString &title)
{
    for (QTreeView *list : { f.w().lsvNotes, static_cast<QTreeView *>(f.w().lsvTasks) }) {
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            if (f.w().ModelOf(list)->entryAt(row)->title() == title)
                return f.doubleClick(list, row);
        }
    }
    QFAIL(qPrintable(QStringLiteral("no entry titled ") + title));
}
} // namespace

class tst_EntryMail : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(now);
        MessageDlgSeam::takeAskedDialogs();
    }

    void cleanup()
    {
        Clock::clearFixed();
        QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
        MessageDlgSeam::setNextAnswers({});
    }

    void footerNamesProgramVersionAndSite();
    void entryIsComposedAsSubjectAndText_data();
    void entryIsComposedAsSubjectAndText();
    void mapiErrorText_data();
    void mapiErrorText();
    void failedMessageIsExplained_data();
    void failedMessageIsExplained();
    void handOffFailureIsReported();
    void feedbackGoesToTheFeedbackAddress();
};

void tst_EntryMail::footerNamesProgramVersionAndSite() { QCOMPARE(MailFooterText(), footer); }

// Steps: "open T" loads the entry titled T; "new task" starts a new task;
// "title T" types a title; "complete" ticks the editor's completion box.
void tst_EntryMail::entryIsComposedAsSubjectAndText_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("text");

    QTest::newRow("note: trimmed title and body")
        << QStringList { "open   Groceries " } << "Groceries" << QStringLiteral("Milk\r\nEggs") + footer;
    QTest::newRow("note with an empty body: the footer alone")
        << QStringList { "open Ideas" } << "Ideas" << footer;
    QTest::newRow("stored open task: Completed ends with its tab")
        << QStringList { "open Pay rent" } << "Task:  Pay rent"
        << QStringLiteral("Instructions:  \tBefore noon\r\n\r\n\r\nCreated:  \t12/12/25 12:00:00 PM\r\n"
                          "Modified:  \t12/12/25 6:00:00 PM\r\nDeadline:  \t12/19/25 12:00:00 PM\r\n"
                          "Reminder:  \t1 hour\r\nCompleted:  \t")
            + footer;
    QTest::newRow("stored complete task, deadline at midnight")
        << QStringList { "open Call Bob" } << "Task:  Call Bob"
        << QStringLiteral("Instructions:  \t\r\n\r\n\r\nCreated:  \t12/13/25 12:00:00 PM\r\n"
                          "Modified:  \t12/14/25 12:00:00 PM\r\nDeadline:  \t12/13/25\r\n"
                          "Reminder:  \tNever\r\nCompleted:  \t12/14/25 12:00:00 PM")
            + footer;
    QTest::newRow("new task: made now, not complete")
        << QStringList { "new task", "title Plan trip" } << "Task:  Plan trip"
        << QStringLiteral("Instructions:  \t\r\n\r\n\r\nCreated:  \t3/10/26 9:00:05 AM\r\n"
                          "Modified:  \t3/10/26 9:00:05 AM\r\nDeadline:  \t3/10/26 9:00:05 AM\r\n"
                          "Reminder:  \tNever\r\nCompleted:  \t")
            + footer;
    QTest::newRow("new task ticked complete: complete now")
        << QStringList { "new task", "title Plan trip", "complete" } << "Task:  Plan trip"
        << QStringLiteral("Instructions:  \t\r\n\r\n\r\nCreated:  \t3/10/26 9:00:05 AM\r\n"
                          "Modified:  \t3/10/26 9:00:05 AM\r\nDeadline:  \t3/10/26 9:00:05 AM\r\n"
                          "Reminder:  \tNever\r\nCompleted:  \t3/10/26 9:00:05 AM")
            + footer;
}

void tst_EntryMail::entryIsComposedAsSubjectAndText()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, subject);
    QFETCH(QString, text);

    TEditorWindow f(fixture());
    f.w().MailFooter = MailFooterText();
    for (const QString &step : steps) {
        const QString argument = step.section(QLatin1Char(' '), 1);
        if (step.startsWith(QLatin1String("open ")))
            open(f, argument);
        else if (step == QLatin1String("new task")) {
            f.showList(f.w().lsvTasks);
            f.w().actNewNoteExecute();
        } else if (step.startsWith(QLatin1String("title ")))
            f.typeTitle(argument);
        else if (step == QLatin1String("complete"))
            QTest::mouseClick(f.w().chkComplete, Qt::LeftButton);
    }
    TFakeMailHandoff mail;
    f.clickTool(f.w().actSendMail);

    QCOMPARE(mail.composed().size(), 1);
    QCOMPARE(mail.composed()[0].subject, subject);
    QCOMPARE(mail.composed()[0].text, text);
    QVERIFY(mail.composed()[0].recipientAddress.isEmpty());
    QVERIFY(mail.composed()[0].attachmentPath.isEmpty());
    QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void tst_EntryMail::mapiErrorText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << "User cancelled request";
    QTest::newRow("2") << 2 << "General MAPI (e-mail) failure";
    QTest::newRow("6") << 6 << "Access denied";
    QTest::newRow("7 has no text") << 7 << "Unknown Error Code: 7";
    QTest::newRow("8") << 8 << "Too many sessions";
    QTest::newRow("11") << 11 << "Attachment not found";
    QTest::newRow("18") << 18 << "Text too large.";
    QTest::newRow("26") << 26 << "Not supported";
    QTest::newRow("0") << 0 << "Unknown Error Code: 0";
    QTest::newRow("27") << 27 << "Unknown Error Code: 27";
    QTest::newRow("negative") << -3 << "Unknown Error Code: -3";
}

void tst_EntryMail::mapiErrorText()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(MapiErrorText(code), text);
}

void tst_EntryMail::failedMessageIsExplained_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("message");

    const auto failure = [](const QString &text) -> QString {
        return QStringLiteral("The following error occurred when trying to create the message:\r\n\r\n\t")
            + text + QStringLiteral("\r\n\r\nPlease confirm your e-mail settings before trying again.");
    };
    QTest::newRow("composed") << TMailHandoff::composeOk << QString() << QString();
    QTest::newRow("cancelled") << TMailHandoff::userCancelled << QString() << QString();
    QTest::newRow("no mail program") << TMailHandoff::noMailProgram << "Tamsel"
                                     << "Tamsel was unable to launch the default e-mail application.";
    QTest::newRow("attachment not found")
        << TMailHandoff::attachmentNotFound << "Tamsel" << failure(QStringLiteral("Attachment not found"));
    QTest::newRow("code 7") << 7 << "Tamsel" << failure(QStringLiteral("Unknown Error Code: 7"));
}

void tst_EntryMail::failedMessageIsExplained()
{
    QFETCH(int, result);
    QFETCH(QString, caption);
    QFETCH(QString, message);

    TFakeMailHandoff mail;
    mail.setComposeResult(result);
    if (!message.isEmpty())
        MessageDlgSeam::setNextAnswers({ mrOk });
    SendMailMAPI(QStringLiteral("subject"), QStringLiteral("text"));

    const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
    QCOMPARE(asked.size(), message.isEmpty() ? 0 : 1);
    if (!asked.isEmpty()) {
        QCOMPARE(asked[0].caption, caption);
        QCOMPARE(asked[0].message, message);
        QCOMPARE(asked[0].type, TMsgDlgType::Warning);
        QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbOK));
    }
}

void tst_EntryMail::handOffFailureIsReported()
{
    TestHome home;
    TFakeMailHandoff mail;
    mail.setFailureMessage(QStringLiteral("the mail program crashed"));
    MessageDlgSeam::setNextAnswers({ mrNo });
    SendMailMAPI(QStringLiteral("subject"), QStringLiteral("text"));

    QVERIFY(MessageDlgSeam::takeAskedMessages().constFirst().contains(QStringLiteral("has been logged")));
    QFile log(home.dataFolder() + QStringLiteral("/Tamsel.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(
        log.readAll().contains("Method Name:\tSendMailMAPI\r\nError Message:\tthe mail program crashed\r\n"));
}

void tst_EntryMail::feedbackGoesToTheFeedbackAddress()
{
    TEditorWindow f(fixture());
    TFakeMailHandoff mail;
    f.w().Sendfeedback1->trigger();

    QCOMPARE(mail.composed().size(), 1);
    QCOMPARE(mail.composed()[0].subject,
        QStringLiteral("Tamsel Feedback (v. ") + QStringLiteral(TAMSEL_VERSION) + QLatin1Char(')'));
    QCOMPARE(mail.composed()[0].text, QStringLiteral("Please enter your comments before sending."));
    QCOMPARE(mail.composed()[0].recipientAddress, FeedbackAddress);
}

QTEST_MAIN(tst_EntryMail)
#include "tst_entrymail.moc"
