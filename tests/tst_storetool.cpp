// The tamsel-store tool, run as the user runs it.
#include "app/StoreTool.h"
#include "store/StoreFile.h"
#include "store/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString tool = QStringLiteral(TAMSEL_STORE_BINARY);

const QByteArray document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Notes>\r\n   <Note>\r\n"
                            "      <Title>Private matter</Title>\r\n   </Note>\r\n</Notes>\r\n";

struct TRun {
    int status;
    QByteArray out;
    QByteArray err;
};

// Runs the tool in a session of its own, so it has no terminal to ask on.
// A file-size limit, when given, holds for the tool's writes.
TRun run(const QStringList &arguments, const std::optional<QString> &passPhrase, const QByteArray &input = {},
    rlim_t fileSizeLimit = RLIM_INFINITY)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("TAMSEL_PASSPHRASE"));
    if (passPhrase)
        environment.insert(QStringLiteral("TAMSEL_PASSPHRASE"), *passPhrase);
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([fileSizeLimit] {
        ::setsid();
        const rlimit limit { fileSizeLimit, fileSizeLimit };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(tool, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return { -1, {}, "did not finish" };
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput(), process.readAllStandardError() };
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Everything the terminal shows until the child ends.
QByteArray readTerminal(int master, const QList<QByteArray> &answers)
{
    QByteArray shown;
    qsizetype answered = 0;
    for (;;) {
        pollfd waiting { master, POLLIN, 0 };
        if (::poll(&waiting, 1, 20000) <= 0)
            break;
        char buffer[512];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0)
            break;
        shown.append(buffer, got);
        // Each prompt ends with ": "; answer it once it is on the screen.
        if (answered < answers.size() && shown.count(": ") > answered) {
            const QByteArray line = answers[answered++] + '\n';
            if (::write(master, line.constData(), size_t(line.size())) != line.size())
                break;
        }
    }
    return shown;
}

// The new passphrase of rekey in the environment the tool is started with,
// for as long as it lives.
class TNewPassPhrase {
public:
    explicit TNewPassPhrase(const QByteArray &passPhrase) { qputenv("TAMSEL_NEW_PASSPHRASE", passPhrase); }
    ~TNewPassPhrase() { qunsetenv("TAMSEL_NEW_PASSPHRASE"); }
};

// The entries' titles of the store under the passphrase: what a store
// re-encrypted must still hold, whatever its white space.
QStringList titles(const QString &store, const QByteArray &passPhrase)
{
    TXmlDocument opened;
    StoreFile::OpenStore(store, passPhrase, opened);
    QStringList result;
    for (pugi::xml_node note = opened.Root().child("Note"); note; note = note.next_sibling("Note"))
        result.append(QString::fromUtf8(note.child_value("Title")));
    return result;
}

struct TTerminalRun {
    int status;
    QByteArray shown;
};

// Runs the tool on a pseudo-terminal of its own, without TAMSEL_PASSPHRASE,
// and types the answers at its prompts. Standard input comes from inputFile
// when one is given, as with "tamsel-store encrypt FILE < entries.xml".
TTerminalRun runOnTerminal(
    const QStringList &arguments, const QList<QByteArray> &answers, const QString &inputFile = {})
{
    QList<QByteArray> argv { QFile::encodeName(tool) };
    for (const QString &argument : arguments)
        argv.append(argument.toLocal8Bit());
    std::vector<char *> pointers;
    for (QByteArray &argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const QByteArray inputName = QFile::encodeName(inputFile);

    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::unsetenv("TAMSEL_PASSPHRASE");
        ::unsetenv("TAMSEL_NEW_PASSPHRASE");
        if (!inputName.isEmpty()) {
            const int fd = ::open(inputName.constData(), O_RDONLY);
            if (fd < 0 || ::dup2(fd, STDIN_FILENO) < 0)
                ::_exit(126);
        }
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    if (child < 0)
        return { -1, "forkpty failed" };
    const QByteArray shown = readTerminal(master, answers);
    ::close(master);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, shown };
}
} // namespace

