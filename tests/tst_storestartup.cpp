// The passphrase and the store at start-up, on the real main window: the first
// start with the passphrase dialog, later starts, stores that cannot be opened
// and the conversion of a legacy plain file.
#include "mainwindow/Main.h"
#include "controls/ListViewEx.h"
#include "controls/RichEditURL.h"
#include "diagnostics/MessageDlg.h"
#include "platform/Clock.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "controls/EntryListModel.h"
#include "store/PassKey.h"
#include "mainwindow/PasswordDlg.h"
#include "mainwindow/StorageMove.h"
#include "store/StoreFile.h"
#include "tests/FakeSecretStore.h"
#include "tests/TestHome.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

bool ownerOnly(const QString &path)
{
    return (QFile::permissions(path)
               & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther
                   | QFile::ExeGroup | QFile::ExeOther))
        == QFile::Permissions();
}

void storePassKey(const TestHome &home, const QString &passPhrase)
{
    TRegistry registry(home.registryFile());
    QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
    PassKey::Write(registry, EncodePassKey(StoreFile::PassPhraseBytes(passPhrase)));
}

QString keptInKeyring()
{
    return TFakeSecretStore::instance().held(SecretStore::PassPhraseKey);
}

std::optional<QByteArray> storedPassKey(const TestHome &home)
{
    TRegistry registry(home.registryFile());
    if (!registry.OpenKey(RegistryKeys::program(), false))
        return std::nullopt;
    return PassKey::Read(registry);
}

QByteArray legacyDocument()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Notes>\r\n"
           "   <Note>\r\n      <Title>Old note</Title>\r\n      <Text>kept</Text>\r\n"
           "      <DateTime>38813.6</DateTime>\r\n      <LastModified>38813.6</LastModified>\r\n"
           "      <NoteType>N</NoteType>\r\n      <FileName></FileName>\r\n   </Note>\r\n"
           "   <Note>\r\n      <Title>Old task</Title>\r\n      <Text></Text>\r\n"
           "      <DateTime>38813.7</DateTime>\r\n      <LastModified>38813.7</LastModified>\r\n"
           "      <NoteType>T</NoteType>\r\n      <FileName></FileName>\r\n"
           "      <Deadline>38814.5</Deadline>\r\n      <Complete>0</Complete>\r\n      "
           "<Reminder>0</Reminder>\r\n"
           "   </Note>\r\n</Notes>\r\n";
}

// A store as Tamsel writes it, with one flipped bit inside an entry since:
// "<Complete>0" has become "<Complete>1".
QByteArray damagedStore(const QByteArray &passPhrase)
{
    const QByteArray salt = StoreFile::NewSalt();
    QByteArray body = legacyDocument();
    body += StoreFile::CheckInstruction(StoreFile::CheckKey(salt, passPhrase), body);
    body.replace("<Complete>0", "<Complete>1");
    return StoreFile::Encrypt(body, passPhrase, salt);
}

// A store as Tamsel writes it (or, without its check, as older versions
// did), with one byte changed since.
QByteArray storeWithByteChanged(const QByteArray &passPhrase, bool withCheck, qsizetype at)
{
    const QByteArray salt = StoreFile::NewSalt();
    const QByteArray body = withCheck ? legacyDocument() + StoreFile::CheckTail(salt, passPhrase, legacyDocument())
                                      : legacyDocument();
    QByteArray file = StoreFile::Encrypt(body, passPhrase, salt);
    at = at < 0 ? file.size() + at : at;
    file[at] = char(file[at] ^ 0x10);
    return file;
}

// A home whose settings hold one passphrase and whose store, the legacy
// document's two entries, is keyed with another (or the same).
void storeOfOldEntries(const TestHome &home, const QString &passKey, const QString &storeKey)
{
    storePassKey(home, passKey);
    QDir().mkpath(home.dataFolder());
    StoreFile::SaveStore(home.storeFile(), StoreFile::PassPhraseBytes(storeKey), legacyDocument());
}

