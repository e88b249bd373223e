#include "store/StoreFile.h"

#include "platform/FileSync.h"
#include "store/CodePage1252.h"
#include "store/Rc4.h"
#include "store/XmlDocument.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>

#include <cerrno>
#include <climits>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A body handed over whole (moved in) is parsed where it is, as the
// document's own text.
void loadBody(QByteArray body, TXmlDocument &document, const QString &whatFailed, bool inPlace = false)
{
    try {
        if (inPlace)
            document.LoadFromBuffer(std::move(body));
        else
            document.LoadFromMemory(body);
    } catch (const EXmlParseError &error) {
        throw EStoreOpenError(
            whatFailed + QStringLiteral(" (") + StoreFile::ParseFailureReason(error) + QStringLiteral(")."));
    }
}

// An empty passphrase would protect nothing.
void requirePassPhrase(const QByteArray &passPhrase)
{
    if (passPhrase.isEmpty())
        throw ETamselError(QStringLiteral("No passphrase is known, so the entries cannot be encrypted."));
}

// Encrypts a body in place under the salt.
void encryptInPlace(char *body, qsizetype size, const QByteArray &passPhrase, const QByteArray &salt)
{
    requirePassPhrase(passPhrase);
    if (salt.size() != StoreFile::SaltSize)
        throw ETamselError(
            QStringLiteral("A salt holds %1 bytes, not %2.").arg(StoreFile::SaltSize).arg(salt.size()));
    QByteArray key = StoreFile::DeriveKey(salt, passPhrase);
    Rc4::ApplyBlockedKeystream(key, body, size);
    key.fill(char(0xFF));
}

// Writes everything, resuming after partial writes and interruptions.
bool writeAll(int fd, QByteArrayView bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// Receives the document's text from pugixml, encrypts it in pieces of
// 64 KiB and hands each on. An error of the sink is kept from pugixml's code:
// later pieces are dropped and finish() raises it.
class TEncryptingWriter : public pugi::xml_writer
{
public:
    TEncryptingWriter(const QByteArray &key, const StoreFile::TByteSink &sink)
        : m_stream(key)
        , m_sink(sink)
    {
        m_piece.reserve(PieceSize);
    }

    void write(const void *data, size_t size) override
    {
        if (m_failure)
            return;
        try {
            m_piece.append(static_cast<const char *>(data), qsizetype(size));
            if (m_piece.size() >= PieceSize)
                flush();
        } catch (...) {
            m_failure = std::current_exception();
        }
    }

    void finish()
    {
        if (m_failure)
            std::rethrow_exception(m_failure);
        flush();
    }

private:
    static constexpr qsizetype PieceSize = 64 * 1024;

    void flush()
    {
        m_stream.Apply(m_piece.data(), m_piece.size());
        m_sink(m_piece);
        m_piece.resize(0);
    }

    TRc4BlockedStream m_stream;
    const StoreFile::TByteSink &m_sink;
    QByteArray m_piece;
    std::exception_ptr m_failure;
};

// The names WriteFileAtomically gives its new files: the target's name, a
// point and the six letters or digits mkostemp puts in place of "XXXXXX".
const QByteArray newFileSuffix = QByteArrayLiteral(".XXXXXX");
QRegularExpression newFilePattern(const QString &targetName)
{
    return QRegularExpression(
        QLatin1Char('^') + QRegularExpression::escape(targetName) + QStringLiteral("\\.[A-Za-z0-9]{6}$"));
}

// The file named in messages: the path as given, and where a link leads.
QString describe(const QString &path, const QString &target)
{
    return target == QFileInfo(path).absoluteFilePath() ? path
                                                         : QStringLiteral("%1 (a link to %2)").arg(path, target);
}
} // namespace

QByteArray StoreFile::PassPhraseBytes(const QString &passPhrase) { return passPhrase.toUtf8(); }

QString StoreFile::PassPhraseFromBytes(const QByteArray &bytes) { return QString::fromUtf8(bytes); }

QByteArray StoreFile::DeriveKey(const QByteArray &salt, const QByteArray &passPhrase)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(salt);
    hash.addData(passPhrase);
    return hash.result();
}

QByteArray StoreFile::NewSalt()
{
    QByteArray salt(SaltSize, Qt::Uninitialized);
    for (char &byte : salt)
        byte = char(QRandomGenerator::system()->bounded(256));
    return salt;
}

QByteArray StoreFile::Encrypt(const QByteArray &plain, const QByteArray &passPhrase, const QByteArray &salt)
{
    QByteArray file = salt + plain;
    encryptInPlace(file.data() + salt.size(), plain.size(), passPhrase, salt);
    return file;
}

QByteArray StoreFile::Decrypt(QByteArray fileBytes, const QByteArray &passPhrase)
{
    if (fileBytes.size() < SaltSize)
        throw EStoreOpenError(QStringLiteral("The file holds %1 bytes, fewer than the %2 bytes of its salt.")
                                  .arg(fileBytes.size())
                                  .arg(SaltSize));
    const QByteArray salt = fileBytes.first(SaltSize);
    fileBytes.remove(0, SaltSize); // drops the salt without moving the body
    if (fileBytes.isEmpty())
        return fileBytes;
    QByteArray key = DeriveKey(salt, passPhrase);
    Rc4::ApplyBlockedKeystream(key, fileBytes);
    key.fill(char(0xFF));
    return fileBytes;
}

