#include "store/StoreFile.h"

#include "store/Rc4.h"
#include "store/XmlDocument.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

void loadBody(const QByteArray &body, TXmlDocument &document, const QString &whatFailed)
{
    try {
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

// Makes the rename itself durable. Some file systems cannot sync a folder;
// the new file is already complete and in place then, so this is best effort.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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

void StoreFile::WriteFileAtomically(const QString &path, const std::function<void(const TByteSink &)> &produce)
{
    const QFileInfo target(path);
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
    QByteArray newName = targetName + QByteArrayLiteral(".XXXXXX");
    // mkostemp creates the file with mode 0600 whatever the umask.
    const int fd = ::mkostemp(newName.data(), O_CLOEXEC);
    if (fd < 0)
        throw ETamselError(QStringLiteral("%1 cannot be written: %2").arg(path, systemError(errno)));

    const auto fail = [&](const char *step, int error, bool open) {
        if (open)
            ::close(fd);
        ::unlink(newName.constData());
        throw ETamselError(QStringLiteral("%1 cannot be written (%2): %3")
                               .arg(path, QLatin1String(step), systemError(error)));
    };
    try {
        produce([&](QByteArrayView bytes) {
            if (!writeAll(fd, bytes))
                throw ETamselError(QStringLiteral("%1 cannot be written (write): %2").arg(path, systemError(errno)));
        });
    } catch (...) {
        ::close(fd);
        ::unlink(newName.constData());
        throw;
    }
    if (::fsync(fd) != 0)
        fail("sync", errno, true);
    if (::close(fd) != 0)
        fail("close", errno, false);
    if (::rename(newName.constData(), targetName.constData()) != 0)
        fail("rename", errno, false);
    syncFolder(QFile::encodeName(target.absolutePath()));
}

void StoreFile::LoadBody(const QByteArray &body, TXmlDocument &document)
{
    if (body.isEmpty())
        throw EStoreOpenError(
            QStringLiteral("The file holds its %1-byte salt and nothing else.").arg(SaltSize));
    loadBody(body, document,
        QStringLiteral("After decryption the file is not a readable entry document: either the passphrase "
                       "is not the one it was written with, or the file is damaged"));
}

QByteArray StoreFile::OpenStore(const QString &path, const QByteArray &passPhrase, TXmlDocument &document)
{
    const QByteArray body = Decrypt(ReadFile(path), passPhrase);
    LoadBody(body, document);
    return body;
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
