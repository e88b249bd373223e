// The encrypted store file: the cipher against published and independently
// computed keystreams, the file layout, atomic replacement and the
// conversion of a legacy plain file.
#include "platform/FileSync.h"
#include "store/DocumentGate.h"
#include "store/CodePage1252.h"
#include "store/Rc4.h"
#include "store/StoreBackups.h"
#include "store/StoreFile.h"
#include "store/XmlDocument.h"
#include "tests/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

QByteArray keystream(const QByteArray &key, qsizetype size)
{
    QByteArray data(size, '\0');
    Rc4::ApplyBlockedKeystream(key, data);
    return data;
}

QFile::Permissions ownerOnly() { return QFile::ReadOwner | QFile::WriteOwner; }

QFile::Permissions permissionBits(const QString &path)
{
    // QFile reports the owner's bits twice (as owner and as user).
    return QFile::permissions(path)
        & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup
            | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
}

const QByteArray legacyText
    = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<!-- kept as written -->\r\n<Notes>\r\n"
      "\t<Note>\r\n\t\t<Title>Caf\xe9</Title>\r\n\t\t<Text>a&lt;b^Mc</Text>\r\n\t</Note>\r\n</Notes>\r\n";

// A document of `count` notes titled "n0", "n1", ...
QByteArray numberedNotes(int count, const QByteArray &before = {}, const QByteArray &after = {})
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + before + "<Notes version=\"2\" a=\"&lt;&quot;\">";
    for (int i = 0; i < count; ++i)
        text += "<Note><Title>n" + QByteArray::number(i) + "</Title><Text>line one\nline &lt;two&gt;</Text></Note>";
    return text + "</Notes>" + after;
}

// Collects what a writer is given, running a step after the given call.
struct TCollectingWriter : pugi::xml_writer {
    QByteArray bytes;
    int calls = 0;
    int stepAfterCall = -1;
    std::function<void()> step;
    void write(const void *data, size_t size) override
    {
        bytes.append(static_cast<const char *>(data), qsizetype(size));
        if (++calls == stepAfterCall)
            step();
    }
};

QStringList titlesIn(const QByteArray &text)
{
    TXmlDocument document;
    document.LoadFromMemory(text);
    QStringList titles;
    for (pugi::xml_node note = document.Root().first_child(); note; note = note.next_sibling())
        titles << QString::fromUtf8(note.child("Title").child_value());
    return titles;
}

// Everything in a folder but "." and "..", links and hidden files included.
QStringList folderEntries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

QString titleOf(const TXmlDocument &document)
{
    return TXmlDocument::ReadChildText(document.Root().child("Note"), "Title");
}

// A store of `count` notes under the passphrase "secret".
void saveNotes(const QString &path, int count, const QByteArray &passPhrase = "secret")
{
    QByteArray xml = "<?xml version=\"1.0\"?><Notes>";
    for (int i = 0; i < count; ++i)
        xml += "<Note><Title>note " + QByteArray::number(i) + "</Title></Note>";
    StoreFile::SaveStore(path, passPhrase, xml + "</Notes>");
}

// The file names of a store's backups, newest first.
QStringList backupNames(const QString &storePath)
{
    QStringList names;
    for (const StoreBackups::TBackup &backup : StoreBackups::List(storePath))
        names << QFileInfo(backup.path).fileName();
    return names;
}

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Runs a save that must fail and checks that its message says, in plain
// words, which file and why, and that the file was left alone.
template <typename Save> void expectSaveFailure(const QString &path, int error, Save save)
{
    try {
        save();
        QFAIL("The save did not fail.");
    } catch (const ETamselError &raised) {
        const QString &message = raised.message();
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY2(message.contains(systemReason(error)), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("The file was left as it was.")), qPrintable(message));
    }
}

// Replaces the file sync while a test runs.
class SyncReplacement {
public:
    explicit SyncReplacement(FileSync::TSyncFunction sync) : m_saved(FileSync::SetSync(std::move(sync))) {}
    ~SyncReplacement() { FileSync::SetSync(std::move(m_saved)); }

private:
    FileSync::TSyncFunction m_saved;
};

// Restores the file size limit and SIGXFSZ when a test that lowers them ends.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_saved {};
    void (*m_oldHandler)(int) = nullptr;
};
} // namespace