class tst_StoreTool : public QObject {
    Q_OBJECT

private slots:
    void encryptThenDecrypt()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const TRun encrypted
            = run({ QStringLiteral("encrypt"), store }, QStringLiteral("Open sesame"), document);
        QVERIFY2(encrypted.status == StoreToolExit::Success, encrypted.err.constData());
        QVERIFY(encrypted.out.contains("1 entry"));
        QVERIFY(!readAll(store).contains("Private"));
        QCOMPARE(QFile::permissions(store) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QCOMPARE(StoreFile::Decrypt(readAll(store), "Open sesame"), document);

        const TRun decrypted = run({ QStringLiteral("decrypt"), store }, QStringLiteral("Open sesame"));
        QCOMPARE(decrypted.status, StoreToolExit::Success);
        QCOMPARE(decrypted.out, document);

        const TRun checked = run({ QStringLiteral("check"), store }, QStringLiteral("Open sesame"));
        QCOMPARE(checked.status, StoreToolExit::Success);
        QVERIFY(checked.out.contains("the passphrase opens this store (1 entry)"));
    }

    // Stores the program wrote are read, and stores the tool writes are
    // what the program writes.
    void sameFormatAsTheProgram()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        StoreFile::SaveStore(store, StoreFile::PassPhraseBytes(QStringLiteral("Gr\u00fc\u00dfe")), document);
        const TRun decrypted = run({ QStringLiteral("decrypt"), store }, QStringLiteral("Gr\u00fc\u00dfe"));
        QCOMPARE(decrypted.status, StoreToolExit::Success);
        QCOMPARE(decrypted.out, document);
    }

    // A store that an older version keyed with the passphrase's Windows-1252
    // bytes opens with the same passphrase, and is only read.
    void storeKeyedInTheOldCodePage()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray file = StoreFile::Encrypt(document, "caf\xe9", StoreFile::NewSalt());
        writeAll(store, file);

        const TRun checked = run({ QStringLiteral("check"), store }, QStringLiteral("caf\u00e9"));
        QVERIFY2(checked.status == StoreToolExit::Success, checked.err.constData());
        QVERIFY2(checked.out.contains("(1 entry; it is keyed with the passphrase's Windows-1252 bytes"),
            checked.out.constData());
        const TRun decrypted = run({ QStringLiteral("decrypt"), store }, QStringLiteral("caf\u00e9"));
        QCOMPARE(decrypted.status, StoreToolExit::Success);
        QCOMPARE(decrypted.out, document);
        QCOMPARE(run({ QStringLiteral("check"), store }, QStringLiteral("cafe")).status, StoreToolExit::NotOpened);
        QCOMPARE(readAll(store), file);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // A document in ISO-8859-1 given to encrypt keeps its letters when the
    // program opens, saves and reopens the store.
    void legacyEncodingThroughEncrypt()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Notes>\r\n   <Note>\r\n"
                                  "      <Title>Caf\xe9</Title>\r\n   </Note>\r\n</Notes>\r\n";
        QCOMPARE(run({ QStringLiteral("encrypt"), store }, QStringLiteral("x"), latin1).status, StoreToolExit::Success);

        for (int start = 0; start < 2; ++start) {
            TXmlDocument opened;
            StoreFile::OpenStore(store, "x", opened);
            QCOMPARE(TXmlDocument::ReadChildText(opened.Root().child("Note"), "Title"), QStringLiteral("Caf\u00e9"));
            StoreFile::SaveStore(store, "x", opened);
        }
        const TRun decrypted = run({ QStringLiteral("decrypt"), store }, QStringLiteral("x"));
        QCOMPARE(decrypted.status, StoreToolExit::Success);
        QVERIFY2(decrypted.out.contains("encoding=\"UTF-8\"") && decrypted.out.contains("<Title>Caf\xc3\xa9</Title>"),
            decrypted.out.constData());
    }

    // encrypt on a link replaces the file the link leads to; the link stays.
    void encryptWritesThroughALink()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("synced")));
        const QString link = dir.filePath(QStringLiteral("brindo.dat"));
        const QString target = dir.filePath(QStringLiteral("synced/brindo.dat"));
        writeAll(target, "old");
        QVERIFY(QFile::link(QStringLiteral("synced/brindo.dat"), link));

        const TRun encrypted = run({ QStringLiteral("encrypt"), link }, QStringLiteral("x"), document);
        QVERIFY2(encrypted.status == StoreToolExit::Success, encrypted.err.constData());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(StoreFile::Decrypt(readAll(target), "x"), document);
        // The lock is beside the file the link leads to, where copies
        // reaching it through other links look for it too.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("synced"))).entryList(QDir::Files | QDir::Hidden),
            QStringList({ QStringLiteral("brindo.dat"), QStringLiteral("brindo.dat.lock") }));
        QVERIFY(!QFileInfo::exists(link + QStringLiteral(".lock")));
        QCOMPARE(run({ QStringLiteral("check"), link }, QStringLiteral("x")).status, StoreToolExit::Success);
    }

    // Separate runs draw separate salts: the random source is not reseeded
    // the same way at every start.
    void everyRunDrawsANewSalt()
    {
        QTemporaryDir dir;
        QSet<QByteArray> salts;
        for (int i = 0; i < 3; ++i) {
            const QString store = dir.filePath(QStringLiteral("s%1.dat").arg(i));
            QCOMPARE(run({ QStringLiteral("encrypt"), store }, QStringLiteral("x"), document).status,
                StoreToolExit::Success);
            salts.insert(readAll(store).left(8));
        }
        QCOMPARE(salts.size(), 3);
    }

    // A store that does not open gives a message and a failure status, and
    // nothing on standard output.
    void storesThatDoNotOpen_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("passPhrase");
        QTest::addColumn<QByteArray>("message");
        const QByteArray good = StoreFile::Encrypt(document, "right", StoreFile::NewSalt());
        QTest::newRow("wrong passphrase") << good << "wrong" << QByteArray("passphrase is not the one");
        QTest::newRow("salt only") << good.left(8) << "right" << QByteArray("salt and nothing else");
        QTest::newRow("cut short") << good.left(5) << "right" << QByteArray("fewer than the 8 bytes");
    }
    void storesThatDoNotOpen()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, passPhrase);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        writeAll(store, bytes);
        for (const char *command : { "decrypt", "check" }) {
            const TRun result = run({ QLatin1String(command), store }, passPhrase);
            QCOMPARE(result.status, StoreToolExit::NotOpened);
            QCOMPARE(result.out, QByteArray());
            QVERIFY2(result.err.contains(message), result.err.constData());
            QVERIFY(!result.err.contains("Private"));
        }
        QCOMPARE(readAll(store), bytes);
    }

    // A store whose integrity check fails, whose body decrypts to text that
    // does not parse, or whose salt lost a bit is reported as damaged, with
    // its own status, and nothing of it is written out.
    void damagedStoreIsReported_data()
    {
        QTest::addColumn<qsizetype>("cutAt");
        QTest::addColumn<qsizetype>("flippedByte");
        QTest::newRow("check no longer matches") << qsizetype(-1) << qsizetype(40);
        QTest::newRow("cut short") << qsizetype(60) << qsizetype(-1);
        QTest::newRow("salt changed") << qsizetype(-1) << qsizetype(3);
    }
    void damagedStoreIsReported()
    {
        QFETCH(qsizetype, cutAt);
        QFETCH(qsizetype, flippedByte);
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        QVERIFY(run({ QStringLiteral("encrypt"), store }, QStringLiteral("right"), document).status
            == StoreToolExit::Success);
        QByteArray bytes = readAll(store);
        if (flippedByte >= 0)
            bytes[flippedByte] = char(bytes[flippedByte] ^ 0x04);
        if (cutAt >= 0)
            bytes.truncate(cutAt);
        writeAll(store, bytes);
        for (const char *command : { "decrypt", "check" }) {
            const TRun result = run({ QLatin1String(command), store }, QStringLiteral("right"));
            QCOMPARE(result.status, StoreToolExit::Damaged);
            QCOMPARE(result.out, QByteArray());
            QVERIFY2(result.err.contains(": damaged."), result.err.constData());
            QVERIFY(!result.err.contains("Private"));
        }
        QCOMPARE(readAll(store), bytes);
        const TRun help = run({ QStringLiteral("--help") }, std::nullopt);
        QVERIFY2(help.out.contains("4 the store is damaged"), help.out.constData());
    }

    // A store another program encrypted anew, keeping the salt record and
    // the check made for the old salt: check opens it and says so, decrypt
    // writes the document without them, and encrypt makes it Tamsel's again.
    void storeSavedByAnotherProgram()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray oldSalt = StoreFile::NewSalt();
        const QByteArray copy = document + "<!-- added elsewhere -->" + StoreFile::CheckTail(oldSalt, "right", document);
        writeAll(store, StoreFile::Encrypt(copy, "right", StoreFile::NewSalt()));
        const TRun checked = run({ QStringLiteral("check"), store }, QStringLiteral("right"));
        QCOMPARE(checked.status, StoreToolExit::Success);
        QVERIFY2(checked.out.contains("(1 entry; another program has saved it since Tamsel did"), checked.out.constData());
        const TRun decrypted = run({ QStringLiteral("decrypt"), store }, QStringLiteral("right"));
        QCOMPARE(decrypted.status, StoreToolExit::Success);
        QCOMPARE(decrypted.out, document + "<!-- added elsewhere -->");
        const QString again = dir.filePath(QStringLiteral("again.dat"));
        QCOMPARE(run({ QStringLiteral("encrypt"), again }, QStringLiteral("right"), decrypted.out).status,
            StoreToolExit::Success);
        const TRun reChecked = run({ QStringLiteral("check"), again }, QStringLiteral("right"));
        QCOMPARE(reChecked.out, again.toUtf8() + ": the passphrase opens this store (1 entry).\n");
    }

    void encryptRefusesWhatIsNotAnEntryDocument_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("not XML") << QByteArray("hello\n");
        QTest::newRow("cut short") << document.left(60);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("other root") << QByteArray("<?xml version=\"1.0\"?><Settings/>");
    }
    void encryptRefusesWhatIsNotAnEntryDocument()
    {
        QFETCH(QByteArray, input);
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray existing = StoreFile::Encrypt(document, "x", StoreFile::NewSalt());
        writeAll(store, existing);
        const TRun result = run({ QStringLiteral("encrypt"), store }, QStringLiteral("x"), input);
        QCOMPARE(result.status, StoreToolExit::NotOpened);
        QVERIFY(result.err.contains("nothing was written"));
        QCOMPARE(readAll(store), existing);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // Only a regular file of a sane size is read as a store; anything else is
    // refused at once with a plain reason, never waited on or read without end.
    void readsOnlyRegularFilesOfASaneSize_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("pipe without writer") << "fifo" << QByteArray("not a regular file");
        QTest::newRow("link to /dev/zero") << "zero" << QByteArray("not a regular file");
        QTest::newRow("folder") << "folder" << QByteArray("it is a folder");
        QTest::newRow("over 1 GiB") << "huge" << QByteArray("larger than 1 GiB");
    }
    void readsOnlyRegularFilesOfASaneSize()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray name = QFile::encodeName(path);
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        } else if (kind == QLatin1String("zero")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("brindo.dat")));
        } else { // sparse: it takes no disk space
            writeAll(path, {});
            QCOMPARE(::truncate(name.constData(), StoreFile::MaxFileSize + 1), 0);
        }
        for (const char *command : { "decrypt", "check" }) {
            const TRun result = run({ QLatin1String(command), path }, QStringLiteral("x"));
            QCOMPARE(result.status, StoreToolExit::InputOutput);
            QCOMPARE(result.out, QByteArray());
            QVERIFY2(result.err.contains(message), result.err.constData());
        }
    }

    // Past a file-size limit the tool says so and leaves the store and its
    // folder as they were.
    void fileSizeLimitIsAPlainError()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray existing = StoreFile::Encrypt(document, "x", StoreFile::NewSalt());
        writeAll(store, existing);
        const QByteArray large = "<Notes><Note><Title>" + QByteArray(20000, 'a') + "</Title></Note></Notes>";
        const TRun result = run({ QStringLiteral("encrypt"), store }, QStringLiteral("x"), large, 4096);
        QCOMPARE(result.status, StoreToolExit::InputOutput);
        QVERIFY2(result.err.contains("File too large"), result.err.constData());
        QCOMPARE(readAll(store), existing);
        // Only the lock every write takes is new there.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList({ QStringLiteral("brindo.dat"), QStringLiteral("brindo.dat.lock") }));
    }

    // check opens a store as an entry document exactly when encrypt would
    // have taken its text.
    void checkAcceptsWhatEncryptAccepts_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("entry document") << document << true;
        QTest::newRow("comment after the root") << QByteArray("<Notes><Note/></Notes>\n<!-- end -->\n") << true;
        QTest::newRow("other root") << QByteArray("<?xml version=\"1.0\"?><Settings/>") << false;
        QTest::newRow("text after the root") << QByteArray("<Notes><Note/></Notes>junk") << false;
        QTest::newRow("text before the root") << QByteArray("junk<Notes><Note/></Notes>") << false;
        QTest::newRow("second root") << QByteArray("<Notes/><Notes/>") << false;
        QTest::newRow("other element after the root") << QByteArray("<Notes/><Other/>") << false;
        QTest::newRow("instruction after the root") << QByteArray("<Notes/><?other x?>") << false;
    }
    void checkAcceptsWhatEncryptAccepts()
    {
        QFETCH(QByteArray, plain);
        QFETCH(bool, accepted);
        QTemporaryDir dir;
        const QString written = dir.filePath(QStringLiteral("written.dat"));
        const TRun encrypted = run({ QStringLiteral("encrypt"), written }, QStringLiteral("x"), plain);
        QCOMPARE(encrypted.status, accepted ? StoreToolExit::Success : StoreToolExit::NotOpened);
        QCOMPARE(QFile::exists(written), accepted);

        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        writeAll(store, StoreFile::Encrypt(plain, "x", StoreFile::NewSalt()));
        const TRun checked = run({ QStringLiteral("check"), store }, QStringLiteral("x"));
        // Anything but markup beside the root is also what a damaged check leaves.
        if (accepted)
            QCOMPARE(checked.status, StoreToolExit::Success);
        else
            QVERIFY2(checked.status == StoreToolExit::NotOpened || checked.status == StoreToolExit::Damaged,
                checked.err.constData());
        QVERIFY2(accepted == checked.err.isEmpty(), checked.err.constData());
    }

    void usageAndFileFailures()
    {
        QTemporaryDir dir;
        QCOMPARE(run({}, QStringLiteral("x")).status, StoreToolExit::Usage);
        QCOMPARE(
            run({ QStringLiteral("open"), dir.filePath(QStringLiteral("a")) }, QStringLiteral("x")).status,
            StoreToolExit::Usage);
        const TRun help = run({ QStringLiteral("--help") }, std::nullopt);
        QCOMPARE(help.status, StoreToolExit::Success);
        QVERIFY(help.out.contains("TAMSEL_PASSPHRASE"));

        const TRun missing = run(
            { QStringLiteral("decrypt"), dir.filePath(QStringLiteral("none.dat")) }, QStringLiteral("x"));
        QCOMPARE(missing.status, StoreToolExit::InputOutput);
        QCOMPARE(missing.out, QByteArray());
        const TRun noFolder
            = run({ QStringLiteral("encrypt"), dir.filePath(QStringLiteral("no/such/brindo.dat")) },
                QStringLiteral("x"), document);
        QCOMPARE(noFolder.status, StoreToolExit::InputOutput);
        QCOMPARE(run({ QStringLiteral("check"), dir.path() }, QStringLiteral("x")).status,
            StoreToolExit::InputOutput);
    }

    void passPhraseNeeded()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        StoreFile::SaveStore(store, "x", document);
        const TRun noTerminal = run({ QStringLiteral("check"), store }, std::nullopt);
        QCOMPARE(noTerminal.status, StoreToolExit::Usage);
        QVERIFY(noTerminal.err.contains("TAMSEL_PASSPHRASE"));
        const TRun empty = run({ QStringLiteral("check"), store }, QString());
        QCOMPARE(empty.status, StoreToolExit::Usage);
    }

    // On a terminal the passphrase is asked for and never shown.
    void terminalPromptHidesThePassPhrase()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        StoreFile::SaveStore(store, "Hidden words", document);

        const TTerminalRun opened = runOnTerminal({ QStringLiteral("check"), store }, { "Hidden words" });
        QCOMPARE(opened.status, StoreToolExit::Success);
        QVERIFY2(opened.shown.contains("Passphrase: "), opened.shown.constData());
        QVERIFY2(opened.shown.contains("the passphrase opens this store"), opened.shown.constData());
        QVERIFY2(!opened.shown.contains("Hidden"), opened.shown.constData());

        const TTerminalRun wrong = runOnTerminal({ QStringLiteral("check"), store }, { "Other words" });
        QCOMPARE(wrong.status, StoreToolExit::NotOpened);
        QVERIFY(!wrong.shown.contains("Other"));
    }

    // encrypt asks twice: a typing error would lock the new store for good.
    void terminalEncryptConfirms()
    {
        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("entries.xml"));
        writeAll(input, document);
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const auto encrypt = [&](const QList<QByteArray> &answers) {
            return runOnTerminal({ QStringLiteral("encrypt"), store }, answers, input);
        };
        const TTerminalRun differing = encrypt({ "first", "second" });
        QCOMPARE(differing.status, StoreToolExit::Usage);
        QVERIFY(!QFile::exists(store));

        const TTerminalRun confirmed = encrypt({ "same words", "same words" });
        QVERIFY2(confirmed.status == StoreToolExit::Success, confirmed.shown.constData());
        QVERIFY(!confirmed.shown.contains("same words"));
        QCOMPARE(StoreFile::Decrypt(readAll(store), "same words"), document);
    }

    // rekey encrypts the store anew: the new passphrase opens it with the
    // same entries, the old one no longer does.
    void rekeyChangesThePassPhrase()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        StoreFile::SaveStore(store, "old words", document);
        const QByteArray before = readAll(store);
        const TNewPassPhrase replacement("new words");
        const TRun rekeyed = run({ QStringLiteral("rekey"), store }, QStringLiteral("old words"));
        QVERIFY2(rekeyed.status == StoreToolExit::Success, rekeyed.err.constData());
        QVERIFY2(rekeyed.out.contains("under the new passphrase (1 entry)"), rekeyed.out.constData());
        QVERIFY2(rekeyed.out.contains("asks for the new one at its next start"), rekeyed.out.constData());
        QVERIFY(readAll(store) != before);
        QCOMPARE(titles(store, "new words"), QStringList { QStringLiteral("Private matter") });
        QCOMPARE(QFile::permissions(store) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QCOMPARE(run({ QStringLiteral("check"), store }, QStringLiteral("old words")).status,
            StoreToolExit::NotOpened);
        QCOMPARE(run({ QStringLiteral("check"), store }, QStringLiteral("new words")).status,
            StoreToolExit::Success);
    }

    // A rekey that cannot be done leaves the store as it was, opening with
    // the old passphrase: a wrong current passphrase, a damaged store, the
    // new passphrase the same as the old, and a write past the file-size limit.
    void rekeyThatFailsChangesNothing_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QByteArray>("replacement");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<int>("fileSizeLimit");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("wrong current passphrase")
            << QStringLiteral("wrong") << QByteArray("new") << false << 0 << StoreToolExit::NotOpened
            << QByteArray("could not be opened");
        QTest::newRow("damaged store") << QStringLiteral("old") << QByteArray("new") << true << 0
                                       << StoreToolExit::Damaged << QByteArray("damaged");
        QTest::newRow("same passphrase") << QStringLiteral("old") << QByteArray("old") << false << 0
                                         << StoreToolExit::Usage << QByteArray("nothing was written");
        QTest::newRow("empty new passphrase") << QStringLiteral("old") << QByteArray() << false << 0
                                              << StoreToolExit::Usage << QByteArray("TAMSEL_NEW_PASSPHRASE is empty");
        QTest::newRow("write fails") << QStringLiteral("old") << QByteArray("new") << false << 4096
                                     << StoreToolExit::InputOutput << QByteArray("File too large");
    }
    void rekeyThatFailsChangesNothing()
    {
        QFETCH(QString, current);
        QFETCH(QByteArray, replacement);
        QFETCH(bool, damaged);
        QFETCH(int, fileSizeLimit);
        QFETCH(int, status);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray large = "<Notes><Note><Title>" + QByteArray(20000, 'a') + "</Title></Note></Notes>";
        StoreFile::SaveStore(store, "old", large);
        if (damaged) {
            QByteArray bytes = readAll(store);
            bytes[100] = char(bytes[100] ^ 0x10);
            writeAll(store, bytes);
        }
        const QByteArray before = readAll(store);
        const TNewPassPhrase replacementSet(replacement);
        const TRun result = run({ QStringLiteral("rekey"), store }, current, {},
            fileSizeLimit > 0 ? rlim_t(fileSizeLimit) : RLIM_INFINITY);
        QCOMPARE(result.status, status);
        QVERIFY2(result.err.contains(message), result.err.constData());
        QCOMPARE(readAll(store), before);
        if (!damaged)
            QCOMPARE(titles(store, "old").size(), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("brindo.dat.")),
            fileSizeLimit > 0 ? QStringList({ QStringLiteral("brindo.dat.lock") }) : QStringList());
    }

    // On a terminal rekey asks for the current passphrase, tells a wrong one
    // at once, and asks for the new one twice; nothing typed is shown.
    void terminalRekeyAsksForBothPassPhrases()
    {
        QTemporaryDir dir;
        const QString store = dir.filePath(QStringLiteral("brindo.dat"));
        StoreFile::SaveStore(store, "old words", document);
        const QByteArray before = readAll(store);
        const auto rekey = [&](const QList<QByteArray> &answers) {
            return runOnTerminal({ QStringLiteral("rekey"), store }, answers);
        };

        const TTerminalRun wrong = rekey({ "other words" });
        QCOMPARE(wrong.status, StoreToolExit::NotOpened);
        QVERIFY2(!wrong.shown.contains("New passphrase"), wrong.shown.constData());
        const TTerminalRun differing = rekey({ "old words", "first", "second" });
        QCOMPARE(differing.status, StoreToolExit::Usage);
        QCOMPARE(readAll(store), before);

        const TTerminalRun rekeyed = rekey({ "old words", "new words", "new words" });
        QVERIFY2(rekeyed.status == StoreToolExit::Success, rekeyed.shown.constData());
        for (const char *prompt : { "Current passphrase: ", "New passphrase: ", "Confirm new passphrase: " })
            QVERIFY2(rekeyed.shown.contains(prompt), rekeyed.shown.constData());
        QVERIFY(!rekeyed.shown.contains("words"));
        QCOMPARE(titles(store, "new words"), QStringList { QStringLiteral("Private matter") });
    }
};

QTEST_GUILESS_MAIN(tst_StoreTool)
#include "tst_storetool.moc"