// Answers the passphrase dialog through its widgets as a user would: the
// passphrase typed into both fields, then OK (or Cancel). Any other modal
// window that comes up is closed and recorded, so a test never hangs on it.
// While it lives, the passphrase dialog runs for real instead of failing the
// test as an unanswered one.
class TDialogDriver : public QObject {
public:
    TDialogDriver(const QString &passPhrase, bool clickOk)
        : m_passPhrase(passPhrase)
        , m_clickOk(clickOk)
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &TDialogDriver::poll);
        m_timer.start();
    }
    // No dialog expected at all.
    TDialogDriver()
        : TDialogDriver(QString(), false)
    {
        m_expectDialog = false;
    }

    ~TDialogDriver() override { PasswordDlgSeam::setUnansweredHandler(m_failing); }

    int passwordDialogs = 0;
    QStringList unexpectedWindows;

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        auto *dialog = qobject_cast<TPasswordDlg *>(modal);
        if (!dialog || !m_expectDialog) {
            unexpectedWindows.append(
                modal->windowTitle() + QLatin1Char(' ') + modal->metaObject()->className());
            modal->close();
            return;
        }
        ++passwordDialogs;
        QTest::keyClicks(dialog->edtPassword, m_passPhrase);
        QTest::keyClicks(dialog->edtConfirm, m_passPhrase);
        QTest::mouseClick(m_clickOk ? dialog->btnOK : dialog->Button1, Qt::LeftButton);
    }

    PasswordDlgSeam::TUnansweredHandler m_failing = PasswordDlgSeam::setUnansweredHandler({});
    QTimer m_timer;
    QString m_passPhrase;
    bool m_clickOk;
    bool m_expectDialog = true;
};

// Files under the home that hold the text, which must exist only encrypted.
QStringList filesContaining(const QString &folder, const QByteArray &text)
{
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (readAll(path).contains(text))
            found.append(path);
    }
    return found;
}
} // namespace

