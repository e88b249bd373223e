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
// The check that ends a body: its start, its 64 hex digits, its end.
constexpr QByteArrayView checkStart = "<?tamsel-check ";
constexpr QByteArrayView checkEnd = "?>\n";
constexpr qsizetype checkDigits = 64;
constexpr qsizetype checkSize = checkStart.size() + checkDigits + checkEnd.size();
// The check without its line end, as another writer may leave it.
constexpr qsizetype checkMarkupSize = checkSize - 1;

// The comment before the check that records the salt it was made for: its
// start, the salt's 16 hex digits, a space, the 32 hex digits of the salt's
// tag, its end.
constexpr QByteArrayView saltRecordStart = "<!--tamsel-check-salt ";
constexpr QByteArrayView saltRecordEnd = "-->";
constexpr qsizetype saltTagSize = 16;
constexpr qsizetype saltRecordSize
    = saltRecordStart.size() + 2 * StoreFile::SaltSize + 1 + 2 * saltTagSize + saltRecordEnd.size();

// The instruction that carries a check's digest.
QByteArray checkInstruction(const QByteArray &digest)
{
    return checkStart.toByteArray() + digest.toHex() + checkEnd.toByteArray();
}

const QString damagedCheck = QStringLiteral(
    "The file is damaged: its contents no longer match the integrity check Tamsel saved with them, so "
    "part of it has changed since it was written.");

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isLowerHex(QByteArrayView digits)
{
    for (const char digit : digits)
        if (!((digit >= '0' && digit <= '9') || (digit >= 'a' && digit <= 'f')))
            return false;
    return true;
}

// Where the white space that ends text[0, end) starts.
qsizetype withoutTrailingSpace(QByteArrayView text, qsizetype end)
{
    while (end > 0 && isXmlSpace(text[end - 1]))
        --end;
    return end;
}

// Where the check stands: the last markup of the body, of its exact form
// whatever its digits say, followed by nothing but white space; and whether
// it ends the body exactly as Tamsel writes it (with one LF).
struct TCheckPlace {
    qsizetype start = -1;
    bool asWritten = false;
};

TCheckPlace findCheck(QByteArrayView body)
{
    const qsizetype end = withoutTrailingSpace(body, body.size());
    if (end < checkMarkupSize)
        return {};
    const QByteArrayView markup = body.sliced(end - checkMarkupSize, checkMarkupSize);
    if (!markup.startsWith(checkStart) || !markup.endsWith(checkEnd.chopped(1))
        || !isLowerHex(markup.sliced(checkStart.size(), checkDigits)))
        return {};
    return { end - checkMarkupSize, body.sliced(end) == QByteArrayView("\n") };
}

// The salt record that stands right before the check (white space between).
struct TSaltRecord {
    qsizetype start = -1;
    QByteArray salt;
    QByteArray tag;
};

std::optional<TSaltRecord> saltRecordBefore(QByteArrayView body, qsizetype checkAt)
{
    const qsizetype end = withoutTrailingSpace(body, checkAt);
    if (end < saltRecordSize)
        return std::nullopt;
    const QByteArrayView record = body.sliced(end - saltRecordSize, saltRecordSize);
    const QByteArrayView salt = record.sliced(saltRecordStart.size(), 2 * StoreFile::SaltSize);
    const QByteArrayView tag = record.sliced(saltRecordStart.size() + salt.size() + 1, 2 * saltTagSize);
    if (!record.startsWith(saltRecordStart) || !record.endsWith(saltRecordEnd)
        || record[saltRecordStart.size() + salt.size()] != ' ' || !isLowerHex(salt) || !isLowerHex(tag))
        return std::nullopt;
    return TSaltRecord { end - saltRecordSize, QByteArray::fromHex(salt.toByteArray()),
        QByteArray::fromHex(tag.toByteArray()) };
}

// Decrypted bytes that read as text: a damaged store decrypts to its own
// text with a few bytes changed, another key to noise, of which little more
// than a third is ASCII text and hardly any well-formed UTF-8 beyond it.
constexpr qsizetype textSample = 256;
bool readsAsText(QByteArrayView bytes)
{
    const QByteArrayView sample = bytes.first(qMin(bytes.size(), textSample));
    qsizetype text = 0;
    for (qsizetype i = 0; i < sample.size();) {
        const uchar lead = uchar(sample[i]);
        const qsizetype length = lead < 0x80 ? 1
            : lead >= 0xC2 && lead <= 0xDF  ? 2
            : lead >= 0xE0 && lead <= 0xEF  ? 3
            : lead >= 0xF0 && lead <= 0xF4  ? 4
                                            : 0;
        bool sound = length == 1 ? (lead >= 0x20 && lead != 0x7F) || isXmlSpace(char(lead))
                                 : length > 0 && i + length <= sample.size();
        for (qsizetype k = 1; sound && k < length; ++k)
            sound = (uchar(sample[i + k]) & 0xC0) == 0x80;
        text += sound ? length : 0;
        i += sound ? length : 1;
    }
    return text * 4 >= sample.size() * 3;
}

