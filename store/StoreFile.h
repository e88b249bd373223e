#pragma once

#include "diagnostics/Exception.h"
#include "platform/AtomicFile.h"
#include "store/StoreStamp.h"
#include "store/XmlDocument.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>


// Raised when a store or a legacy file exists but its entries cannot be read:
// a store whose body decrypts to noise (a passphrase other than the one it
// was written with), or a legacy file that does not parse.
class EStoreOpenError : public ETamselError {
    using ETamselError::ETamselError;
};

// Raised when a store holds no entries at all: it is empty, shorter than its
// salt, or its salt alone.
class EStoreTooShort : public EStoreOpenError {
    using EStoreOpenError::EStoreOpenError;
};

// Raised when a store decrypts but is damaged: its integrity check does not
// match the document, something other than the check follows the entries,
// its body decrypts to text that does not parse, or its salt lost a bit.
class EStoreDamaged : public EStoreOpenError {
    using EStoreOpenError::EStoreOpenError;
};

// The encrypted entry store "brindo.dat": 8 salt bytes, then the plain XML
// text combined with an RC4 keystream (block rule in store/Rc4.h) under the
// SHA-1 digest of the salt followed by the passphrase's bytes. No magic
// number or length, so a wrong passphrase shows only as a body that does not
// parse.
//
// The integrity check: the document's text is followed by the salt record,
// the comment "<!--tamsel-check-salt " + the salt's 16 lowercase hex digits
// + " " + the 32 of its SaltTag + "-->" + LF, and then by one processing
// instruction, "<?tamsel-check " + 64 lowercase hex digits + "?>" + LF, the
// HMAC-SHA-256 of every byte of the text before it (the record included)
// under CheckKey. Both stand after the root element, so no entry's document
// index moves, and a reader that walks the root's children never meets them.
// A body without a check (written by older versions, or converted from the
// legacy file) opens as before, and the next write adds it; a check without
// the record (written by the previous version) is verified as before.
//
// Another program that follows the file format and keeps what it does not
// understand re-encrypts the body under a new salt, keeping the record and
// the check, perhaps with other white space around them. A check that does
// not match is therefore another writer's copy, opened as a store without a
// check, when the last markup of the body is the check, right after a salt
// record whose tag matches under the passphrase and whose salt is not the
// file's. Any other check that does not match, any processing instruction
// after the root other than the check, and text or a second element beside
// the root of a body without a check (what a check with damaged markup
// leaves) make the store damaged: such a store is not opened.
namespace StoreFile {

inline constexpr qsizetype SaltSize = 8;

// The passphrase's bytes as they enter the key and the stored "PassKey": its
// UTF-8 form, this platform's code page, fixed so that a change of locale
// never changes the key.
QByteArray PassPhraseBytes(const QString &passPhrase);
QString PassPhraseFromBytes(const QByteArray &bytes);
// The bytes a store may have been keyed with, in the order they are tried:
// the UTF-8 form, then the Windows-1252 form in which older versions keyed
// their stores, when it differs (the passphrase goes beyond ASCII) and
// exists (every character has a byte in that code page).
QList<QByteArray> PassPhraseCandidates(const QString &passPhrase);

// The 20-byte cipher key.
QByteArray DeriveKey(const QByteArray &salt, const QByteArray &passPhrase);
// The 32-byte key of the integrity check: SHA-256 over the label
// "Tamsel store check", a zero byte, the salt and the passphrase's bytes.
QByteArray CheckKey(const QByteArray &salt, const QByteArray &passPhrase);
// The processing instruction that follows a document's text, for the text
// written so far under the check's key.
QByteArray CheckInstruction(const QByteArray &key, QByteArrayView text);
// The 16-byte tag of a salt: the start of its HMAC-SHA-256 under the SHA-256
// of the label "Tamsel store salt", a zero byte and the passphrase's bytes.
// It depends on the passphrase alone, so it stays true when another writer
// encrypts the body under a new salt.
QByteArray SaltTag(const QByteArray &salt, const QByteArray &passPhrase);
// The comment that records the salt, with its line end.
QByteArray SaltRecord(const QByteArray &salt, const QByteArray &passPhrase);
// What follows a document's text in a store: its salt record and its check.
QByteArray CheckTail(const QByteArray &salt, const QByteArray &passPhrase, QByteArrayView text);
// Eight bytes from the operating system's random source, so no two runs repeat
// a salt sequence.
QByteArray NewSalt();

// The file form of a plain body under the given salt, exactly as given (no
// check is added). An empty passphrase is refused: it would protect nothing.
QByteArray Encrypt(const QByteArray &plain, const QByteArray &passPhrase, const QByteArray &salt);
// The document text of a file form: the decrypted body without its salt
// record and check. Raises EStoreTooShort for fewer than 8 bytes, and
// EStoreDamaged when the body ends in a check that does not match and is not
// another writer's copy (it also raises EStoreDamaged for a salt that lost
// a bit). A body without a check is returned whole. The bytes are decrypted
// in their own buffer: a file handed over with std::move is not copied.
QByteArray Decrypt(QByteArray fileBytes, const QByteArray &passPhrase);

// The parser's reason and line for a body that does not parse, without the
// excerpt of the offending line: a decrypted body is either the user's own
// text, which must not reach the log file, or noise that helps no one.
QString ParseFailureReason(const EXmlParseError &error);

// The largest file read as a store: 1 GiB, far beyond any real store (a
// store of 100,000 entries is some tens of megabytes).
inline constexpr qint64 MaxFileSize = qint64(1) << 30;
// The bytes of a regular file of at most MaxFileSize bytes; a folder, a
// device, a pipe or a larger file is refused with a plain reason.
QByteArray ReadFile(const QString &path);
// Stores are replaced as a whole or not at all (platform/AtomicFile.h).
using AtomicFile::FinalTarget;
using AtomicFile::RemoveStaleTemporaryFiles;
using AtomicFile::TByteSink;
using AtomicFile::WriteFileAtomically;

// Loads a decrypted body into the document. Raises EStoreTooShort when the
// body is empty (a file of its salt alone), EStoreOpenError when it is noise
// that does not parse, and EStoreDamaged when it is text that does not parse
// or a processing instruction follows the root element; the document is then
// left as it was.
// What is kept of a decrypted body besides the document: the body's exact
// bytes as well, or only the document, which is then parsed in the body's
// own buffer (no second copy of a large store).
enum class TBodyUse { KeepBody, DocumentOnly };
void LoadBody(QByteArray body, TXmlDocument &document, TBodyUse use = TBodyUse::KeepBody);

// Reads and decrypts the store at path and loads its body into the document.
// Returns the body's exact bytes. Raises EStoreOpenError when the file is too
// short or the body does not parse; the document is then left as it was.
QByteArray OpenStore(const QString &path, const QByteArray &passPhrase, TXmlDocument &document);

// What vouched for a store's body when it was opened.
enum class TCheck {
    Matched, // Tamsel's check, made for this very file
    None, // no check: written by an older version, or converted from the legacy file
    OtherWriter, // a check made for another salt: another program saved the store since
};

struct TOpenedStore {
    QByteArray body; // the body's exact bytes; empty for TBodyUse::DocumentOnly
    // The passphrase's bytes that opened the store; saved under these, it
    // stays readable for whatever opened it before.
    QByteArray passPhrase;
    // The file as it was read.
    TStoreStamp stamp;
    TCheck check = TCheck::None;
};
// Like OpenStore, trying each of PassPhraseCandidates in turn; the file is
// only read. When none opens it, raises the EStoreOpenError of the first.
TOpenedStore OpenStoreWithPassPhrase(const QString &path, const QString &passPhrase, TXmlDocument &document,
    TBodyUse use = TBodyUse::KeepBody);

// The outcome of opening a store away from the window: the document and the
// passphrase's bytes that opened it, or why it could not be opened. A failure
// travels as a value, since it crosses from a worker thread to the window.
struct TOpenedEntries {
    TXmlDocument document;
    QByteArray passPhrase;
    TStoreStamp stamp;
    std::optional<QString> failure;
    // The file was read but does not open with the passphrase, or is damaged
    // beyond reading (rather than: it could not be read at all).
    bool unopenable = false;
    // The file holds no entries: it is empty, shorter than its salt or its
    // salt alone (unopenable is set too).
    bool tooShort = false;
    // The file opens with the passphrase, but it is damaged.
    bool damaged = false;
};
// OpenStoreWithPassPhrase, keeping only the document; never raises.
std::shared_ptr<TOpenedEntries> OpenEntries(const QString &path, const QString &passPhrase);

// Writes a plain body, followed by its check, as the store at path under a
// fresh salt, atomically. The body is encrypted in its own buffer, so a body
// handed over with std::move is never copied.
void SaveStore(const QString &path, const QByteArray &passPhrase, QByteArray plain);
// Writes the document and its check as the store at path under a fresh salt,
// atomically. The document is written out, encrypted and stored piece by piece: its plain
// text is never held whole in memory. Returns the stamp of the file written.
TStoreStamp SaveStore(const QString &path, const QByteArray &passPhrase, const TXmlDocument &document);
// The same, with the document's text written by the given function (a
// document being changed meanwhile, through store/DocumentGate.h).
using TTextSource = std::function<void(pugi::xml_writer &writer)>;
TStoreStamp SaveStore(const QString &path, const QByteArray &passPhrase, const TTextSource &writeText);

// "brindo_" + yyyymmdd + ".bak": the legacy file's name after its migration.
QString BackupFileName(const QDate &day);

// Converts the legacy plain file into the store: its bytes, exactly as on
// disk, become the store's body (without a check; the next write adds it).
// Only when the store is complete is the legacy file renamed to backupPath
// (mode 0600). Raises EStoreOpenError when the legacy file is not well-formed
// XML or would not open as a store (nothing is written), and ETamselError
// when a store already exists at storePath or writing fails (the legacy file
// keeps its name). Returns false when backupPath was already taken: that file
// is never replaced, and the legacy file then stays where it is.
bool MigrateLegacyFile(const QString &legacyPath, const QString &storePath, const QString &backupPath,
    const QByteArray &passPhrase);

} // namespace StoreFile
