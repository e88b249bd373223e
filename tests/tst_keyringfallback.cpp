// The passphrase where the desktop's keyring does not answer or does not keep
// it: "PassKey" keeps it, the user hears so once, and a "PassKey" leaves the
// settings only for a keyring that has given the passphrase back.
#include "mainwindow/Main.h"
#include "mainwindow/PasswordDlg.h"
#include "diagnostics/MessageDlg.h"
#include "controls/EntryListModel.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/PassKey.h"
#include "store/StoreFile.h"
#include "tests/FakeSecretStore.h"
#include "tests/TestHome.h"

#include <QTest>

Q_DECLARE_METATYPE(TFakeSecretStore::TFault)

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
};

QTEST_MAIN(tst_KeyringFallback)
#include "tst_keyringfallback.moc"
