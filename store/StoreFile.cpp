#include "store/StoreFile.h"


#include "platform/RegularFile.h"
#include "store/ByteDigest.h"
#include "store/CodePage1252.h"
#include "store/HmacSha256.h"
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

// The check that ends a body: its start, its 64 hex digits, its end.
constexpr QByteArrayView checkStart = "<?tamsel-check ";
constexpr QByteArrayView checkEnd = "?>\n";
constexpr qsizetype checkDigits = 64;
constexpr qsizetype checkSize = checkStart.size() + checkDigits + checkEnd.size();

// The instruction that carries a check's digest.
QByteArray checkInstruction(const QByteArray &digest)
{
    return checkStart.toByteArray() + digest.toHex() + checkEnd.toByteArray();
}

const QString damagedCheck = QStringLiteral(
    "The file is damaged: its contents no longer match the integrity check Tamsel saved with them, so "
    "part of it has changed since it was written.");

// Whether the body ends in something of the check's exact form, whatever its
// digits say.
bool endsInCheck(const QByteArray &body)
{
    if (body.size() < checkSize)
        return false;
    const QByteArrayView tail = QByteArrayView(body).last(checkSize);
    if (!tail.startsWith(checkStart) || !tail.endsWith(checkEnd))
        return false;
    for (const char digit : tail.sliced(checkStart.size(), checkDigits))
        if (!((digit >= '0' && digit <= '9') || (digit >= 'a' && digit <= 'f')))
            return false;
    return true;
}

// Compares without stopping at the first difference.
bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

// A decrypted body's document text, and whether a check vouched for it.
struct TPlainBody {
    QByteArray text;
    bool checked = false;
};

// Decrypts the file's body and, when it ends in a check, verifies and drops it.
TPlainBody decryptBody(QByteArray fileBytes, const QByteArray &passPhrase)
{
    if (fileBytes.size() < StoreFile::SaltSize)
        throw EStoreOpenError(QStringLiteral("The file holds %1 bytes, fewer than the %2 bytes of its salt.")
                                  .arg(fileBytes.size())
                                  .arg(StoreFile::SaltSize));
    const QByteArray salt = fileBytes.first(StoreFile::SaltSize);
    fileBytes.remove(0, StoreFile::SaltSize); // drops the salt without moving the body
    if (fileBytes.isEmpty())
        return { fileBytes, false };
    QByteArray key = StoreFile::DeriveKey(salt, passPhrase);
    Rc4::ApplyBlockedKeystream(key, fileBytes);
    key.fill(char(0xFF));
    if (!endsInCheck(fileBytes))
        return { std::move(fileBytes), false };
    const qsizetype textSize = fileBytes.size() - checkSize;
    QByteArray checkKey = StoreFile::CheckKey(salt, passPhrase);
    const QByteArray expected = StoreFile::CheckInstruction(checkKey, QByteArrayView(fileBytes).first(textSize));
    checkKey.fill(char(0xFF));
    if (!sameBytes(expected, QByteArrayView(fileBytes).sliced(textSize)))
        throw EStoreDamaged(damagedCheck);
    fileBytes.truncate(textSize);
    return { std::move(fileBytes), true };
}

// Nothing but the check may follow the entries; the check itself is gone by now.
void requireNoInstructionAfterRoot(const TXmlDocument &document)
{
    for (pugi::xml_node node = document.Root().next_sibling(); node; node = node.next_sibling())
        if (node.type() == pugi::node_pi)
            throw EStoreDamaged(QStringLiteral(
                "The file is damaged: after the entries it holds a processing instruction that is not "
                "Tamsel's integrity check."));
}

// A body without a check: a check whose own markup was damaged leaves text or
// a stray element beside the root, which the parser would pass over.
void requireOnlyMarkupAroundRoot(const QByteArray &body)
{
    pugi::xml_document fragment;
    bool sound = bool(fragment.load_buffer(body.constData(), size_t(body.size()),
        pugi::parse_minimal | pugi::parse_fragment));
    int elements = 0;
    for (pugi::xml_node node = fragment.first_child(); sound && node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element)
            ++elements;
        else if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            sound = false;
    }
    if (!sound || elements != 1)
        throw EStoreDamaged(QStringLiteral(
            "The file is damaged: beside its one root element it holds text or other elements."));
}

// Loads a decrypted body into the document and returns the body's bytes
// (none for TBodyUse::DocumentOnly). A body without a check is kept until it
// has been looked at as a whole.
QByteArray loadPlain(TPlainBody plain, TXmlDocument &document, StoreFile::TBodyUse use)
{
    if (plain.checked && use == StoreFile::TBodyUse::DocumentOnly) {
        StoreFile::LoadBody(std::move(plain.text), document, use);
        return {};
    }
    TXmlDocument loaded;
    StoreFile::LoadBody(plain.text, loaded);
    if (!plain.checked)
        requireOnlyMarkupAroundRoot(plain.text);
    document = std::move(loaded);
    return use == StoreFile::TBodyUse::KeepBody ? std::move(plain.text) : QByteArray();
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

// Receives the document's text from pugixml, adds it to the check, encrypts
// it in pieces of 64 KiB and hands each on; finish() appends the check. An
// error of the sink is kept from pugixml's code: later pieces are dropped and
// finish() raises it.
class TEncryptingWriter : public pugi::xml_writer
{
public:
    TEncryptingWriter(const QByteArray &key, const QByteArray &checkKey, const StoreFile::TByteSink &sink)
        : m_stream(key)
        , m_check(checkKey)
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
            m_check.addData(QByteArrayView(static_cast<const char *>(data), qsizetype(size)));
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
        m_piece += checkInstruction(m_check.result());
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
    THmacSha256 m_check;
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

QByteArray StoreFile::CheckKey(const QByteArray &salt, const QByteArray &passPhrase)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayView("Tamsel store check", sizeof("Tamsel store check")));
    hash.addData(salt);
    hash.addData(passPhrase);
    return hash.result();
}

