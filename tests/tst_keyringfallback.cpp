// The passphrase where the desktop's keyring does not answer or does not keep
// it: "PassKey" keeps it, the user hears so once, and a "PassKey" leaves the
// settings only for a keyring that has given the passphrase back.
#include "mainwindow/Main.h"
#include "mainwindow/ChangePassPhraseDlg.h"
#include "mainwindow/PasswordDlg.h"
#include "mainwindow/StorageMove.h"
#include "platform/AtomicFile.h"
#include "diagnostics/MessageDlg.h"
#include "controls/EntryListModel.h"
#include "controls/RichEditURL.h"
#include "store/EntryTable.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/PassKey.h"
#include "store/StoreFile.h"
#include "tests/FakeSecretStore.h"
#include "tests/TestHome.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <cerrno>

Q_DECLARE_METATYPE(TFakeSecretStore::TFault)
Q_DECLARE_METATYPE(AtomicFile::TStep)

namespace {
using TFault = TFakeSecretStore::TFault;
const QByteArray document = "<?xml version=\"1.0\"?>\r\n<Notes><Note><Title>kept</Title><DateTime>38813.6</DateTime><NoteType>N</NoteType></Note></Notes>\r\n";
const QString toldKeptInSettings = QStringLiteral("Tamsel keeps your password in its settings file");

TFakeSecretStore &keyring()
{
    return TFakeSecretStore::instance();
}

std::optional<QByteArray> storedPassKey(const TestHome &home)
{
    TRegistry registry(home.registryFile());
    if (!registry.OpenKey(RegistryKeys::program(), false))
        return std::nullopt;
    return PassKey::Read(registry);
}

void storePassKey(const TestHome &home, const QString &passPhrase)
{
    TRegistry registry(home.registryFile());
    QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
    PassKey::Write(registry, EncodePassKey(StoreFile::PassPhraseBytes(passPhrase)));
}

// A start of the program, until the keyring has answered what start-up gave
// it; the messages it showed.
QStringList start(TfrmMain &w, int answers)
{
    MessageDlgSeam::setNextAnswers(QList<int>(answers, mrOk));
    w.FormCreate();
    QCoreApplication::processEvents();
    return MessageDlgSeam::takeAskedMessages();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The titles of the entries the store holds, when the passphrase opens it.
std::optional<QStringList> storedTitles(const TestHome &home, const QString &passPhrase)
{
    TXmlDocument opened;
    try {
        StoreFile::OpenStoreWithPassPhrase(home.storeFile(), passPhrase, opened);
    } catch (const EStoreOpenError &) {
        return std::nullopt;
    }
    QStringList titles;
    for (pugi::xml_node note = opened.Root().child("Note"); note; note = note.next_sibling("Note"))
        titles.append(TXmlDocument::ReadChildText(note, "Title"));
    return titles;
}

// The change dialog answered as the user would: the three fields typed,
// then OK. What the dialog then shows below the fields goes to `problem`.
ChangePassPhraseDlgSeam::TDriver typeAndClickOk(
    const QString &current, const QString &replacement, const QString &confirm, QString *problem = nullptr)
{
    return [=](TChangePassPhraseDlg &dialog) {
        dialog.show();
        QTest::keyClicks(dialog.edtCurrent, current);
        QTest::keyClicks(dialog.edtPassword, replacement);
        QTest::keyClicks(dialog.edtConfirm, confirm);
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        if (problem)
            *problem = dialog.lblProblem->text();
    };
}

// A start over the store of the entry "kept" under "old words", which the
// keyring holds.
void startWithOldPassPhrase(const TestHome &home, TfrmMain &w)
{
    StoreFile::SaveStore(home.storeFile(), "old words", document);
    QCOMPARE(keyring().Write(SecretStore::PassPhraseKey, QStringLiteral("old words")).result, TSecretResult::Done);
    QCOMPARE(start(w, 0), QStringList());
    QVERIFY(w.StoreAvailable);
    QVERIFY(w.mnuChangePassPhrase->isEnabled());
}

// Unfinished writes left beside the store.
QStringList leftBesideTheStore(const TestHome &home)
{
    QStringList left = QDir(home.dataFolder()).entryList({ QStringLiteral("brindo.dat.*") }, QDir::Files | QDir::Hidden);
    left.removeAll(QStringLiteral("brindo.dat.lock"));
    return left;
}
} // namespace

class tst_KeyringFallback : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        keyring().fault = TFault::None;
        keyring().waited = 0;
        MessageDlgSeam::setNextAnswers({});
        MessageDlgSeam::takeAskedDialogs();
        ChangePassPhraseDlgSeam::setNextDrivers({});
        StorePassPhraseSeam::setNextAnswers({});
    }

    // Without a keyring the passphrase typed at the first start lives in
    // "PassKey", the user is told once where, and later starts open the
    // entries with it. The first start with a keyring moves it there.
    void withoutAKeyringThePassPhraseIsKeptInTheSettings()
    {
        TestHome home;
        keyring().fault = TFault::NoService;
        PasswordDlgSeam::answerOk(QStringLiteral("Open sesame"));
        {
            TfrmMain w;
            const QStringList told = start(w, 1);
            QVERIFY(!PasswordDlgSeam::hasPendingAnswer());
            QCOMPARE(told.size(), 1);
            QVERIFY2(told[0].contains(toldKeptInSettings + QStringLiteral(" ") + home.registryFile()), qPrintable(told[0]));
            QVERIFY(told[0].contains(QStringLiteral("No keyring service answered")));
            QVERIFY(w.StoreAvailable);
        }
        QCOMPARE(storedPassKey(home), std::optional<QByteArray>(EncodePassKey("Open sesame")));

        for (const TFault fault : {TFault::NoService, TFault::None}) {
            keyring().fault = fault;
            TfrmMain again;
            QCOMPARE(start(again, 0), QStringList());
            QCOMPARE(again.PassPhrase, QStringLiteral("Open sesame"));
            QVERIFY(again.StoreAvailable);
            QCOMPARE(again.NotesModel->rowCount(), 1);
        }
        QCOMPARE(keyring().held(SecretStore::PassPhraseKey), QStringLiteral("Open sesame"));
        QCOMPARE(storedPassKey(home), std::nullopt);
    }

    // A "PassKey" stays in the settings until the keyring has given the
    // passphrase back unchanged; then it goes.
    void passKeyStaysUntilTheKeyringHoldsThePassPhrase_data()
    {
        QTest::addColumn<TFault>("fault");
        QTest::addColumn<QString>("why");
        QTest::newRow("no service") << TFault::NoService << QStringLiteral("No keyring service answered");
        QTest::newRow("write refused") << TFault::WriteFails << QStringLiteral("The keyring is locked.");
        QTest::newRow("nothing read back") << TFault::ReadBackLost << QStringLiteral("lost the password");
        QTest::newRow("other bytes read back") << TFault::ReadBackChanged << QStringLiteral("another password");
    }
    void passKeyStaysUntilTheKeyringHoldsThePassPhrase()
    {
        QFETCH(TFault, fault);
        QFETCH(QString, why);
        TestHome home;
        storePassKey(home, QStringLiteral("from the settings"));
        StoreFile::SaveStore(home.storeFile(), "from the settings", document);

        keyring().fault = fault;
        {
            TfrmMain w;
            const QStringList told = start(w, 1);
            QCOMPARE(told.size(), 1);
            QVERIFY2(told[0].contains(toldKeptInSettings) && told[0].contains(why), qPrintable(told[0]));
            QVERIFY(w.StoreAvailable);
        }
        QCOMPARE(storedPassKey(home), std::optional<QByteArray>(EncodePassKey("from the settings")));

        keyring().fault = TFault::None;
        TfrmMain w;
        QCOMPARE(start(w, 0), QStringList());
        QVERIFY(w.StoreAvailable);
        QCOMPARE(storedPassKey(home), std::nullopt);
        QCOMPARE(keyring().held(SecretStore::PassPhraseKey), QStringLiteral("from the settings"));
    }

    // A "PassKey" opens the entries at once: start-up waits for no keyring,
    // which may be asking the user for its own password meanwhile. The
    // "PassKey" stays until a keyring has answered.
    void startUpWaitsForNoKeyringWithAPassKey()
    {
        TestHome home;
        storePassKey(home, QStringLiteral("from the settings"));
        StoreFile::SaveStore(home.storeFile(), "from the settings", document);
        keyring().fault = TFault::NeverAnswers;
        TfrmMain w;
        QCOMPARE(start(w, 0), QStringList());
        QCOMPARE(keyring().waited, 0);
        QCOMPARE(w.PassPhrase, QStringLiteral("from the settings"));
        QVERIFY(w.StoreAvailable);
        QCOMPARE(w.NotesModel->rowCount(), 1);
        QCOMPARE(storedPassKey(home), std::optional<QByteArray>(EncodePassKey("from the settings")));
    }

    // With the keyring holding the passphrase, a settings file that cannot be
    // read costs only the settings: the entries open without a question, and
    // the user hears once that the settings were reset.
    void keyringOutlivesADamagedSettingsFile()
    {
        TestHome home;
        StoreFile::SaveStore(home.storeFile(), "in the keyring", document);
        QCOMPARE(keyring().Write(SecretStore::PassPhraseKey, QStringLiteral("in the keyring")).result, TSecretResult::Done);
        QFile file(home.registryFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"keys\": ");
        file.close();
        TfrmMain w;
        const QStringList told = start(w, 1);
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(QStringLiteral("your settings are back at their defaults")), qPrintable(told[0]));
        QCOMPARE(w.PassPhrase, QStringLiteral("in the keyring"));
        QVERIFY(w.StoreAvailable);
    }

    // File > Change Passphrase: the editor's unsaved entry is stored first,
    // then the store is encrypted anew, opening with the new passphrase and
    // not with the old, its entries unchanged; the new passphrase is kept in
    // the keyring, or in "PassKey" where the keyring does not take it, and
    // the next start opens the entries with it.
    void changedPassPhraseEncryptsTheStoreAnew_data()
    {
        QTest::addColumn<TFault>("fault");
        QTest::newRow("kept in the keyring") << TFault::None;
        QTest::newRow("kept in the settings") << TFault::NoService;
    }
    void changedPassPhraseEncryptsTheStoreAnew()
    {
        QFETCH(TFault, fault);
        TestHome home;
        {
            TfrmMain w;
            startWithOldPassPhrase(home, w);
            w.actNewNoteExecute();
            QTest::keyClicks(w.edtTitle, QStringLiteral("typed before"));
            QVERIFY(w.actSaveNote->isEnabled());

            keyring().fault = fault;
            ChangePassPhraseDlgSeam::setNextDrivers(
                { typeAndClickOk(QStringLiteral("old words"), QStringLiteral("new words"), QStringLiteral("new words")) });
            MessageDlgSeam::setNextAnswers({ mrYes, mrOk, mrOk });
            w.mnuChangePassPhrase->trigger();
            QVERIFY(!ChangePassPhraseDlgSeam::hasPendingDrivers());
            const QStringList told = MessageDlgSeam::takeAskedMessages();
            QVERIFY(!told.isEmpty());
            QVERIFY2(told.first().contains(QStringLiteral("Save changes")), qPrintable(told.first()));
            QVERIFY2(told.last().contains(QStringLiteral("Your passphrase has been changed")), qPrintable(told.last()));
            QCOMPARE(told.size(), fault == TFault::None ? 2 : 3);
            QVERIFY(!w.actSaveNote->isEnabled());
            QCOMPARE(w.PassPhrase, QStringLiteral("new words"));
            QVERIFY(w.mnuChangePassPhrase->isEnabled());
        }
        QCOMPARE(storedTitles(home, QStringLiteral("old words")), std::nullopt);
        QCOMPARE(storedTitles(home, QStringLiteral("new words")),
            std::make_optional(QStringList({ QStringLiteral("kept"), QStringLiteral("typed before") })));
        QCOMPARE(leftBesideTheStore(home), QStringList());
        if (fault == TFault::None) {
            QCOMPARE(keyring().held(SecretStore::PassPhraseKey), QStringLiteral("new words"));
            QCOMPARE(storedPassKey(home), std::nullopt);
        } else {
            QCOMPARE(storedPassKey(home), std::optional<QByteArray>(EncodePassKey("new words")));
        }

        TfrmMain again;
        QCOMPARE(start(again, 0), QStringList());
        QVERIFY(again.StoreAvailable);
        QCOMPARE(again.PassPhrase, QStringLiteral("new words"));
        QCOMPARE(again.NotesModel->rowCount(), 2);
    }

    // A wrong current passphrase is refused in the dialog; given up there,
    // nothing changes.
    void wrongCurrentPassPhraseChangesNothing()
    {
        TestHome home;
        TfrmMain w;
        startWithOldPassPhrase(home, w);
        const QByteArray before = readAll(home.storeFile());
        QString problem;
        ChangePassPhraseDlgSeam::setNextDrivers({ typeAndClickOk(
            QStringLiteral("not these words"), QStringLiteral("new words"), QStringLiteral("new words"), &problem) });
        w.mnuChangePassPhrase->trigger();
        QVERIFY2(problem.contains(QStringLiteral("not the one in use")), qPrintable(problem));
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
        QCOMPARE(readAll(home.storeFile()), before);
        QCOMPARE(w.PassPhrase, QStringLiteral("old words"));
        QCOMPARE(keyring().held(SecretStore::PassPhraseKey), QStringLiteral("old words"));
    }

    // A store write that fails at any step changes nothing: the old store is
    // whole, opens with the old passphrase, which stays kept and in use.
    void failingStoreWriteChangesNothing_data()
    {
        QTest::addColumn<AtomicFile::TStep>("step");
        QTest::newRow("write") << AtomicFile::TStep::Write;
        QTest::newRow("close") << AtomicFile::TStep::Close;
        QTest::newRow("rename") << AtomicFile::TStep::Rename;
    }
    void failingStoreWriteChangesNothing()
    {
        QFETCH(AtomicFile::TStep, step);
        TestHome home;
        TfrmMain w;
        startWithOldPassPhrase(home, w);
        const QByteArray before = readAll(home.storeFile());
        {
            const AtomicFile::TFaultFunction sound
                = AtomicFile::SetFault([step](AtomicFile::TStep at) { return at == step ? EIO : 0; });
            const auto restore = qScopeGuard([sound] { AtomicFile::SetFault(sound); });
            ChangePassPhraseDlgSeam::setNextDrivers(
                { typeAndClickOk(QStringLiteral("old words"), QStringLiteral("new words"), QStringLiteral("new words")) });
            MessageDlgSeam::setNextAnswers({ mrOk });
            w.mnuChangePassPhrase->trigger();
        }
        const QStringList told = MessageDlgSeam::takeAskedMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(QStringLiteral("Your passphrase was NOT changed")), qPrintable(told[0]));
        QVERIFY2(told[0].contains(QStringLiteral("Your entries and your passphrase are as they were")), qPrintable(told[0]));
        QCOMPARE(readAll(home.storeFile()), before);
        QCOMPARE(leftBesideTheStore(home), QStringList());
        QCOMPARE(w.PassPhrase, QStringLiteral("old words"));
        QCOMPARE(keyring().held(SecretStore::PassPhraseKey), QStringLiteral("old words"));

        // Saves go on under the old passphrase.
        QVERIFY(w.Entries->Store());
        QCOMPARE(storedTitles(home, QStringLiteral("old words")), std::make_optional(QStringList({ QStringLiteral("kept") })));
    }

    // Where the new passphrase can be kept neither in the keyring nor in the
    // settings, the store goes back to the old passphrase, which is still
    // kept. Should that write fail too, the store stays under the new one:
    // the user is told to enter it at the next start, which asks for it.
    void newPassPhraseThatCannotBeKept_data()
    {
        QTest::addColumn<QList<int>>("failingRenames");
        QTest::addColumn<bool>("wentBack");
        // The renames: the store under the new passphrase, the settings file,
        // the store under the old passphrase again.
        QTest::newRow("store back under the old passphrase") << QList<int> { 2 } << true;
        QTest::newRow("store cannot go back") << QList<int> { 2, 3 } << false;
    }
    void newPassPhraseThatCannotBeKept()
    {
        QFETCH(QList<int>, failingRenames);
        QFETCH(bool, wentBack);
        TestHome home;
        {
            TfrmMain w;
            startWithOldPassPhrase(home, w);
            keyring().fault = TFault::WriteFails;
            int renames = 0;
            {
                const AtomicFile::TFaultFunction sound = AtomicFile::SetFault([&](AtomicFile::TStep step) {
                    return step == AtomicFile::TStep::Rename && failingRenames.contains(++renames) ? EIO : 0;
                });
                const auto restore = qScopeGuard([sound] { AtomicFile::SetFault(sound); });
                ChangePassPhraseDlgSeam::setNextDrivers({ typeAndClickOk(
                    QStringLiteral("old words"), QStringLiteral("new words"), QStringLiteral("new words")) });
                MessageDlgSeam::setNextAnswers({ mrOk });
                w.mnuChangePassPhrase->trigger();
            }
            keyring().fault = TFault::None;
            QCOMPARE(renames, 3);
            const QStringList told = MessageDlgSeam::takeAskedMessages();
            QCOMPARE(told.size(), 1);
            QCOMPARE(keyring().held(SecretStore::PassPhraseKey), QStringLiteral("old words"));
            QCOMPARE(storedPassKey(home), std::nullopt);
            QCOMPARE(leftBesideTheStore(home), QStringList());
            if (wentBack) {
                QVERIFY2(told[0].contains(QStringLiteral("Your passphrase was NOT changed")), qPrintable(told[0]));
                QCOMPARE(w.PassPhrase, QStringLiteral("old words"));
                QCOMPARE(storedTitles(home, QStringLiteral("old words")), std::make_optional(QStringList({ QStringLiteral("kept") })));
                QCOMPARE(storedTitles(home, QStringLiteral("new words")), std::nullopt);
                return;
            }
            QVERIFY2(told[0].contains(QStringLiteral("enter the NEW one")), qPrintable(told[0]));
            QCOMPARE(w.PassPhrase, QStringLiteral("new words"));
            QCOMPARE(storedTitles(home, QStringLiteral("new words")), std::make_optional(QStringList({ QStringLiteral("kept") })));
        }
        // The keyring's old passphrase no longer opens the store: the start
        // asks, and keeps the one that opens it.
        StorePassPhraseSeam::setNextAnswers({ QStringLiteral("new words") });
        TfrmMain again;
        QCOMPARE(start(again, 0), QStringList());
        QVERIFY(!StorePassPhraseSeam::hasPendingAnswers());
        QVERIFY(again.StoreAvailable);
        QCOMPARE(keyring().held(SecretStore::PassPhraseKey), QStringLiteral("new words"));
    }
};

QTEST_MAIN(tst_KeyringFallback)
#include "tst_keyringfallback.moc"
