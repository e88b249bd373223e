#include "store/StoreFile.h"

#include "platform/RegularFile.h"
#include "store/CodePage1252.h"
#include "store/Rc4.h"
#include "store/XmlDocument.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <exception>

namespace {
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

QByteArray StoreFile::ReadFile(const QString &path) { return ReadRegularFile(path, MaxFileSize); }

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