QByteArray StoreFile::CheckInstruction(const QByteArray &key, QByteArrayView text)
{
    THmacSha256 check(key);
    check.addData(text);
    return checkInstruction(check.result());
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
    return decryptBody(std::move(fileBytes), passPhrase).text;
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
    TXmlDocument loaded;
    loadBody(std::move(body), loaded,
        QStringLiteral("After decryption the file is not a readable entry document: either the passphrase "
                       "is not the one it was written with, or the file is damaged"),
        use == TBodyUse::DocumentOnly);
    requireNoInstructionAfterRoot(loaded);
    document = std::move(loaded);
}

QByteArray StoreFile::OpenStore(const QString &path, const QByteArray &passPhrase, TXmlDocument &document)
{
    return loadPlain(decryptBody(ReadFile(path), passPhrase), document, TBodyUse::KeepBody);
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
    TFileIdentity identity;
    QByteArray fileBytes = ReadRegularFile(path, MaxFileSize, &identity);
    const TStoreStamp stamp = TStoreStamp::of(identity, fileBytes);
    const QList<QByteArray> candidates = PassPhraseCandidates(passPhrase);
    std::exception_ptr firstFailure; // kept whole, so that damage stays EStoreDamaged
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        try {
            // The last try may decrypt in the file's own buffer; an earlier one
            // leaves it for the next.
            const bool last = i + 1 == candidates.size();
            TPlainBody plain = decryptBody(last ? std::move(fileBytes) : fileBytes, candidates.at(i));
            return { loadPlain(std::move(plain), document, use), candidates.at(i), stamp };
        } catch (const EStoreDamaged &) {
            // This form opened the store, which is damaged: that is the news.
            firstFailure = std::current_exception();
            break;
        } catch (const EStoreOpenError &) {
            // The first failure says why; the other forms are older spellings of the same passphrase.
            if (!firstFailure)
                firstFailure = std::current_exception();
        }
    }
    std::rethrow_exception(firstFailure);
}

std::shared_ptr<StoreFile::TOpenedEntries> StoreFile::OpenEntries(const QString &path, const QString &passPhrase)
{
    auto opened = std::make_shared<TOpenedEntries>();
    try {
        TOpenedStore store = OpenStoreWithPassPhrase(path, passPhrase, opened->document, TBodyUse::DocumentOnly);
        opened->passPhrase = store.passPhrase;
        opened->stamp = store.stamp;
    } catch (const EStoreDamaged &error) {
        opened->failure = error.message();
        opened->damaged = true;
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

namespace {
void saveBody(const QString &path, const QByteArray &passPhrase, QByteArray plain, bool withCheck)
{
    const QByteArray salt = StoreFile::NewSalt();
    if (withCheck) {
        QByteArray checkKey = StoreFile::CheckKey(salt, passPhrase);
        plain += StoreFile::CheckInstruction(checkKey, plain);
        checkKey.fill(char(0xFF));
    }
    encryptInPlace(plain.data(), plain.size(), passPhrase, salt);
    StoreFile::WriteFileAtomically(path, [&](const StoreFile::TByteSink &write) {
        write(salt);
        write(plain);
    });
}
} // namespace

void StoreFile::SaveStore(const QString &path, const QByteArray &passPhrase, QByteArray plain)
{
    saveBody(path, passPhrase, std::move(plain), true);
}

TStoreStamp StoreFile::SaveStore(const QString &path, const QByteArray &passPhrase, const TXmlDocument &document)
{
    requirePassPhrase(passPhrase);
    const QByteArray salt = NewSalt();
    QByteArray key = DeriveKey(salt, passPhrase);
    QByteArray checkKey = CheckKey(salt, passPhrase);
    const auto wipeKeys = qScopeGuard([&key, &checkKey] {
        key.fill(char(0xFF));
        checkKey.fill(char(0xFF));
    });
    TByteDigest digest;
    WriteFileAtomically(path, [&](const TByteSink &write) {
        const TByteSink writeAndDigest = [&](QByteArrayView bytes) {
            write(bytes);
            digest.addData(bytes);
        };
        writeAndDigest(salt);
        TEncryptingWriter writer(key, checkKey, writeAndDigest);
        document.Save(writer);
        writer.finish();
    });
    return { FileIdentity(path), digest.result() };
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
    // What is converted must open as a store afterwards.
    requireNoInstructionAfterRoot(check);
    requireOnlyMarkupAroundRoot(legacy);
    if (QFileInfo::exists(storePath))
        throw ETamselError(
            QStringLiteral("%1 already exists; it is not replaced by a conversion.").arg(storePath));

    saveBody(storePath, passPhrase, legacy, false);

    if (QFileInfo::exists(backupPath))
        return false;
    // Restricted before the rename, so the backup never exists readable by others.
    QFile legacyFile(legacyPath);
    if (!legacyFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner) || !legacyFile.rename(backupPath))
        throw ETamselError(QStringLiteral("The entries were converted, but %1 could not be moved to %2: %3")
                               .arg(legacyPath, backupPath, legacyFile.errorString()));
    return true;
}
