// The passphrase with a real Secret Service running: kept in the keyring and
// in no file of the home, including a "PassKey" of an earlier run.
#include "mainwindow/Main.h"
#include "mainwindow/PasswordDlg.h"
#include "diagnostics/MessageDlg.h"
#include "controls/EntryListModel.h"
#include "platform/SecretStore.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/PassKey.h"
#include "store/StoreFile.h"
#include "tests/PrivateKeyring.h"
#include "tests/TestHome.h"

#include <QDirIterator>
#include <QFile>
#include <QTest>

namespace {
const QString passPhrase = QStringLiteral("Open sesame 42");

// Every form the passphrase could be read from a file in: clear, scrambled
// as in "PassKey", and both as the settings file writes binary values.
QList<QByteArray> readableForms()
{
    const QByteArray clear = StoreFile::PassPhraseBytes(passPhrase);
    const QByteArray scrambled = EncodePassKey(clear);
    return {clear, scrambled, clear.toBase64(), scrambled.toBase64()};
}

QStringList filesGivingThePassPhraseAway(const QStringList &folders)
{
    QStringList found;
    for (const QString &folder : folders) {
        QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue; // sockets
            const QByteArray bytes = file.readAll();
            for (const QByteArray &form : readableForms())
                if (bytes.contains(form))
                    found.append(path);
        }
    }
    return found;
}

bool passKeyStored(const TestHome &home)
{
    TRegistry registry(home.registryFile());
    return registry.OpenKey(RegistryKeys::program(), false) && registry.ValueExists(PassKey::ValueName);
}
} // namespace

class tst_Keyring : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The keyring library picks its backend by the desktop; without one
        // it asks the Secret Service.
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("DESKTOP_SESSION");
        const QString failure = m_keyring.Start();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        SecretStore::Use(nullptr);
    }

    void firstStartKeepsThePassPhraseInTheKeyringOnly()
    {
        TestHome home;
        PasswordDlgSeam::answerOk(passPhrase);
        {
            TfrmMain w;
            w.FormCreate();
            QVERIFY(!PasswordDlgSeam::hasPendingAnswer());
            QVERIFY(w.StoreAvailable);
        }
        QCOMPARE(SecretStore::Current().Read(SecretStore::PassPhraseKey).secret, passPhrase);
        QVERIFY(!passKeyStored(home));
        QCOMPARE(filesGivingThePassPhraseAway({home.path(), m_keyring.Folder()}), QStringList());

        // The next start reads it from the keyring, silently.
        TfrmMain again;
        again.FormCreate();
        QCOMPARE(again.PassPhrase, passPhrase);
        QVERIFY(again.StoreAvailable);
        QCOMPARE(again.NotesModel->rowCount(), 1);
    }

    void passKeyOfAnEarlierRunMovesIntoTheKeyring()
    {
        TestHome home;
        {
            TRegistry registry(home.registryFile());
            QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
            PassKey::Write(registry, EncodePassKey(StoreFile::PassPhraseBytes(passPhrase)));
        }
        StoreFile::SaveStore(home.storeFile(), StoreFile::PassPhraseBytes(passPhrase),
            "<?xml version=\"1.0\"?>\r\n<Notes><Note><Title>kept</Title><DateTime>38813.6</DateTime><NoteType>N</NoteType></Note></Notes>\r\n");
        TfrmMain w;
        w.FormCreate();
        QCOMPARE(w.PassPhrase, passPhrase);
        QVERIFY(w.StoreAvailable);
        QCOMPARE(w.NotesModel->rowCount(), 1);
        // The keyring takes it after start-up, from the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(!passKeyStored(home), 20000);
        QCOMPARE(SecretStore::Current().Read(SecretStore::PassPhraseKey).secret, passPhrase);
        QCOMPARE(filesGivingThePassPhraseAway({home.path(), m_keyring.Folder()}), QStringList());
    }

    // Keeping without waiting returns before the keyring answers, and tells
    // what it answered; a keyring slower than the time limit has failed.
    void keepLaterAnswersFromTheEventLoop()
    {
        TKeychainSecretStore store(QStringLiteral("Tamsel keep test"));
        QObject context;
        std::optional<QString> failure;
        store.KeepLater(QStringLiteral("k"), QStringLiteral("secret"), &context, [&](const QString &why) { failure = why; });
        QVERIFY(!failure);
        QTRY_VERIFY_WITH_TIMEOUT(failure.has_value(), 20000);
        QCOMPARE(*failure, QString());
        QCOMPARE(store.Read(QStringLiteral("k")).secret, QStringLiteral("secret"));

        TKeychainSecretStore hasty(QStringLiteral("Tamsel keep test"), std::chrono::milliseconds(0));
        failure.reset();
        hasty.KeepLater(QStringLiteral("k"), QStringLiteral("other"), &context, [&](const QString &why) { failure = why; });
        QTRY_VERIFY_WITH_TIMEOUT(failure.has_value(), 20000);
        QVERIFY2(failure->contains(QStringLiteral("did not answer")), qPrintable(*failure));
    }

private:
    TPrivateKeyring m_keyring;
};

QTEST_MAIN(tst_Keyring)
#include "tst_keyring.moc"