QString StoreFile::ParseFailureReason(const EXmlParseError &error)
{
    const QStringList parts = error.message().split(QStringLiteral("\r\n"));
    QString reason = parts.value(0);
    if (parts.size() > 1)
        reason += QStringLiteral(", ")
            + QString(parts[1]).replace(QStringLiteral("Line: "), QStringLiteral("line "));
    return reason;
}

QByteArray StoreFile::ReadFile(const QString &path)
{
    if (QFileInfo(path).isDir())
        throw ETamselError(QStringLiteral("%1 cannot be read: it is a folder.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ETamselError(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ETamselError(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    return bytes;
}

QString StoreFile::FinalTarget(const QString &path)
{
    QString current = QFileInfo(path).absoluteFilePath();
    // Linux gives up after 40 links, too.
    for (int links = 0; links < 40; ++links) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(QFile::encodeName(current).constData(), target, sizeof target);
        // Not a link (or nothing there yet): the writing itself tells why not.
        if (length < 0 || length == ssize_t(sizeof target))
            return current;
        const QFileInfo next(QFileInfo(current).absoluteDir(), QFile::decodeName(QByteArray(target, length)));
        // The folder as the system resolves it: ".." after a linked folder
        // leads back from where that link points.
        const QString folder = next.dir().canonicalPath();
        current = folder.isEmpty() ? next.absoluteFilePath() : folder + QLatin1Char('/') + next.fileName();
    }
    throw ETamselError(QStringLiteral("%1 cannot be used: it leads through too many symbolic links.").arg(path));
}

void StoreFile::WriteFileAtomically(const QString &path, const std::function<void(const TByteSink &)> &produce)
{
    const QString target = FinalTarget(path);
    const QString file = describe(path, target);
    const QByteArray targetName = QFile::encodeName(target);
    const QByteArray folderName = QFile::encodeName(QFileInfo(target).absolutePath());
    const auto failure = [&](const QString &what, int error) {
        return ETamselError(QStringLiteral("Could not save %1: %2 (%3). The file was left as it was.")
                                .arg(file, what, systemError(error)));
    };

    QByteArray newName = targetName + newFileSuffix;
    // mkostemp creates the file with mode 0600 whatever the umask.
    const int fd = ::mkostemp(newName.data(), O_CLOEXEC);
    if (fd < 0)
        throw failure(QStringLiteral("no new file could be created in its folder"), errno);
    // Held until the file is closed: RemoveStaleTemporaryFiles leaves a
    // locked file alone. Where locks are not supported the file is written
    // all the same.
    ::flock(fd, LOCK_EX | LOCK_NB);
    const auto discard = [&](bool open) {
        if (open)
            ::close(fd);
        ::unlink(newName.constData());
    };

    try {
        produce([&](QByteArrayView bytes) {
            if (!writeAll(fd, bytes))
                throw failure(QStringLiteral("writing failed"), errno);
        });
    } catch (...) {
        discard(true);
        throw;
    }
    if (const int error = FileSync::Sync(fd, newName)) {
        discard(true);
        throw failure(QStringLiteral("the new text could not be flushed to the disk"), error);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        discard(false);
        throw failure(QStringLiteral("writing failed"), error);
    }
    if (::rename(newName.constData(), targetName.constData()) != 0) {
        const int error = errno;
        discard(false);
        throw failure(QStringLiteral("the new text could not take the file's place"), error);
    }

    // Makes the rename itself durable. Some file systems cannot sync a
    // folder (EINVAL); the new file is complete and in place then.
    const int folder = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int error = folder < 0 ? errno : FileSync::Sync(folder, folderName);
    if (folder >= 0)
        ::close(folder);
    if (error != 0 && error != EINVAL)
        throw ETamselError(QStringLiteral("%1 was saved, but the system could not confirm that the change "
                                          "is on the disk (%2).")
                               .arg(file, systemError(error)));
}

QStringList StoreFile::RemoveStaleTemporaryFiles(const QString &path)
{
    const QFileInfo target(FinalTarget(path));
    const QDir folder = target.absoluteDir();
    const QRegularExpression pattern = newFilePattern(target.fileName());
    QStringList removed, failed;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) {
        if (!pattern.match(name).hasMatch())
            continue;
        const QString file = folder.absoluteFilePath(name);
        const QByteArray fileName = QFile::encodeName(file);
        // Never follows a link, never waits on a pipe.
        const int fd = ::open(fileName.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat status {};
        const bool ours = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
        // A write in progress, here or in another process, holds the lock.
        if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (::unlink(fileName.constData()) == 0)
                removed << file;
            else
                failed << QStringLiteral("%1 (%2)").arg(file, systemError(errno));
        }
        ::close(fd);
    }
    if (!failed.isEmpty())
        throw ETamselError(QStringLiteral("Left over from interrupted saves, these files could not be removed: %1.")
                               .arg(failed.join(QStringLiteral(", "))));
    return removed;
}