// A store whose salt has lost a bit decrypts to noise, as it does under
// another passphrase; under the salt's one-bit variants its start reads as
// text again. Only a body long enough that noise never reads as text by
// chance is tried.
bool saltVariantReadsAsText(const QByteArray &salt, const QByteArray &passPhrase, QByteArrayView cipherStart)
{
    if (cipherStart.size() < textSample / 4)
        return false;
    bool found = false;
    for (int bit = 0; bit < 8 * StoreFile::SaltSize && !found; ++bit) {
        QByteArray variant = salt;
        variant[bit / 8] = char(variant[bit / 8] ^ (1 << (bit % 8)));
        QByteArray key = StoreFile::DeriveKey(variant, passPhrase);
        QByteArray sample = cipherStart.toByteArray();
        Rc4::ApplyBlockedKeystream(key, sample);
        key.fill(char(0xFF));
        found = readsAsText(sample);
    }
    return found;
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

// A decrypted body's document text, and what vouched for it.
struct TPlainBody {
    QByteArray text;
    StoreFile::TCheck check = StoreFile::TCheck::None;
};

// Decrypts the file's body and, when it ends in a check, verifies and drops
// it. A check that does not match the file is another writer's copy when the
// salt it records is intact (its tag, under the passphrase alone, matches)
// and is not the file's own: the body was encrypted anew since. Anything
// else is damage.
TPlainBody decryptBody(QByteArray fileBytes, const QByteArray &passPhrase)
{
    if (fileBytes.isEmpty())
        throw EStoreTooShort(QStringLiteral(
            "The file is empty: it holds none of your entries, not even the %1 bytes of its salt.")
                                 .arg(StoreFile::SaltSize));
    if (fileBytes.size() < StoreFile::SaltSize)
        throw EStoreTooShort(QStringLiteral("The file holds %1 bytes, fewer than the %2 bytes of its salt: it "
                                            "has been cut short, and none of your entries are in it.")
                                 .arg(fileBytes.size())
                                 .arg(StoreFile::SaltSize));
    const QByteArray salt = fileBytes.first(StoreFile::SaltSize);
    fileBytes.remove(0, StoreFile::SaltSize); // drops the salt without moving the body
    if (fileBytes.isEmpty())
        return { fileBytes };
    QByteArray key = StoreFile::DeriveKey(salt, passPhrase);
    Rc4::ApplyBlockedKeystream(key, fileBytes);
    if (!readsAsText(fileBytes)) {
        QByteArray cipherStart = fileBytes.first(qMin(fileBytes.size(), textSample));
        Rc4::ApplyBlockedKeystream(key, cipherStart);
        if (saltVariantReadsAsText(salt, passPhrase, cipherStart))
            throw EStoreDamaged(QStringLiteral(
                "The file is damaged: a bit of its salt, the first %1 bytes, has changed, so all of it "
                "decrypts to noise.")
                                    .arg(StoreFile::SaltSize));
    }
    key.fill(char(0xFF));
    const TCheckPlace check = findCheck(fileBytes);
    if (check.start < 0)
        return { std::move(fileBytes) };
    const std::optional<TSaltRecord> record = saltRecordBefore(fileBytes, check.start);
    if (check.asWritten) {
        QByteArray checkKey = StoreFile::CheckKey(salt, passPhrase);
        const QByteArray expected
            = StoreFile::CheckInstruction(checkKey, QByteArrayView(fileBytes).first(check.start));
        checkKey.fill(char(0xFF));
        if (sameBytes(expected, QByteArrayView(fileBytes).sliced(check.start))) {
            fileBytes.truncate(record ? record->start : check.start);
            return { std::move(fileBytes), StoreFile::TCheck::Matched };
        }
    }
    if (record && record->salt != salt && sameBytes(record->tag, StoreFile::SaltTag(record->salt, passPhrase))) {
        fileBytes.truncate(record->start);
        return { std::move(fileBytes), StoreFile::TCheck::OtherWriter };
    }
    throw EStoreDamaged(damagedCheck);
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
    const bool checked = plain.check == StoreFile::TCheck::Matched;
    if (checked && use == StoreFile::TBodyUse::DocumentOnly) {
        StoreFile::LoadBody(std::move(plain.text), document, use);
        return {};
    }
    TXmlDocument loaded;
    StoreFile::LoadBody(plain.text, loaded);
    if (!checked)
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
// it in pieces of 64 KiB and hands each on; finish() appends the salt record
// and the check. An error of the sink is kept from pugixml's code: later
// pieces are dropped and finish() raises it.
class TEncryptingWriter : public pugi::xml_writer
{
public:
    TEncryptingWriter(const QByteArray &key, const QByteArray &checkKey, const QByteArray &saltRecord,
        const StoreFile::TByteSink &sink)
        : m_stream(key)
        , m_check(checkKey)
        , m_saltRecord(saltRecord)
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
        m_piece += m_saltRecord;
        m_check.addData(m_saltRecord);
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
    const QByteArray &m_saltRecord;
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

QByteArray StoreFile::SaltTag(const QByteArray &salt, const QByteArray &passPhrase)
{
    QCryptographicHash keyHash(QCryptographicHash::Sha256);
    keyHash.addData(QByteArrayView("Tamsel store salt", sizeof("Tamsel store salt")));
    keyHash.addData(passPhrase);
    QByteArray key = keyHash.result();
    THmacSha256 tag(key);
    key.fill(char(0xFF));
    tag.addData(salt);
    return tag.result().first(saltTagSize);
}

QByteArray StoreFile::SaltRecord(const QByteArray &salt, const QByteArray &passPhrase)
{
    return saltRecordStart.toByteArray() + salt.toHex() + ' ' + SaltTag(salt, passPhrase).toHex()
        + saltRecordEnd.toByteArray() + '\n';
}

QByteArray StoreFile::CheckTail(const QByteArray &salt, const QByteArray &passPhrase, QByteArrayView text)
{
    const QByteArray record = SaltRecord(salt, passPhrase);
    QByteArray checkKey = CheckKey(salt, passPhrase);
    THmacSha256 check(checkKey);
    checkKey.fill(char(0xFF));
    check.addData(text);
    check.addData(record);
    return record + checkInstruction(check.result());
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
        throw EStoreTooShort(QStringLiteral("The file holds its %1-byte salt and nothing else: it has been cut "
                                            "short, and none of your entries are in it.")
                                 .arg(SaltSize));
    // Noise is what another passphrase gives; text that does not parse is
    // the store's own text, damaged.
    const bool text = readsAsText(body);
    TXmlDocument loaded;
    try {
        if (use == TBodyUse::DocumentOnly)
            loaded.LoadFromBuffer(std::move(body));
        else
            loaded.LoadFromMemory(body);
    } catch (const EXmlParseError &error) {
        if (text)
            throw EStoreDamaged(QStringLiteral("The file is damaged: it decrypts to text, but that text is not a "
                                               "readable entry document (%1).")
                                    .arg(ParseFailureReason(error)));
        throw EStoreOpenError(QStringLiteral("After decryption the file is noise, not XML: most likely the "
                                             "passphrase is not the one it was written with (%1).")
                                  .arg(ParseFailureReason(error)));
    }
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
            const TCheck check = plain.check;
            return { loadPlain(std::move(plain), document, use), candidates.at(i), stamp, check };
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
    } catch (const EStoreTooShort &error) {
        opened->failure = error.message();
        opened->unopenable = true;
        opened->tooShort = true;
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
    if (withCheck)
        plain += StoreFile::CheckTail(salt, passPhrase, plain);
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
    return SaveStore(path, passPhrase, [&document](pugi::xml_writer &writer) { document.Save(writer); });
}

TStoreStamp StoreFile::SaveStore(const QString &path, const QByteArray &passPhrase, const TTextSource &writeText)
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
        const QByteArray saltRecord = SaltRecord(salt, passPhrase);
        TEncryptingWriter writer(key, checkKey, saltRecord, writeAndDigest);
        writeText(writer);
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
    try {
        check.LoadFromMemory(legacy);
    } catch (const EXmlParseError &error) {
        throw EStoreOpenError(
            QStringLiteral("%1 is not well-formed XML (%2).").arg(legacyPath, ParseFailureReason(error)));
    }
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