class tst_StoreStartup : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        MessageDlgSeam::setNextAnswers({});
        MessageDlgSeam::takeAskedDialogs();
        StorePassPhraseSeam::setNextAnswers({});
        Clock::clearFixed();
        TFakeSecretStore::instance().fault = TFakeSecretStore::TFault::None;
    }

    void firstStartAsksForThePassPhraseAndCreatesTheStore()
    {
        TestHome home;
        {
            TDialogDriver driver(QStringLiteral("Open sesame"), true);
            TfrmMain w;
            w.FormCreate();
            QCOMPARE(driver.passwordDialogs, 1);
            QCOMPARE(driver.unexpectedWindows, QStringList());
            QVERIFY(w.HasPassPhrase);
            QCOMPARE(w.PassPhrase, QStringLiteral("Open sesame"));
            QVERIFY(w.StoreAvailable);
            QCOMPARE(w.lsvNotes->model()->rowCount(), 1);
            QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("Welcome to Tamsel!"));
            QVERIFY(w.actNewNote->isEnabled());
        }
        QCOMPARE(keptInKeyring(), QStringLiteral("Open sesame"));
        QCOMPARE(storedPassKey(home), std::nullopt);
        TXmlDocument stored;
        StoreFile::OpenStore(home.storeFile(), "Open sesame", stored);
        QCOMPARE(TXmlDocument::ReadChildText(stored.Root().child("Note"), "Title"),
            QStringLiteral("Welcome to Tamsel!"));
        QVERIFY(ownerOnly(home.storeFile()));
        QVERIFY(ownerOnly(home.registryFile()));
        QCOMPARE(filesContaining(home.path(), "Welcome to Tamsel"), QStringList());
        QCOMPARE(filesContaining(home.path(), "Open sesame"), QStringList());

        // The next start reads the passphrase silently and opens the store.
        TDialogDriver noDialog;
        TfrmMain again;
        again.FormCreate();
        QCOMPARE(noDialog.unexpectedWindows, QStringList());
        QCOMPARE(again.PassPhrase, QStringLiteral("Open sesame"));
        QCOMPARE(again.lsvNotes->model()->rowCount(), 1);
        QVERIFY(again.actNewNote->isEnabled());
    }

    void cancelledFirstStartTouchesNothing()
    {
        TestHome home;
        TDialogDriver driver(QStringLiteral("never used"), false);
        MessageDlgSeam::setNextAnswers({mrOk});
        TfrmMain w;
        w.FormCreate();
        QCOMPARE(driver.passwordDialogs, 1);
        QVERIFY(!w.HasPassPhrase);
        QVERIFY(w.PassPhrase.isEmpty());
        QVERIFY(!QFile::exists(home.storeFile()));
        QCOMPARE(storedPassKey(home), std::nullopt);
        QCOMPARE(w.lsvNotes->model()->rowCount(), 0);
        QVERIFY(!w.actNewNote->isEnabled());
        QVERIFY(!w.TrayIcon);
        // The user is told why every command is off, and how to set the password.
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].message.contains(QStringLiteral("File > Set Password")), qPrintable(asked[0].message));
        QVERIFY(w.mnuSetPassPhrase->isEnabled());
    }

    // File > Set Password after a cancelled first start: the same dialog, and
    // on OK start-up goes on as if it had been confirmed the first time.
    void passPhraseSetLaterGoesOnWithStartUp()
    {
        TestHome home;
        MessageDlgSeam::setNextAnswers({mrOk});
        PasswordDlgSeam::answerCancel();
        TfrmMain w;
        w.FormCreate();
        QVERIFY(!w.HasPassPhrase);
        QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 1);
        // No passphrase to change while none is known.
        QVERIFY(!w.mnuChangePassPhrase->isEnabled());

        // Cancelled again: still nothing.
        PasswordDlgSeam::answerCancel();
        w.mnuSetPassPhrase->trigger();
        QVERIFY(!w.HasPassPhrase);
        QVERIFY(w.mnuSetPassPhrase->isEnabled());
        QVERIFY(!QFile::exists(home.storeFile()));

        PasswordDlgSeam::answerOk(QStringLiteral("Open sesame"));
        w.mnuSetPassPhrase->trigger();
        QVERIFY(!PasswordDlgSeam::hasPendingAnswer());
        QVERIFY(w.HasPassPhrase);
        QVERIFY(!w.mnuSetPassPhrase->isEnabled());
        QVERIFY(w.mnuChangePassPhrase->isEnabled());
        QVERIFY(!w.Starting);
        QCOMPARE(keptInKeyring(), QStringLiteral("Open sesame"));
        QVERIFY(w.TrayIcon);
        QVERIFY(w.StoreAvailable);
        QCOMPARE(w.lsvNotes->model()->rowCount(), 1);
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("Welcome to Tamsel!"));
        QVERIFY(w.actNewNote->isEnabled());
        QVERIFY(!w.actSaveNote->isEnabled());
        QVERIFY(w.timReminder->isActive());
        TXmlDocument stored;
        StoreFile::OpenStore(home.storeFile(), "Open sesame", stored);
        QCOMPARE(TXmlDocument::ReadChildText(stored.Root().child("Note"), "Title"),
            QStringLiteral("Welcome to Tamsel!"));
        QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 0);
    }

    // "}ab" scrambles to a form with a zero byte, which a text value would cut.
    void passKeyWithAZeroByteSurvives()
    {
        TestHome home;
        TFakeSecretStore::instance().fault = TFakeSecretStore::TFault::NoService;
        PasswordDlgSeam::answerOk(QStringLiteral("}ab"));
        MessageDlgSeam::setNextAnswers({ mrOk });
        {
            TfrmMain w;
            w.FormCreate();
        }
        QVERIFY(storedPassKey(home).value_or(QByteArray()).contains('\0'));
        TDialogDriver noDialog;
        TfrmMain again;
        again.FormCreate();
        QCOMPARE(again.PassPhrase, QStringLiteral("}ab"));
        QVERIFY(again.StoreAvailable);
        QCOMPARE(again.lsvNotes->model()->rowCount(), 1);
    }

    void passKeyAsTextIsStillRead()
    {
        TestHome home;
        StoreFile::SaveStore(home.storeFile(), "older text key", legacyDocument());
        {
            TRegistry registry(home.registryFile());
            QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
            registry.WriteString(PassKey::ValueName, QString::fromLatin1(EncodePassKey("older text key")));
        }
        TDialogDriver noDialog;
        TfrmMain w;
        w.FormCreate();
        QCOMPARE(noDialog.unexpectedWindows, QStringList());
        QCOMPARE(w.PassPhrase, QStringLiteral("older text key"));
        QCOMPARE(w.lsvNotes->model()->rowCount() + w.lsvTasks->model()->rowCount(), 2);
    }

    void blankPassKeyAsksAgain()
    {
        TestHome home;
        {
            TRegistry registry(home.registryFile());
            QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
            registry.WriteString(PassKey::ValueName, QStringLiteral("  \t "));
        }
        PasswordDlgSeam::answerOk(QStringLiteral("new one"));
        TfrmMain w;
        w.FormCreate();
        QVERIFY(!PasswordDlgSeam::hasPendingAnswer());
        QCOMPARE(w.PassPhrase, QStringLiteral("new one"));
        QCOMPARE(keptInKeyring(), QStringLiteral("new one"));
    }

    // A store that exists but cannot be opened is never written over: the
    // user is told what is known of it first (empty, cut short, damaged),
    // and of a password that is not the store's only when the body decrypts
    // to noise; the entry actions stay off and the file stays as it was.
    void unopenableStoreIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("told");
        const QString damaged = QStringLiteral("could not open your entries in %1: the file is damaged.");
        QTest::newRow("other passphrase") << StoreFile::Encrypt(legacyDocument(), "the real one",
            StoreFile::NewSalt()) << QStringLiteral("Most likely the password Tamsel has is not the one");
        QTest::newRow("entry changed under the check") << damagedStore("a different one") << damaged;
        QTest::newRow("byte of the salt changed") << storeWithByteChanged("a different one", true, 5) << damaged;
        QTest::newRow("first byte of the body changed") << storeWithByteChanged("a different one", true, 8) << damaged;
        QTest::newRow("byte in the middle changed") << storeWithByteChanged("a different one", true, 300) << damaged;
        QTest::newRow("byte of the salt record changed") << storeWithByteChanged("a different one", true, -120)
                                                         << damaged;
        QTest::newRow("byte of the check changed") << storeWithByteChanged("a different one", true, -20) << damaged;
        QTest::newRow("no check, first byte of the body changed")
            << storeWithByteChanged("a different one", false, 8) << damaged;
        QTest::newRow("no check, markup in the middle changed")
            << storeWithByteChanged("a different one", false, 8 + legacyDocument().indexOf("</Title>", 150) + 1)
            << damaged;
        QTest::newRow("no check, cut off in the middle")
            << StoreFile::Encrypt(legacyDocument(), "a different one", StoreFile::NewSalt()).left(200) << damaged;
        QTest::newRow("salt only") << QByteArray("12345678")
                                   << QStringLiteral("could not open your entries in %1. The file holds its 8-byte "
                                                     "salt and nothing else");
        QTest::newRow("shorter than the salt")
            << QByteArray("12345")
            << QStringLiteral("could not open your entries in %1. The file holds 5 bytes, fewer than the 8 bytes of "
                              "its salt");
        QTest::newRow("empty") << QByteArray()
                               << QStringLiteral("could not open your entries in %1. The file is empty");
    }
    void unopenableStoreIsLeftAlone()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, told);
        const bool passwordLikely = told.startsWith(QStringLiteral("Most likely"));
        TestHome home;
        writeAll(home.storeFile(), bytes);
        storePassKey(home, QStringLiteral("a different one"));

        // The passphrase is asked for only where another one may open the
        // store; the user cancels.
        StorePassPhraseSeam::setNextAnswers({ std::nullopt });
        MessageDlgSeam::setNextAnswers({ mrOk });
        TfrmMain w;
        w.FormCreate();
        QCOMPARE(StorePassPhraseSeam::hasPendingAnswers(), !passwordLikely);
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].message.contains(QStringLiteral("could not open your entries")),
            qPrintable(asked[0].message));
        QVERIFY2(asked[0].message.contains(QString(told).arg(home.storeFile())), qPrintable(asked[0].message));
        QCOMPARE(asked[0].message.contains(QStringLiteral("password")), passwordLikely);
        QVERIFY(asked[0].message.contains(QStringLiteral("left unchanged")));
        QVERIFY(!asked[0].message.contains(QStringLiteral("Old note")));

        QVERIFY(w.HasPassPhrase);
        QVERIFY(!w.StoreAvailable);
        QCOMPARE(w.lsvNotes->model()->rowCount() + w.lsvTasks->model()->rowCount(), 0);
        for (QAction *action : { w.actNewNote, w.actSaveNote, w.actDeleteNote, w.actAddFile })
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        QCOMPARE(readAll(home.storeFile()), bytes);

        // Nor does a direct store attempt replace it; it is reported instead.
        MessageDlgSeam::setNextAnswers({ mrNo, mrNo });
        w.EncryptXMLFile();
        QVERIFY(!MessageDlgSeam::takeAskedDialogs().isEmpty());
        QCOMPARE(readAll(home.storeFile()), bytes);
        // The keyring takes the passphrase from the event loop, after start-up.
        QTRY_COMPARE(keptInKeyring(), QStringLiteral("a different one"));
    }

    // A first store that cannot be written leaves the entries closed, says
    // so with the reason and the file, and no entry command pretends to work.
    void unwritableFirstStoreLeavesTheEntriesClosed()
    {
        TestHome home;
        storePassKey(home, QStringLiteral("first store"));
        QDir().mkpath(home.dataFolder());
        // The store is a link into a folder that does not exist: no new store
        // can be written there, by any user.
        QVERIFY(QFile::link(home.path() + QStringLiteral("/gone/brindo.dat"), home.storeFile()));
        MessageDlgSeam::setNextAnswers({ mrOk, mrNo });
        TfrmMain w;
        w.FormCreate();

        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QVERIFY2(std::any_of(told.begin(), told.end(),
                             [&](const QString &message) {
                                 return message.contains(QStringLiteral("NOT saved")) && message.contains(w.StoreFilePath);
                             }),
                 qPrintable(told.join(QStringLiteral(" | "))));
        QVERIFY(!w.StoreAvailable);
        QVERIFY(!QFile::exists(home.storeFile()));
        for (QAction *action : { w.actNewNote, w.actSaveNote, w.actDeleteNote, w.actAddFile })
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    }

    // A store keyed in the old single-byte code page opens, and is stored
    // again under that same key, so whatever opened it before still can.
    void storeKeyedInTheOldCodePageStaysSo()
    {
        TestHome home;
        storePassKey(home, QStringLiteral("caf\u00e9"));
        QDir().mkpath(home.dataFolder());
        const QByteArray oldKey("caf\xe9");
        StoreFile::SaveStore(home.storeFile(), oldKey, legacyDocument());
        TfrmMain w;
        w.FormCreate();
        QVERIFY(w.StoreAvailable);
        QCOMPARE(w.NotesModel->rowCount(), 1);
        QVERIFY(w.EncryptXMLFile());
        TXmlDocument reopened;
        StoreFile::OpenStore(home.storeFile(), oldKey, reopened);
        QCOMPARE(QString::fromUtf8(reopened.Root().first_child().child("Title").child_value()), QStringLiteral("Old note"));
    }

    // What interrupted store writes left beside the store is removed at
    // start-up; other files stay.
    void staleStoreWritesAreRemovedAtStart()
    {
        TestHome home;
        storeOfOldEntries(home, QStringLiteral("stale"), QStringLiteral("stale"));
        const QString stale = home.storeFile() + QStringLiteral(".Ab12Cd");
        const QString other = home.dataFolder() + QStringLiteral("/notes.txt");
        writeAll(stale, "half a store");
        writeAll(other, "mine");
        TfrmMain w;
        w.FormCreate();
        QVERIFY(w.StoreAvailable);
        QVERIFY(!QFile::exists(stale));
        QVERIFY(QFile::exists(other));
    }

    // The program's own start shows its window while the store is read in
    // the background: the entry commands stay off until the entries are in,
    // then start-up ends as it does with the store read first.
    void entriesArriveAfterTheWindowShows()
    {
        TestHome home;
        storeOfOldEntries(home, QStringLiteral("background"), QStringLiteral("background"));
        TfrmMain w;
        w.FormCreate({}, TfrmMain::TStoreOpening::WhileShown);
        QVERIFY(w.Starting);
        QVERIFY(!w.actNewNote->isEnabled());
        QTRY_VERIFY(!w.Starting);
        QVERIFY(w.StoreAvailable);
        QCOMPARE(w.NotesModel->rowCount(), 1);
        QCOMPARE(w.TasksModel->rowCount(), 1);
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("Old note"));
        QVERIFY(w.actNewNote->isEnabled());
        QCOMPARE(w.NotesModel->sortImageColumn(), w.NoteSortColumn);
    }

    // Leaving before the store is read waits for it, so nothing of the start
    // is lost and the settings written are those of a whole start.
    void leavingWhileTheStoreIsReadWaitsForIt()
    {
        TestHome home;
        storeOfOldEntries(home, QStringLiteral("background"), QStringLiteral("background"));
        TfrmMain w;
        w.FormCreate({}, TfrmMain::TStoreOpening::WhileShown);
        QVERIFY(w.ConfirmSaveBeforeExit());
        QVERIFY(!w.Starting);
        QVERIFY(w.StoreAvailable);
        QCOMPARE(w.NotesModel->rowCount() + w.TasksModel->rowCount(), 2);
    }

    // A store that does not open is reported as at any start, also when it is
    // read in the background.
    void unopenableStoreReadInTheBackground()
    {
        TestHome home;
        storeOfOldEntries(home, QStringLiteral("not this one"), QStringLiteral("background"));
        const QByteArray before = readAll(home.storeFile());
        StorePassPhraseSeam::setNextAnswers({ QStringLiteral("nor this one"), std::nullopt });
        MessageDlgSeam::setNextAnswers({ mrOk });
        TfrmMain w;
        w.FormCreate({}, TfrmMain::TStoreOpening::WhileShown);
        QTRY_VERIFY(!w.Starting);
        QVERIFY(!StorePassPhraseSeam::hasPendingAnswers());
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("could not open your entries")), qPrintable(told.first()));
        QVERIFY(!w.StoreAvailable);
        QVERIFY(!w.actNewNote->isEnabled());
        QCOMPARE(readAll(home.storeFile()), before);
    }

    // A store whose passphrase was changed elsewhere (tamsel-store rekey, or
    // another computer) does not open with the passphrase kept: the start
    // asks for the one that opens it, until it does, and keeps that one for
    // the next start. In the background as well as before the window shows.
    void changedPassPhraseIsAskedForAtStart_data()
    {
        QTest::addColumn<bool>("inTheBackground");
        QTest::newRow("before the window shows") << false;
        QTest::newRow("in the background") << true;
    }
    void changedPassPhraseIsAskedForAtStart()
    {
        QFETCH(bool, inTheBackground);
        TestHome home;
        QDir().mkpath(home.dataFolder());
        StoreFile::SaveStore(home.storeFile(), "changed elsewhere", legacyDocument());
        QCOMPARE(TFakeSecretStore::instance().Write(SecretStore::PassPhraseKey, QStringLiteral("kept before")).result,
            TSecretResult::Done);
        StorePassPhraseSeam::setNextAnswers({ QStringLiteral("a typing error"), QString(),
            QStringLiteral("changed elsewhere") });
        {
            TfrmMain w;
            w.FormCreate({},
                inTheBackground ? TfrmMain::TStoreOpening::WhileShown : TfrmMain::TStoreOpening::BeforeReturn);
            QTRY_VERIFY(!w.Starting);
            QVERIFY(!StorePassPhraseSeam::hasPendingAnswers());
            QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
            QVERIFY(w.StoreAvailable);
            QCOMPARE(w.PassPhrase, QStringLiteral("changed elsewhere"));
            QCOMPARE(w.NotesModel->rowCount() + w.TasksModel->rowCount(), 2);
        }
        QCOMPARE(keptInKeyring(), QStringLiteral("changed elsewhere"));

        // The next start opens the entries without a question.
        TfrmMain again;
        again.FormCreate();
        QVERIFY(again.StoreAvailable);
        QCOMPARE(again.PassPhrase, QStringLiteral("changed elsewhere"));
    }

    void legacyFileIsConvertedAtStart()
    {
        TestHome home;
        Clock::setFixed(QDateTime(QDate(2024, 3, 5), QTime(9, 30)));
        const QString legacy = home.dataFolder() + QStringLiteral("/brindo.xml");
        const QString backup = home.dataFolder() + QStringLiteral("/brindo_20240305.bak");
        writeAll(legacy, legacyDocument());
        storePassKey(home, QStringLiteral("Open sesame"));
        {
            TDialogDriver noDialog;
            TfrmMain w;
            w.FormCreate();
            QCOMPARE(noDialog.unexpectedWindows, QStringList());
            QVERIFY(w.StoreAvailable);
            QCOMPARE(w.lsvNotes->model()->rowCount(), 1);
            QCOMPARE(w.lsvTasks->model()->rowCount(), 1);
        }
        QVERIFY(!QFile::exists(legacy));
        QCOMPARE(readAll(backup), legacyDocument());
        QVERIFY(ownerOnly(backup));
        QCOMPARE(StoreFile::Decrypt(readAll(home.storeFile()), "Open sesame"), legacyDocument());

        // The next start (a day later) opens the store and converts nothing.
        Clock::setFixed(QDateTime(QDate(2024, 3, 6), QTime(9, 30)));
        const QByteArray storeBytes = readAll(home.storeFile());
        TfrmMain again;
        again.FormCreate();
        QCOMPARE(again.lsvNotes->model()->rowCount() + again.lsvTasks->model()->rowCount(), 2);
        QVERIFY(!QFile::exists(home.dataFolder() + QStringLiteral("/brindo_20240306.bak")));
        QCOMPARE(readAll(home.storeFile()), storeBytes);
    }

    void damagedLegacyFileIsLeftAlone()
    {
        TestHome home;
        const QString legacy = home.dataFolder() + QStringLiteral("/brindo.xml");
        const QByteArray damaged = legacyDocument().left(200);
        writeAll(legacy, damaged);
        storePassKey(home, QStringLiteral("Open sesame"));

        MessageDlgSeam::setNextAnswers({ mrOk });
        TfrmMain w;
        w.FormCreate();
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].message.contains(QStringLiteral("could not convert your entries")),
            qPrintable(asked[0].message));
        QVERIFY(asked[0].message.contains(QStringLiteral("not well-formed")));
        QVERIFY(!w.StoreAvailable);
        QVERIFY(!w.actNewNote->isEnabled());
        QCOMPARE(w.lsvNotes->model()->rowCount() + w.lsvTasks->model()->rowCount(), 0);
        QCOMPARE(readAll(legacy), damaged);
        QVERIFY(!QFile::exists(home.storeFile()));
        QCOMPARE(QDir(home.dataFolder()).entryList({ QStringLiteral("*.bak") }, QDir::Files), QStringList());
    }

    void takenBackupNameKeepsTheLegacyFile()
    {
        TestHome home;
        Clock::setFixed(QDateTime(QDate(2024, 3, 5), QTime(9, 30)));
        const QString legacy = home.dataFolder() + QStringLiteral("/brindo.xml");
        const QString backup = home.dataFolder() + QStringLiteral("/brindo_20240305.bak");
        writeAll(legacy, legacyDocument());
        writeAll(backup, "an earlier backup");
        storePassKey(home, QStringLiteral("Open sesame"));

        MessageDlgSeam::setNextAnswers({ mrOk });
        TfrmMain w;
        w.FormCreate();
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].message.contains(QStringLiteral("exists already")));
        QVERIFY(w.StoreAvailable);
        QCOMPARE(w.lsvNotes->model()->rowCount() + w.lsvTasks->model()->rowCount(), 2);
        QCOMPARE(readAll(legacy), legacyDocument());
        QCOMPARE(readAll(backup), QByteArray("an earlier backup"));
        QCOMPARE(StoreFile::Decrypt(readAll(home.storeFile()), "Open sesame"), legacyDocument());
    }

    // A settings file that cannot be read, or a "PassKey" that cannot, is as
    // good as no stored passphrase where no keyring answers: the user is told
    // why, the passphrase dialog comes, and the entries open with the
    // passphrase entered. Where the settings file can be written again, the
    // next start is silent.
    void unreadablePassKeyIsAskedForAgain_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("registryBytes");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<bool>("setAside");
        QTest::addColumn<bool>("keptForNextStart");
        const QStringList damaged{QStringLiteral("was damaged. It has been set aside as %aside, and your settings "
                                                 "are back at their defaults")};
        const QString keptThere = QStringLiteral("Tamsel keeps your password in its settings file %registry,");
        QTest::newRow("damaged") << "file" << QByteArray("{\"keys\": {\"\\\\Software\\\\Kes")
                                 << damaged + QStringList{keptThere} << true << true;
        QTest::newRow("empty") << "file" << QByteArray() << damaged + QStringList{keptThere} << true << true;
        QTest::newRow("not a registry") << "file" << QByteArray("[1, 2]") << damaged + QStringList{keptThere}
                                        << true << true;
        QTest::newRow("PassKey of another type")
            << "integer PassKey" << QByteArray()
            << QStringList{QStringLiteral("cannot read the password it keeps in its settings file %registry.\r\n"
                                          "\r\nTamsel will now ask for your password."),
                           keptThere}
            << false << true;
        QTest::newRow("a folder in the settings file's place")
            << "folder at the file" << QByteArray()
            << QStringList{QStringLiteral("cannot read the password it keeps"),
                           QStringLiteral("could not keep your password, neither in the desktop's keyring nor in "
                                          "its settings file %registry.")}
            << false << false;
        QTest::newRow("settings folder cannot be made")
            << "file at the folder" << QByteArray()
            << QStringList{QStringLiteral("could not keep your password, neither in the desktop's keyring nor in "
                                          "its settings file %registry.\r\n"
                                          "\r\nYour entries are protected with it for this run, but Tamsel will "
                                          "ask for it again at the next start")}
            << false << false;
    }
    void unreadablePassKeyIsAskedForAgain()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, registryBytes);
        QFETCH(QStringList, told);
        QFETCH(bool, setAside);
        QFETCH(bool, keptForNextStart);
        TestHome home;
        TFakeSecretStore::instance().fault = TFakeSecretStore::TFault::NoService;
        StoreFile::SaveStore(home.storeFile(), "the real one", legacyDocument());
        if (fault == QLatin1String("file")) {
            writeAll(home.registryFile(), registryBytes);
        } else if (fault == QLatin1String("integer PassKey")) {
            TRegistry registry(home.registryFile());
            QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
            registry.WriteInteger(PassKey::ValueName, 5);
        } else if (fault == QLatin1String("folder at the file")) {
            QVERIFY(QDir().mkpath(home.registryFile()));
        } else {
            QVERIFY(QDir(home.configFolder()).removeRecursively());
            writeAll(home.configFolder(), "in the way");
        }

        PasswordDlgSeam::answerOk(QStringLiteral("the real one"));
        MessageDlgSeam::setNextAnswers(QList<int>(told.size(), mrOk));
        TfrmMain w;
        w.FormCreate();
        QVERIFY(!PasswordDlgSeam::hasPendingAnswer());
        const QStringList asides
            = QDir(home.configFolder()).entryList({QStringLiteral("registry.json.damaged-*")}, QDir::Files);
        QCOMPARE(asides.size(), setAside ? 1 : 0);
        const QString aside = setAside ? home.configFolder() + QLatin1Char('/') + asides.first() : QString();
        const QStringList asked = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(asked.size(), told.size());
        for (qsizetype i = 0; i < told.size(); ++i) {
            const QString expected = QString(told[i])
                                         .replace(QStringLiteral("%aside"), aside)
                                         .replace(QStringLiteral("%registry"), home.registryFile());
            QVERIFY2(asked[i].contains(expected), qPrintable(asked[i]));
        }
        if (setAside)
            QCOMPARE(readAll(aside), registryBytes);
        QVERIFY(w.HasPassPhrase);
        QVERIFY(w.StoreAvailable);
        QCOMPARE(w.lsvNotes->model()->rowCount() + w.lsvTasks->model()->rowCount(), 2);
        QVERIFY(w.actNewNote->isEnabled());

        if (!keptForNextStart)
            return;
        TDialogDriver noDialog;
        TfrmMain again;
        again.FormCreate();
        QCOMPARE(noDialog.unexpectedWindows, QStringList());
        QCOMPARE(again.PassPhrase, QStringLiteral("the real one"));
        QVERIFY(again.StoreAvailable);
    }
};

QTEST_MAIN(tst_StoreStartup)
#include "tst_storestartup.moc"