void StoreFile::LoadBody(QByteArray body, TXmlDocument &document, TBodyUse use)
{
    if (body.isEmpty())
        throw EStoreOpenError(
            QStringLiteral("The file holds its %1-byte salt and nothing else.").arg(SaltSize));
    loadBody(std::move(body), document,
        QStringLiteral("After decryption the file is not a readable entry document: either the passphrase "
                       "is not the one it was written with, or the file is damaged"),
        use == TBodyUse::DocumentOnly);
}

QByteArray StoreFile::OpenStore(const QString &path, const QByteArray &passPhrase, TXmlDocument &document)
{
    const QByteArray body = Decrypt(ReadFile(path), passPhrase);
    LoadBody(body, document);
    return body;
}

QList<QByteArray> StoreFile::PassPhraseCandidates(const QString &passPhrase)
{
    QList<QByteArray> candidates { PassPhraseBytes(passPhrase) };
    const std::optional<QByteArray> codePage = CodePage1252::Encode(passPhrase);
    if (codePage && *codePage != candidates.first())
        candidates << *codePage;
    return candidates;
}

StoreFile::TOpenedStore StoreFile::OpenStoreWithPassPhrase(
    const QString &path, const QString &passPhrase, TXmlDocument &document, TBodyUse use)
{
    QByteArray fileBytes = ReadFile(path);
    const QList<QByteArray> candidates = PassPhraseCandidates(passPhrase);
    std::optional<EStoreOpenError> firstFailure;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        try {
            // The last try may decrypt in the file's own buffer; an earlier one
            // leaves it for the next.
            const bool last = i + 1 == candidates.size();
            QByteArray body = Decrypt(last ? std::move(fileBytes) : fileBytes, candidates.at(i));
            if (use == TBodyUse::DocumentOnly) {
                LoadBody(std::move(body), document, use);
                return { QByteArray(), candidates.at(i) };
            }
            LoadBody(body, document, use);
            return { std::move(body), candidates.at(i) };
        } catch (const EStoreOpenError &error) {
            // The first failure says why; the other forms are older spellings of the same passphrase.
            if (!firstFailure)
                firstFailure = error;
        }
    }
    throw *firstFailure;
}

std::shared_ptr<StoreFile::TOpenedEntries> StoreFile::OpenEntries(const QString &path, const QString &passPhrase)
{
    auto opened = std::make_shared<TOpenedEntries>();
    try {
        opened->passPhrase
            = OpenStoreWithPassPhrase(path, passPhrase, opened->document, TBodyUse::DocumentOnly).passPhrase;
    } catch (const EStoreOpenError &error) {
        opened->failure = error.message();
        opened->unopenable = true;
    } catch (const ETamselError &error) {
        opened->failure = error.message();
    } catch (const std::exception &error) {
        opened->failure = QString::fromLocal8Bit(error.what());
    }
    return opened;
}

void StoreFile::SaveStore(const QString &path, const QByteArray &passPhrase, QByteArray plain)
{
    const QByteArray salt = NewSalt();
    encryptInPlace(plain.data(), plain.size(), passPhrase, salt);
    WriteFileAtomically(path, [&](const TByteSink &write) {
        write(salt);
        write(plain);
    });
}

void StoreFile::SaveStore(const QString &path, const QByteArray &passPhrase, const TXmlDocument &document)
{
    requirePassPhrase(passPhrase);
    const QByteArray salt = NewSalt();
    QByteArray key = DeriveKey(salt, passPhrase);
    const auto wipeKey = qScopeGuard([&key] { key.fill(char(0xFF)); });
    WriteFileAtomically(path, [&](const TByteSink &write) {
        write(salt);
        TEncryptingWriter writer(key, write);
        document.Save(writer);
        writer.finish();
    });
}

QString StoreFile::BackupFileName(const QDate &day)
{
    return QStringLiteral("brindo_") + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".bak");
}

bool StoreFile::MigrateLegacyFile(const QString &legacyPath, const QString &storePath,
    const QString &backupPath, const QByteArray &passPhrase)
{
    const QByteArray legacy = ReadFile(legacyPath);
    TXmlDocument check;
    loadBody(legacy, check, legacyPath + QStringLiteral(" is not well-formed XML"));
    if (QFileInfo::exists(storePath))
        throw ETamselError(
            QStringLiteral("%1 already exists; it is not replaced by a conversion.").arg(storePath));

    SaveStore(storePath, passPhrase, legacy);

    if (QFileInfo::exists(backupPath))
        return false;
    // Restricted before the rename, so the backup never exists readable by others.
    QFile legacyFile(legacyPath);
    if (!legacyFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner) || !legacyFile.rename(backupPath))
        throw ETamselError(QStringLiteral("The entries were converted, but %1 could not be moved to %2: %3")
                               .arg(legacyPath, backupPath, legacyFile.errorString()));
    return true;
}