class tst_StoreFile : public QObject {
    Q_OBJECT

private slots:
    // RFC 6229 keystreams; every offset lies within one 8192-byte block, where
    // the store's cipher must be plain RC4.
    void plainRc4WithinOneBlock_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray key40 = hex("0102030405");
        const QByteArray key128 = hex("0102030405060708090a0b0c0d0e0f10");
        const struct {
            int offset;
            const char *bits40;
            const char *bits128;
        } rows[] = {
            { 0, "b2396305f03dc027ccc3524a0a1118a8", "9ac7cc9a609d1ef7b2932899cde41b97" },
            { 16, "6982944f18fc82d589c403a47a0d0919", "5248c4959014126a6e8a84f11d1a9e1c" },
            { 240, "28cb1132c96ce286421dcaadb8b69eae", "065902e4b620f6cc36c8589f66432f2b" },
            { 256, "1cfcf62b03eddb641d77dfcf7f8d8c93", "d39d566bc6bce3010768151549f3873f" },
            { 496, "42b7d0cdd918a8a33dd51781c81f4041", "b6d1e6c4a5e4771cad79538df295fb11" },
            { 512, "6459844432a7da923cfb3eb4980661f6", "c68c1d5c559a974123df1dbc52a43b89" },
            { 752, "ec10327bde2beefd18f9277680457e22", "c5ecf88de897fd57fed301701b82a259" },
            { 768, "eb62638d4f0ba1fe9fca20e05bf8ff2b", "eccbe13de1fcc91c11a0b26c0bc8fa4d" },
            { 1008, "45129048e6a0ed0b56b490338f078da5", "e7a72574f8782ae26aabcf9ebcd66065" },
            { 1024, "30abbcc7c20b01609f23ee2d5f6bb7df", "bdf0324e6083dcc6d3cedd3ca8c53c16" },
            { 1520, "3294f744d8f9790507e70f62e5bbceea", "b40110c4190b5622a96116b0017ed297" },
            { 1536, "d8729db41882259bee4f825325f5a130", "ffa0b514647ec04f6306b892ae661181" },
            { 2032, "1eb14a0c13b3bf47fa2a0ba93ad45b8b", "d03d1bc03cd33d70dff9fa5d71963ebd" },
            { 2048, "cc582f8ba9f265e2b1be9112e975d2d7", "8a44126411eaa78bd51e8d87a8879bf5" },
            { 3056, "f2e30f9bd102ecbf75aaade9bc35c43c", "fabeb76028ade2d0e48722e46c4615a3" },
            { 3072, "ec0e11c479dc329dc8da7968fe965681", "c05d88abd50357f935a63c59ee537623" },
            { 4080, "068326a2118416d21f9d04b2cd1ca050", "ff38265c1642c1abe8d3c2fe5e572bf8" },
            { 4096, "ff25b58995996707e51fbdf08b34d875", "a36a4c301ae8ac13610ccbc12256cacc" },
        };
        for (const auto &row : rows) {
            QTest::addRow("40-bit key at %d", row.offset) << key40 << row.offset << hex(row.bits40);
            QTest::addRow("128-bit key at %d", row.offset) << key128 << row.offset << hex(row.bits128);
        }
    }
    void plainRc4WithinOneBlock()
    {
        QFETCH(QByteArray, key);
        QFETCH(int, offset);
        QFETCH(QByteArray, expected);
        QCOMPARE(keystream(key, 4112).mid(offset, 16).toHex(), expected.toHex());

        // The same stream taken in uneven pieces: the indexes carry on between calls.
        QByteArray pieces(4112, '\0');
        TRc4Cipher cipher(key);
        for (qsizetype start = 0; start < pieces.size(); start += 7)
            cipher.Apply(pieces.data() + start, std::min<qsizetype>(7, pieces.size() - start));
        QCOMPARE(pieces.mid(offset, 16).toHex(), expected.toHex());
    }

    void classicVectors_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("cipher");
        QTest::newRow("Key") << QByteArray("Key") << QByteArray("Plaintext") << hex("bbf316e8d940af0ad3");
        QTest::newRow("Wiki") << QByteArray("Wiki") << QByteArray("pedia") << hex("1021bf0420");
        QTest::newRow("Secret") << QByteArray("Secret") << QByteArray("Attack at dawn")
                                << hex("45a01f645fc35b383552544b9bf5");
    }
    void classicVectors()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, cipher);
        QByteArray data = plain;
        Rc4::ApplyBlockedKeystream(key, data);
        QCOMPARE(data.toHex(), cipher.toHex());
        Rc4::ApplyBlockedKeystream(key, data);
        QCOMPARE(data, plain);
    }

    // Beyond 8192 bytes the indexes start again at 0 at every block while the
    // permutation carries on. The expected bytes come from a separate
    // implementation written from that rule, whose first block agrees with
    // OpenSSL's RC4; a block boundary one byte early or late, or no reset,
    // changes every window.
    void blockRuleAtEveryBoundary_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("end of plain RC4") << 8176 << hex("7f0b9c83daf561055b3fbe481aa60b27");
        QTest::newRow("across 8192") << 8184 << hex("5b3fbe481aa60b2723e9b1bba9d1d0e5");
        QTest::newRow("across 16384") << 16376 << hex("0611d05c496c796d6bb4beffe2c00573");
        QTest::newRow("across 24576") << 24568 << hex("1a9dc9c4e1c9acda161f90897f604413");
    }
    void blockRuleAtEveryBoundary()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, expected);
        QCOMPARE(keystream(hex("0102030405"), 24600).mid(offset, 16).toHex(), expected.toHex());
    }

    void blockRuleWholeStream()
    {
        const QByteArray stream = keystream(hex("0102030405"), 24577);
        QCOMPARE(QCryptographicHash::hash(stream, QCryptographicHash::Sha1).toHex(),
            QByteArray("64e33302ecd31a074ec842d27db44f6ff8f6ea9f"));

        // Up to 8192 bytes it is the plain stream; the byte after is not.
        QByteArray plain(8193, '\0');
        TRc4Cipher(hex("0102030405")).Apply(plain.data(), plain.size());
        QCOMPARE(stream.left(8192), plain.left(8192));
        QVERIFY(stream.at(8192) != plain.at(8192));
    }

    // Pieces of any size continue the one blocked stream.
    void blockedStreamInPieces()
    {
        const QByteArray key = hex("0102030405");
        QByteArray whole(3 * Rc4::BlockSize + 77, 'x');
        QByteArray pieces = whole;
        Rc4::ApplyBlockedKeystream(key, whole);
        TRc4BlockedStream stream(key);
        qsizetype at = 0;
        for (const qsizetype size : {1, 8190, 2, 8192, 5000}) {
            stream.Apply(pieces.data() + at, size);
            at += size;
        }
        stream.Apply(pieces.data() + at, pieces.size() - at);
        QCOMPARE(pieces, whole);
    }

    // A document is stored piece by piece; its file reads back as the whole
    // document's text under the one stream.
    void documentIsStoredAsOneStream()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        TXmlDocument document;
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes>";
        for (int i = 0; i < 5000; ++i)
            xml += "<Note><Title>Entry " + QByteArray::number(i) + " \xc3\xa4</Title><Text>a &amp;lt; b</Text></Note>";
        document.LoadFromMemory(xml + "</Notes>");
        QVERIFY(document.SaveToBytes().size() > 4 * 64 * 1024);

        StoreFile::SaveStore(path, "secret", document);
        const QByteArray file = readFile(path);
        QVERIFY(!file.contains("Entry"));
        QCOMPARE(StoreFile::Decrypt(file, "secret"), document.SaveToBytes());
        QCOMPARE(permissionBits(path), ownerOnly());
        QVERIFY_THROWS_EXCEPTION(ETamselError, StoreFile::SaveStore(path, QByteArray(), document));
        QCOMPARE(readFile(path), file);
    }

    void keyIsSha1OfSaltThenPassPhrase()
    {
        const QByteArray salt = hex("5aa500ff10203040");
        QCOMPARE(StoreFile::DeriveKey(salt, "secret").toHex(),
            QByteArray("8b7ccae04a2bac31fd61fe9b973cd66cdacfcfd2"));
        QCOMPARE(StoreFile::DeriveKey(salt, "secret"),
            QCryptographicHash::hash(QByteArray(salt + "secret"), QCryptographicHash::Sha1));
        QCOMPARE(StoreFile::PassPhraseBytes(QStringLiteral("Caf\u00e9")), QByteArray("Caf\xc3\xa9"));
    }

    // Whole files as an independent implementation of the layout writes them.
    void fileLayoutByteForByte()
    {
        const QByteArray salt = hex("5aa500ff10203040");
        const QByteArray plain = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Notes/>\r\n";
        const QByteArray file = StoreFile::Encrypt(plain, "secret", salt);
        QCOMPARE(file.toHex(),
            QByteArray("5aa500ff10203040fc42c9189a381dbb5eac08d945ad3040b1c609931bc4171693fa2d"
                       "1069f29d711c864923f492bddd2c3df470f4e33a05b89b"));
        QCOMPARE(StoreFile::Decrypt(file, "secret"), plain);

        QByteArray big(20000, Qt::Uninitialized);
        for (int i = 0; i < big.size(); ++i)
            big[i] = char((i * 7 + 3) % 251);
        const QByteArray bigFile = StoreFile::Encrypt(big, "secret", salt);
        QCOMPARE(bigFile.size(), big.size() + 8);
        QCOMPARE(QCryptographicHash::hash(bigFile, QCryptographicHash::Sha1).toHex(),
            QByteArray("8b8d596f96a1d036aba75220b14f58e78724dacc"));
        QCOMPARE(StoreFile::Decrypt(bigFile, "secret"), big);
    }

    void emptyPassPhraseIsRefused()
    {
        QVERIFY_THROWS_EXCEPTION(
            ETamselError, StoreFile::Encrypt("<Notes/>", QByteArray(), StoreFile::NewSalt()));
    }

    void saltsComeFromTheSystemSource()
    {
        QSet<QByteArray> salts;
        for (int i = 0; i < 200; ++i) {
            const QByteArray salt = StoreFile::NewSalt();
            QCOMPARE(salt.size(), 8);
            salts.insert(salt);
        }
        QCOMPARE(salts.size(), 200);
    }

    // Files that exist but hold no readable document; none may load.
    void unreadableStores_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("The file is empty");
        QTest::newRow("7 bytes") << QByteArray("1234567") << QStringLiteral("fewer than the 8 bytes");
        QTest::newRow("exactly the salt")
            << hex("5aa500ff10203040") << QStringLiteral("salt and nothing else");
        QTest::newRow("wrong passphrase") << StoreFile::Encrypt(
            "<?xml version=\"1.0\"?>\r\n<Notes><Note><Title>Private</Title></Note></Notes>", "right",
            hex("0001020304050607")) << QStringLiteral("passphrase is not the one");
    }
    void unreadableStores()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(path, bytes);

        TXmlDocument document;
        document.LoadFromMemory("<Notes><Note/></Notes>");
        try {
            StoreFile::OpenStore(path, "wrong", document);
            QFAIL("The store opened.");
        } catch (const EStoreOpenError &error) {
            QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
            // No excerpt of the decrypted text travels with the message.
            QVERIFY(!error.message().contains(QStringLiteral("Private")));
        }
        QCOMPARE(QByteArray(document.Root().name()), QByteArray("Notes"));
        QVERIFY(document.Root().child("Note"));
        QCOMPARE(readFile(path), bytes);
    }

    void missingStoreIsAReadFailure()
    {
        QTemporaryDir dir;
        TXmlDocument document;
        QVERIFY_THROWS_EXCEPTION(
            ETamselError, StoreFile::OpenStore(dir.filePath(QStringLiteral("brindo.dat")), "x", document));
        QVERIFY_THROWS_EXCEPTION(ETamselError, StoreFile::ReadFile(dir.path()));
    }

    void twoSavesDifferAndDecryptAlike()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        TXmlDocument document;
        document.LoadFromMemory(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes><Note><Title>One</Title></Note></Notes>");
        const QByteArray plain = document.SaveToBytes();

        StoreFile::SaveStore(path, "secret", plain);
        const QByteArray first = readFile(path);
        StoreFile::SaveStore(path, "secret", plain);
        const QByteArray second = readFile(path);

        // Salt, text, the salt record's 75 bytes and the check's 82.
        QCOMPARE(first.size(), 8 + plain.size() + 75 + 82);
        QVERIFY(first.left(8) != second.left(8));
        QVERIFY(first.mid(8) != second.mid(8));
        QVERIFY(!first.contains("One") && !second.contains("One"));
        QCOMPARE(StoreFile::Decrypt(first, "secret"), plain);
        QCOMPARE(StoreFile::Decrypt(second, "secret"), plain);

        TXmlDocument reopened;
        QCOMPARE(StoreFile::OpenStore(path, "secret", reopened), plain);
        QCOMPARE(reopened.SaveToBytes(), plain);
    }

    void atomicWriteIsOwnerOnlyWhateverTheUmask()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(path, "old");
        QFile::setPermissions(
            path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        const mode_t savedMask = ::umask(0);
        StoreFile::WriteFileAtomically(path, "new");
        StoreFile::WriteFileAtomically(dir.filePath(QStringLiteral("fresh.dat")), "fresh");
        ::umask(savedMask);
        QCOMPARE(readFile(path), QByteArray("new"));
        QCOMPARE(permissionBits(path), ownerOnly());
        QCOMPARE(permissionBits(dir.filePath(QStringLiteral("fresh.dat"))), ownerOnly());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // A write that breaks off (here: the file size limit, as a full disk
    // would) leaves the old store whole and no new file behind.
    void failedWriteLeavesTheOldStore_data()
    {
        QTest::addColumn<bool>("fromDocument");
        QTest::newRow("plain body") << false;
        QTest::newRow("document in pieces") << true;
    }
    void failedWriteLeavesTheOldStore()
    {
        QFETCH(bool, fromDocument);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray old = StoreFile::Encrypt("<Notes/>", "secret", StoreFile::NewSalt());
        writeFile(path, old);
        TXmlDocument document;
        document.LoadFromMemory("<Notes><Note><Text>" + QByteArray(200000, 'x') + "</Text></Note></Notes>");
        {
            const FileSizeLimit limit(64);
            expectSaveFailure(path, EFBIG, [&] {
                if (fromDocument)
                    StoreFile::SaveStore(path, "secret", document);
                else
                    StoreFile::SaveStore(path, "secret", QByteArray(4096, 'x'));
            });
        }
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList { QStringLiteral("brindo.dat") });
    }

    void failedRenameLeavesNothingBehind()
    {
        QTemporaryDir dir;
        // A folder where the store should be: the rename is refused.
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        QVERIFY(QDir().mkdir(path));
        expectSaveFailure(path, EISDIR, [&] { StoreFile::WriteFileAtomically(path, "bytes"); });
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(folderEntries(dir.path()), QStringList { QStringLiteral("brindo.dat") });
        const QString noFolder = dir.filePath(QStringLiteral("no/such.dat"));
        expectSaveFailure(noFolder, ENOENT, [&] { StoreFile::WriteFileAtomically(noFolder, "x"); });
    }

    // A device that fails the sync: the new text may not be on the disk, so
    // it never takes the old store's place.
    void failedSyncLeavesTheOldStore_data()
    {
        QTest::addColumn<int>("error");
        QTest::newRow("device error") << EIO;
        QTest::newRow("disk full") << ENOSPC;
    }
    void failedSyncLeavesTheOldStore()
    {
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(path, "the old store");
        const SyncReplacement sync([error](int, const QByteArray &) { return error; });
        expectSaveFailure(path, error, [&] { StoreFile::SaveStore(path, "secret", QByteArray("<Notes/>")); });
        QCOMPARE(readFile(path), QByteArray("the old store"));
        QCOMPARE(folderEntries(dir.path()), QStringList { QStringLiteral("brindo.dat") });
    }

    // The new file reaches the disk before it takes the old one's place, and
    // the folder, which holds that change, after.
    void syncsTheNewFileBeforeTheRenameAndTheFolderAfter()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(path, "old");
        struct Sync {
            QString path;
            QByteArray storeThen;
            QByteArray syncedText;
        };
        QList<Sync> syncs;
        const SyncReplacement sync([&](int fd, const QByteArray &name) {
            QByteArray text(16, '\0');
            text.resize(qsizetype(std::max<ssize_t>(0, ::pread(fd, text.data(), size_t(text.size()), 0))));
            syncs.append({ QFile::decodeName(name), readFile(path), text });
            return ::fsync(fd) == 0 ? 0 : errno;
        });

        StoreFile::WriteFileAtomically(path, "new");

        QCOMPARE(syncs.size(), 2);
        QVERIFY2(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(path)
                     + QStringLiteral("\\.[A-Za-z0-9]{6}$"))
                     .match(syncs[0].path)
                     .hasMatch(),
            qPrintable(syncs[0].path));
        QCOMPARE(syncs[0].syncedText, QByteArray("new"));
        QCOMPARE(syncs[0].storeThen, QByteArray("old"));
        QCOMPARE(syncs[1].path, QDir(dir.path()).absolutePath());
        QCOMPARE(syncs[1].storeThen, QByteArray("new"));
    }

    // After the rename the old file is gone; a failing folder sync is still
    // reported, unless the file system cannot sync folders at all.
    void failedFolderSync_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("raises");
        QTest::newRow("device error") << EIO << true;
        QTest::newRow("folders cannot be synced here") << EINVAL << false;
    }
    void failedFolderSync()
    {
        QFETCH(int, error);
        QFETCH(bool, raises);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(path, "old");
        const SyncReplacement sync([&](int fd, const QByteArray &name) {
            return QFileInfo(QFile::decodeName(name)).isDir() ? error : (::fsync(fd) == 0 ? 0 : errno);
        });
        QString message;
        try {
            StoreFile::WriteFileAtomically(path, "new");
        } catch (const ETamselError &raised) {
            message = raised.message();
        }
        QCOMPARE(!message.isEmpty(), raises);
        if (raises) {
            QVERIFY2(message.contains(path) && message.contains(systemReason(error))
                    && message.contains(QStringLiteral("was saved, but")),
                qPrintable(message));
        }
        QCOMPARE(readFile(path), QByteArray("new"));
        QCOMPARE(folderEntries(dir.path()), QStringList { QStringLiteral("brindo.dat") });
    }

    // A store kept in a synced folder through a link: saves go to the file
    // the link leads to, in that file's folder, and the link stays.
    void saveWritesThroughALink_data()
    {
        QTest::addColumn<QString>("link"); // %1 is the test's folder
        QTest::addColumn<QString>("hop"); // what synced/hop.dat links to, if anything
        QTest::addColumn<QString>("finalFile");
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("relative link") << "../synced/brindo.dat" << "" << "synced/brindo.dat" << true;
        QTest::newRow("absolute link") << "%1/synced/brindo.dat" << "" << "synced/brindo.dat" << true;
        QTest::newRow("link to a link") << "../synced/hop.dat" << "entries.dat" << "synced/entries.dat" << true;
        QTest::newRow("link to a file not there yet") << "../synced/brindo.dat" << "" << "synced/brindo.dat" << false;
    }
    void saveWritesThroughALink()
    {
        QFETCH(QString, link);
        QFETCH(QString, hop);
        QFETCH(QString, finalFile);
        QFETCH(bool, targetExists);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("storage")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("synced")));
        const QString store = dir.filePath(QStringLiteral("storage/brindo.dat"));
        const QString final = dir.filePath(finalFile);
        QVERIFY(QFile::link(link.contains(QLatin1String("%1")) ? link.arg(dir.path()) : link, store));
        if (!hop.isEmpty())
            QVERIFY(QFile::link(hop, dir.filePath(QStringLiteral("synced/hop.dat"))));
        if (targetExists)
            writeFile(final, "old");
        const QString linkTarget = QFileInfo(store).symLinkTarget();

        TXmlDocument document;
        document.LoadFromMemory("<Notes><Note><Title>Linked</Title></Note></Notes>");
        StoreFile::SaveStore(store, "secret", document);

        QCOMPARE(StoreFile::FinalTarget(store), final);
        QVERIFY(QFileInfo(store).isSymLink());
        QCOMPARE(QFileInfo(store).symLinkTarget(), linkTarget);
        QCOMPARE(StoreFile::Decrypt(readFile(final), "secret"), document.SaveToBytes());
        QCOMPARE(permissionBits(final), ownerOnly());
        QCOMPARE(folderEntries(dir.filePath(QStringLiteral("storage"))), QStringList { QStringLiteral("brindo.dat") });
        QCOMPARE(folderEntries(dir.filePath(QStringLiteral("synced"))).size(), hop.isEmpty() ? 1 : 2);
        TXmlDocument reopened;
        StoreFile::OpenStore(store, "secret", reopened);
        QCOMPARE(titleOf(reopened), QStringLiteral("Linked"));
    }

    void linkLoopIsRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        QVERIFY(QFile::link(QStringLiteral("brindo.dat"), path));
        try {
            StoreFile::WriteFileAtomically(path, "x");
            QFAIL("A looping link was written through.");
        } catch (const ETamselError &error) {
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
        }
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(folderEntries(dir.path()), QStringList { QStringLiteral("brindo.dat") });
    }

    // Only the store's own leftovers go: its name, a point and six letters
    // or digits, a regular file of this user that no write holds.
    void staleTemporaryFilesAreRemoved()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(store, "store");
        const QStringList stale { QStringLiteral("brindo.dat.AbC123"), QStringLiteral("brindo.dat.zz9ZZ0") };
        const QStringList lookAlikes { QStringLiteral("brindo.dat.abc12"), QStringLiteral("brindo.dat.abc1234"),
            QStringLiteral("brindo.dat.ab-123"), QStringLiteral("brindo.dat.abc123.bak"),
            QStringLiteral("other.dat.abc123"), QStringLiteral("xbrindo.dat.abc123"), QStringLiteral("brindo.datXabc123"),
            QStringLiteral("brindo_20240305.bak"), QStringLiteral("brindo.xml") };
        for (const QString &name : stale + lookAlikes)
            writeFile(dir.filePath(name), "x");
        // A folder and a link of the pattern, and a file another write holds.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("brindo.dat.dir123")));
        writeFile(dir.filePath(QStringLiteral("elsewhere")), "keep");
        QVERIFY(QFile::link(QStringLiteral("elsewhere"), dir.filePath(QStringLiteral("brindo.dat.lnk123"))));
        writeFile(dir.filePath(QStringLiteral("brindo.dat.Held00")), "being written");
        const int held = ::open(QFile::encodeName(dir.filePath(QStringLiteral("brindo.dat.Held00"))).constData(), O_RDONLY);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        const auto release = qScopeGuard([held] { ::close(held); });
        QStringList kept = lookAlikes;
        kept << QStringLiteral("brindo.dat") << QStringLiteral("brindo.dat.dir123") << QStringLiteral("elsewhere")
             << QStringLiteral("brindo.dat.lnk123") << QStringLiteral("brindo.dat.Held00");
        if (::geteuid() == 0) { // a file of another user
            writeFile(dir.filePath(QStringLiteral("brindo.dat.nobody")), "x");
            QCOMPARE(::chown(QFile::encodeName(dir.filePath(QStringLiteral("brindo.dat.nobody"))).constData(), 65534, 65534), 0);
            kept << QStringLiteral("brindo.dat.nobody");
        }
        kept.sort();

        QStringList removed = StoreFile::RemoveStaleTemporaryFiles(store);
        removed.sort();
        QCOMPARE(removed, QStringList({ dir.filePath(stale[0]), dir.filePath(stale[1]) }));
        QCOMPARE(folderEntries(dir.path()), kept);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("elsewhere"))), QByteArray("keep"));
        QCOMPARE(readFile(store), QByteArray("store"));
    }

    // A clean-up while this process writes the store leaves that write alone;
    // leftovers beside the file a link leads to are found there.
    void staleFileCleanupSparesTheWriteInProgress()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("synced")));
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        QVERIFY(QFile::link(QStringLiteral("synced/entries.dat"), store));
        writeFile(dir.filePath(QStringLiteral("synced/entries.dat.Old123")), "stale");
        QStringList removed;
        StoreFile::WriteFileAtomically(store, [&](const StoreFile::TByteSink &write) {
            write("first half, ");
            removed = StoreFile::RemoveStaleTemporaryFiles(store);
            write("second half");
        });
        QCOMPARE(removed, QStringList { dir.filePath(QStringLiteral("synced/entries.dat.Old123")) });
        QCOMPARE(readFile(dir.filePath(QStringLiteral("synced/entries.dat"))), QByteArray("first half, second half"));
        QCOMPARE(folderEntries(dir.filePath(QStringLiteral("synced"))), QStringList { QStringLiteral("entries.dat") });
        QVERIFY(QFileInfo(store).isSymLink());
    }

    void backupFileName()
    {
        QCOMPARE(StoreFile::BackupFileName(QDate(2024, 3, 5)), QStringLiteral("brindo_20240305.bak"));
        QCOMPARE(StoreFile::BackupFileName(QDate(1999, 12, 31)), QStringLiteral("brindo_19991231.bak"));
    }

    void migrationKeepsTheLegacyBytes()
    {
        QTemporaryDir dir;
        const QString legacy = dir.filePath(QStringLiteral("brindo.xml"));
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QString backup = dir.filePath(QStringLiteral("brindo_20240305.bak"));
        writeFile(legacy, legacyText);
        QFile::setPermissions(
            legacy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

        QVERIFY(StoreFile::MigrateLegacyFile(legacy, store, backup, "secret"));

        QVERIFY(!QFile::exists(legacy));
        QCOMPARE(readFile(backup), legacyText);
        QCOMPARE(StoreFile::Decrypt(readFile(store), "secret"), legacyText);
        QCOMPARE(permissionBits(store), ownerOnly());
        QCOMPARE(permissionBits(backup), ownerOnly());
        TXmlDocument document;
        StoreFile::OpenStore(store, "secret", document);
        QCOMPARE(
            TXmlDocument::ReadChildText(document.Root().child("Note"), "Title"), QStringLiteral("Caf\u00e9"));
    }

    // What is saved reads back as it was written: a legacy file in
    // ISO-8859-1 keeps its letters through the conversion and every later
    // save and start.
    void legacyLettersSurviveEverySave()
    {
        QTemporaryDir dir;
        const QString legacy = dir.filePath(QStringLiteral("brindo.xml"));
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(legacy, legacyText);
        QVERIFY(StoreFile::MigrateLegacyFile(legacy, store, dir.filePath(QStringLiteral("brindo_20240305.bak")), "secret"));

        for (int start = 0; start < 3; ++start) {
            TXmlDocument document;
            StoreFile::OpenStore(store, "secret", document);
            QCOMPARE(titleOf(document), QStringLiteral("Caf\u00e9"));
            StoreFile::SaveStore(store, "secret", document);
            const QByteArray saved = StoreFile::Decrypt(readFile(store), "secret");
            QVERIFY2(saved.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), saved.constData());
            QVERIFY(saved.contains("<Title>Caf\xc3\xa9</Title>"));
            QVERIFY(saved.contains("<!-- kept as written -->"));
        }
    }

    // Every encoding a document may declare is read as declared, and the
    // document is saved as UTF-8 that says so.
    void documentEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("title");
        const QString cafe = QStringLiteral("Caf\u00e9");
        const auto declared = [](const char *encoding, const QByteArray &title) -> QByteArray {
            return "<?xml version=\"1.0\" encoding=\"" + QByteArray(encoding) + "\"?><Notes><Note><Title>" + title
                + "</Title></Note></Notes>";
        };
        QTest::newRow("ISO-8859-1") << declared("ISO-8859-1", "Caf\xe9") << cafe;
        QTest::newRow("iso-8859-1, small letters, single quotes")
            << QByteArray("<?xml version='1.0' encoding='iso-8859-1'?><Notes><Note><Title>Caf\xe9</Title></Note></Notes>")
            << cafe;
        QTest::newRow("latin1") << declared("latin1", "Caf\xe9") << cafe;
        // Windows reads ISO-8859-1 as its code page, where 80 is the euro sign.
        QTest::newRow("ISO-8859-1 with a euro sign") << declared("ISO-8859-1", "5 \x80") << QStringLiteral("5 \u20ac");
        QTest::newRow("windows-1252") << declared("windows-1252", "\x93" "Caf\xe9\x94") << QStringLiteral("\u201cCaf\u00e9\u201d");
        QTest::newRow("UTF-8") << declared("UTF-8", "Caf\xc3\xa9") << cafe;
        // The encoding test reads "encoding" after any letter that is not one
        // in Latin-1; the parser takes it into the name of the attribute before.
        QTest::newRow("damaged declaration naming windows-1252")
            << QByteArray("<?xml version\xe8" "encoding=\"windows-1252\"?><Notes><Note><Title>Caf\xe9</Title></Note></Notes>")
            << cafe;
        QTest::newRow("no declaration") << QByteArray("<Notes><Note><Title>Caf\xc3\xa9</Title></Note></Notes>") << cafe;
        QTest::newRow("no encoding declared")
            << QByteArray("<?xml version=\"1.0\"?><Notes><Note><Title>Caf\xc3\xa9</Title></Note></Notes>") << cafe;
        QTest::newRow("UTF-8 byte-order mark over an ISO-8859-1 declaration")
            << QByteArray("\xef\xbb\xbf" + declared("ISO-8859-1", "Caf\xc3\xa9")) << cafe;
        const QString utf16Text = QStringLiteral("\ufeff<?xml version=\"1.0\" encoding=\"UTF-16\"?><Notes><Note><Title>")
            + cafe + QStringLiteral("</Title></Note></Notes>");
        QTest::newRow("UTF-16") << QByteArray(reinterpret_cast<const char *>(utf16Text.utf16()), utf16Text.size() * 2)
                                << cafe;
    }
    void documentEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, title);
        TXmlDocument document;
        document.LoadFromMemory(bytes);
        QCOMPARE(titleOf(document), title);

        const QByteArray saved = document.SaveToBytes();
        QVERIFY2(saved.startsWith("<?xml version=\"1.0\"") && !saved.contains("encoding=\"ISO")
                && !saved.contains("encoding='") && !saved.contains("encoding=\"UTF-16"),
            saved.constData());
        QCOMPARE(QString::fromUtf8(saved).contains(title), true);
        TXmlDocument reopened;
        reopened.LoadFromMemory(saved);
        QCOMPARE(titleOf(reopened), title);
        QCOMPARE(reopened.SaveToBytes(), saved);
    }

    void undeclarableEncodingIsRefused()
    {
        TXmlDocument document;
        document.LoadFromMemory("<Notes><Note><Title>kept</Title></Note></Notes>");
        try {
            document.LoadFromMemory("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><Notes/>");
            QFAIL("A document in Shift_JIS was read as if it were UTF-8.");
        } catch (const EXmlParseError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("shift_jis")), qPrintable(error.message()));
        }
        QCOMPARE(titleOf(document), QStringLiteral("kept"));
    }

    void codePage1252_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("encodable");
        QTest::newRow("ASCII") << "plain" << QByteArray("plain") << true;
        QTest::newRow("Latin-1 letter") << "caf\u00e9" << QByteArray("caf\xe9") << true;
        QTest::newRow("euro sign and quotes") << "\u20ac\u201c\u201d" << QByteArray("\x80\x93\x94") << true;
        QTest::newRow("byte without a character") << "\u0081" << QByteArray("\x81") << true;
        QTest::newRow("Greek") << "\u03a9mega" << QByteArray() << false;
        QTest::newRow("control character of Latin-1 only") << "\u0080" << QByteArray() << false;
    }
    void codePage1252()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, encodable);
        QCOMPARE(CodePage1252::Encode(text), encodable ? std::optional<QByteArray>(bytes) : std::nullopt);
        if (encodable)
            QCOMPARE(CodePage1252::Decode(bytes), text);
    }

    void codePage1252EveryByteRoundTrips()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QString text = CodePage1252::Decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(CodePage1252::Encode(text), std::optional<QByteArray>(all));
    }

    void passPhraseCandidates_data()
    {
        QTest::addColumn<QString>("passPhrase");
        QTest::addColumn<QList<QByteArray>>("candidates");
        QTest::newRow("ASCII: one form") << "secret" << QList<QByteArray> { "secret" };
        QTest::newRow("Latin-1 letter") << "caf\u00e9" << QList<QByteArray> { "caf\xc3\xa9", "caf\xe9" };
        QTest::newRow("euro sign") << "5\u20ac" << QList<QByteArray> { "5\xe2\x82\xac", "5\x80" };
        QTest::newRow("no code-page form") << "\u03a9mega" << QList<QByteArray> { "\xce\xa9mega" };
    }
    void passPhraseCandidates()
    {
        QFETCH(QString, passPhrase);
        QFETCH(QList<QByteArray>, candidates);
        QCOMPARE(StoreFile::PassPhraseCandidates(passPhrase), candidates);
    }

    // Older versions keyed the store with the passphrase in the Windows code
    // page; such a store opens with the same passphrase, and is not rewritten.
    void storeKeyedInTheOldCodePage_data()
    {
        QTest::addColumn<QByteArray>("keyedWith");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Windows-1252 bytes") << QByteArray("caf\xe9") << "caf\u00e9" << true;
        QTest::newRow("euro sign in Windows-1252") << QByteArray("\x80uro") << "\u20acuro" << true;
        QTest::newRow("UTF-8 bytes") << QByteArray("caf\xc3\xa9") << "caf\u00e9" << true;
        QTest::newRow("other passphrase") << QByteArray("caf\xe9") << "cafe" << false;
        QTest::newRow("other passphrase beyond ASCII") << QByteArray("caf\xe9") << "caf\u00e8" << false;
    }
    void storeKeyedInTheOldCodePage()
    {
        QFETCH(QByteArray, keyedWith);
        QFETCH(QString, typed);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray plain = "<?xml version=\"1.0\"?><Notes><Note><Title>Old</Title></Note></Notes>";
        const QByteArray file = StoreFile::Encrypt(plain, keyedWith, StoreFile::NewSalt());
        writeFile(path, file);

        TXmlDocument document;
        try {
            const StoreFile::TOpenedStore opened = StoreFile::OpenStoreWithPassPhrase(path, typed, document);
            QVERIFY(opens);
            QCOMPARE(opened.body, plain);
            QCOMPARE(opened.passPhrase, keyedWith);
            QCOMPARE(titleOf(document), QStringLiteral("Old"));
        } catch (const EStoreOpenError &error) {
            QVERIFY2(!opens, qPrintable(error.message()));
            QVERIFY2(error.message().contains(QStringLiteral("passphrase is not the one")), qPrintable(error.message()));
        }
        QCOMPARE(readFile(path), file);
        QCOMPARE(folderEntries(dir.path()), QStringList { QStringLiteral("brindo.dat") });
    }

    void migrationNeverReplacesAnExistingBackup()
    {
        QTemporaryDir dir;
        const QString legacy = dir.filePath(QStringLiteral("brindo.xml"));
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QString backup = dir.filePath(QStringLiteral("brindo_20240305.bak"));
        writeFile(legacy, legacyText);
        writeFile(backup, "an earlier backup");

        QVERIFY(!StoreFile::MigrateLegacyFile(legacy, store, backup, "secret"));

        QCOMPARE(readFile(legacy), legacyText);
        QCOMPARE(readFile(backup), QByteArray("an earlier backup"));
        QCOMPARE(StoreFile::Decrypt(readFile(store), "secret"), legacyText);
    }

    void migrationWritesNothingForABadLegacyFile_data()
    {
        QTest::addColumn<QByteArray>("legacyBytes");
        QTest::addColumn<bool>("storeExists");
        QTest::newRow("not well-formed") << QByteArray("<Notes><Note>open") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("store already there") << legacyText << true;
    }
    void migrationWritesNothingForABadLegacyFile()
    {
        QFETCH(QByteArray, legacyBytes);
        QFETCH(bool, storeExists);
        QTemporaryDir dir;
        const QString legacy = dir.filePath(QStringLiteral("brindo.xml"));
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QString backup = dir.filePath(QStringLiteral("brindo_20240305.bak"));
        writeFile(legacy, legacyBytes);
        if (storeExists)
            writeFile(store, "existing store");

        QVERIFY_THROWS_EXCEPTION(ETamselError, StoreFile::MigrateLegacyFile(legacy, store, backup, "secret"));

        QCOMPARE(readFile(legacy), legacyBytes);
        QVERIFY(!QFile::exists(backup));
        QCOMPARE(QFile::exists(store), storeExists);
        if (storeExists)
            QCOMPARE(readFile(store), QByteArray("existing store"));
    }

    // The day's backup is the store as it was before the day's first save,
    // made once a day, readable by the user alone, and never touched by the
    // saves that follow.
    void dailyBackupIsTheStoreBeforeTheDaysFirstSave()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QDate day(2026, 3, 10);
        QCOMPARE(StoreBackups::KeepDailyBackup(store, day, 14), QString()); // no store yet: nothing to keep
        saveNotes(store, 3);
        const QByteArray before = readFile(store);

        const QString backup = StoreBackups::KeepDailyBackup(store, day, 14);
        QCOMPARE(backup, dir.filePath(QStringLiteral("backups/brindo-2026-03-10.dat")));
        saveNotes(store, 4);
        QCOMPARE(StoreBackups::KeepDailyBackup(store, day, 14), QString());
        saveNotes(store, 5);

        QCOMPARE(readFile(backup), before);
        QCOMPARE(permissionBits(backup), ownerOnly());
        QCOMPARE(permissionBits(StoreBackups::Folder(store)), ownerOnly() | QFile::ExeOwner);
        QCOMPARE(StoreBackups::EntryCount(backup, QStringLiteral("secret")), 3);
        QCOMPARE(StoreBackups::EntryCount(store, QStringLiteral("secret")), 5);
        QVERIFY_THROWS_EXCEPTION(EStoreOpenError, StoreBackups::EntryCount(backup, QStringLiteral("another")));

        QCOMPARE(StoreBackups::KeepDailyBackup(store, day.addDays(1), 14),
            dir.filePath(QStringLiteral("backups/brindo-2026-03-11.dat")));
        QCOMPARE(StoreBackups::EntryCount(dir.filePath(QStringLiteral("backups/brindo-2026-03-11.dat")),
                     QStringLiteral("secret")),
            5);
    }

    // Only the newest backups are kept, the extra ones of a restore counted
    // too; a count of 0 makes none and removes none.
    void neverMoreBackupsThanTheCount_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("kept");
        const QStringList all { "brindo-2026-03-06.dat", "brindo-2026-03-05-2.dat", "brindo-2026-03-05.dat",
            "brindo-2026-03-04.dat", "brindo-2026-03-03.dat", "brindo-2026-03-02.dat" };
        QTest::newRow("one") << 1 << all.mid(0, 1);
        QTest::newRow("three") << 3 << all.mid(0, 3);
        QTest::newRow("more than there are") << 14 << all;
        QTest::newRow("off") << 0 << QStringList { "brindo-2026-03-05.dat" };
    }
    void neverMoreBackupsThanTheCount()
    {
        QFETCH(int, count);
        QFETCH(QStringList, kept);
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        saveNotes(store, 1);
        for (int day = 2; day <= 6; ++day) {
            StoreBackups::KeepDailyBackup(store, QDate(2026, 3, day), count);
            saveNotes(store, day);
            if (day == 5) {
                // The day's name when the day has no backup yet.
                StoreBackups::KeepExtraBackup(store, QDate(2026, 3, 5));
                StoreBackups::RemoveOldBackups(store, count);
            }
            QVERIFY(StoreBackups::List(store).size() <= qMax(count, 1));
        }
        QCOMPARE(backupNames(store), kept);
    }

    // A store reached through a link is backed up beside the file it leads to.
    void backupsOfALinkedStoreAreBesideItsFile()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("real")));
        const QString file = dir.filePath(QStringLiteral("real/brindo.dat"));
        const QString link = dir.filePath(QStringLiteral("brindo.dat"));
        saveNotes(file, 2);
        QVERIFY(QFile::link(file, link));

        QCOMPARE(StoreBackups::KeepDailyBackup(link, QDate(2026, 3, 10), 14),
            dir.filePath(QStringLiteral("real/backups/brindo-2026-03-10.dat")));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("backups"))));
        QCOMPARE(StoreBackups::EntryCount(StoreBackups::List(link).value(0).path, QStringLiteral("secret")), 2);
    }

    // Where the backup folder is on another file system, the store cannot be
    // linked into it and is copied.
    void backupIsCopiedToAnotherFileSystem()
    {
        QTemporaryDir dir;
        QTemporaryDir elsewhere(QStringLiteral("/dev/shm/tamsel-backups-XXXXXX"));
        struct stat here {}, there {};
        if (!elsewhere.isValid() || ::stat(QFile::encodeName(dir.path()).constData(), &here) != 0
            || ::stat(QFile::encodeName(elsewhere.path()).constData(), &there) != 0 || here.st_dev == there.st_dev)
            QSKIP("No second file system to put the backup folder on.");
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        QVERIFY(QFile::link(elsewhere.path(), dir.filePath(QStringLiteral("backups"))));
        saveNotes(store, 2);
        const QByteArray before = readFile(store);

        const QString backup = StoreBackups::KeepDailyBackup(store, QDate(2026, 3, 10), 14);
        saveNotes(store, 3);

        QCOMPARE(readFile(elsewhere.filePath(QStringLiteral("brindo-2026-03-10.dat"))), before);
        QCOMPARE(permissionBits(backup), ownerOnly());
    }

    // A backup that cannot be made says why; the store is left as it was.
    void failingBackupSaysWhy()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        saveNotes(store, 2);
        const QByteArray before = readFile(store);
        writeFile(dir.filePath(QStringLiteral("backups")), "a file where the folder belongs");
        try {
            StoreBackups::KeepDailyBackup(store, QDate(2026, 3, 10), 14);
            QFAIL("The backup did not fail.");
        } catch (const ETamselError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("brindo-2026-03-10.dat")), qPrintable(error.message()));
        }
        QCOMPARE(readFile(store), before);
    }
    // Written through the gate, a document is the very text saving it gives,
    // whatever stands around its root.
    void gateWritesWhatSavingWrites_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("one note") << numberedNotes(1);
        QTest::newRow("many pieces") << numberedNotes(1000);
        QTest::newRow("comments and an instruction around the root")
            << numberedNotes(300, "<!-- before --><?other data?>", "<!-- after -->");
        QTest::newRow("no declaration") << QByteArray("<Notes><Note><Title>a</Title></Note><!--c--></Notes>");
        QTest::newRow("no entries") << QByteArray("<?xml version=\"1.0\"?><Notes/>");
        QTest::newRow("text beside the entries")
            << QByteArray("<Notes>loose<Note><Title>a</Title></Note>text<Note/></Notes>");
        QTest::newRow("the marker's own text in a comment")
            << numberedNotes(3, "<!--\t<tamsel-document-gate-piece />\n-->");
    }

    void gateWritesWhatSavingWrites()
    {
        QFETCH(QByteArray, text);
        TXmlDocument document;
        document.LoadFromMemory(text);
        TDocumentGate gate;
        TCollectingWriter writer;
        gate.Save(document, writer);
        QCOMPARE(writer.bytes, document.SaveToBytes());
    }

    // Changes made between the pieces of a write: an entry removed before
    // the write reaches it is left out, one it has passed stays; an entry
    // added at the end is written, one added before the write's place waits
    // for the next write; and what is written always reads back.
    void gateLetsChangesInBetweenPieces()
    {
        TXmlDocument document;
        document.LoadFromMemory(numberedNotes(600));
        TDocumentGate gate;
        TCollectingWriter writer;
        // The first call brings what stands before the entries, the second the first piece.
        writer.stepAfterCall = 2;
        writer.step = [&] {
            QVERIFY(writer.bytes.contains("<Title>n0</Title>"));
            QVERIFY(!writer.bytes.contains("<Title>n599</Title>"));
            const TDocumentGate::TChange changing(gate);
            pugi::xml_node root = document.Root();
            int written = 0;
            for (pugi::xml_node note = root.first_child(); note; note = note.next_sibling())
                written += writer.bytes.contains(QByteArray(QByteArray("<Title>") + note.child("Title").child_value() + "</Title>"));
            const pugi::xml_node next = TXmlDocument::ChildAt(root, written);
            const pugi::xml_node passed = TXmlDocument::ChildAt(root, 10);
            next.first_child().first_child().set_value("removed next");
            gate.aboutToRemove(next);
            root.remove_child(next);
            gate.aboutToRemove(passed);
            root.remove_child(passed);
            root.prepend_child("Note").append_child("Title").text().set("early");
            root.append_child("Note").append_child("Title").text().set("late");
        };
        gate.Save(document, writer);
        QCOMPARE(writer.calls > 3, true);
        const QStringList titles = titlesIn(writer.bytes);
        QVERIFY(titles.contains(QStringLiteral("n10")));
        QVERIFY(!titles.contains(QStringLiteral("early")));
        QVERIFY(!titles.contains(QStringLiteral("removed next")));
        QCOMPARE(titles.last(), QStringLiteral("late"));
        QCOMPARE(titles.size(), 600);
        // The next write holds the document as it is now.
        TCollectingWriter next;
        gate.Save(document, next);
        QCOMPARE(next.bytes, document.SaveToBytes());
        QCOMPARE(titlesIn(next.bytes).size(), 600);
    }
};

QTEST_GUILESS_MAIN(tst_StoreFile)
#include "tst_storefile.moc"
