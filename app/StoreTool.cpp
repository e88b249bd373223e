#include "app/StoreTool.h"

#include "platform/TerminalPrompt.h"
#include "store/StoreFile.h"
#include "store/StoreLock.h"
#include "store/StoreReKey.h"
#include "store/XmlDocument.h"

#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <optional>

namespace {
const QString usage = QStringLiteral(
    "Usage: tamsel-store COMMAND FILE\n"
    "\n"
    "  decrypt FILE  write the entry document held in the store FILE to standard output\n"
    "  encrypt FILE  read an entry document from standard input and write it as the store FILE\n"
    "  check FILE    tell whether the passphrase opens the store FILE\n"
    "  rekey FILE    encrypt the store FILE anew under a new passphrase\n"
    "\n"
    "The passphrase is taken from the environment variable TAMSEL_PASSPHRASE or,\n"
    "when that is not set, asked for on the terminal without echo. rekey takes the\n"
    "new passphrase from TAMSEL_NEW_PASSPHRASE or asks for it twice. rekey does not\n"
    "touch the desktop's keyring: where Tamsel keeps the old passphrase, Tamsel asks\n"
    "for the new one at its next start.\n"
    "\n"
    "Exit status: 0 done; 1 the store could not be opened with this passphrase (or is\n"
    "damaged beyond reading), or the input is not an entry document; 2 wrong arguments or no\n"
    "passphrase; 3 a file, standard input or standard output could not be used;\n"
    "4 the store is damaged (it has changed since Tamsel wrote it).\n");

// A failure that ends the tool with its status.
struct TToolFailure {
    int status;
    QString message;
};

void printError(const QString &message) { QTextStream(stderr) << "tamsel-store: " << message << '\n'; }

// The passphrase that opens a store, and a new one, asked for alike.
const char *const passPhraseVariable = "TAMSEL_PASSPHRASE";
const char *const newPassPhraseVariable = "TAMSEL_NEW_PASSPHRASE";

// The passphrase from the environment variable or, when it is not set, typed
// on the terminal; a confirmation prompt asks for it a second time.
QString passPhrase(const char *variable, const QString &prompt, const QString &confirmPrompt = {})
{
    const QString variableName = QString::fromLatin1(variable);
    if (qEnvironmentVariableIsSet(variable)) {
        const QString value = qEnvironmentVariable(variable);
        if (value.isEmpty())
            throw TToolFailure { StoreToolExit::Usage, QStringLiteral("%1 is empty.").arg(variableName) };
        return value;
    }
    const std::optional<QString> typed = TerminalPrompt::ReadHidden(prompt);
    if (!typed)
        throw TToolFailure { StoreToolExit::Usage,
            QStringLiteral("No passphrase: set %1 or run on a terminal.").arg(variableName) };
    if (typed->isEmpty())
        throw TToolFailure { StoreToolExit::Usage, QStringLiteral("The passphrase is empty.") };
    // A typing error here would lock the new store for good.
    if (!confirmPrompt.isEmpty() && TerminalPrompt::ReadHidden(confirmPrompt) != typed)
        throw TToolFailure { StoreToolExit::Usage,
            QStringLiteral("The two passphrases differ; nothing was written.") };
    return *typed;
}

QString passPhrase(bool confirm)
{
    return passPhrase(passPhraseVariable, QStringLiteral("Passphrase: "),
        confirm ? QStringLiteral("Confirm passphrase: ") : QString());
}

QString entryCount(const TXmlDocument &document)
{
    int count = 0;
    for (pugi::xml_node child = document.Root().first_child(); child; child = child.next_sibling())
        count += child.type() == pugi::node_element ? 1 : 0;
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
}

// Raises, for the error being handled, the failure that says why the store
// could not be opened (or written).
[[noreturn]] void failOpening(const QString &path)
{
    try {
        throw;
    } catch (const EStoreDamaged &error) {
        throw TToolFailure { StoreToolExit::Damaged, QStringLiteral("%1: damaged. %2").arg(path, error.message()) };
    } catch (const EStoreOpenError &error) {
        throw TToolFailure { StoreToolExit::NotOpened,
            QStringLiteral("%1 could not be opened. %2").arg(path, error.message()) };
    } catch (const ETamselError &error) {
        throw TToolFailure { StoreToolExit::InputOutput, error.message() };
    }
}

// The opened store, once its body has parsed into the document; otherwise a
// failure that says why the store could not be opened.
StoreFile::TOpenedStore openStore(const QString &path, const QString &passPhrase, TXmlDocument &document)
{
    try {
        return StoreFile::OpenStoreWithPassPhrase(path, passPhrase, document);
    } catch (const ETamselError &) {
        failOpening(path);
    }
}

void writeStandardOutput(const QByteArray &bytes)
{
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        || std::fflush(stdout) != 0)
        throw TToolFailure { StoreToolExit::InputOutput,
            QStringLiteral("Standard output could not be written; the document written "
                           "there is incomplete.") };
}

// Standard input up to the size of the largest store, so that an endless
// stream (/dev/zero) is refused instead of filling the memory.
QByteArray readStandardInput()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        throw TToolFailure { StoreToolExit::InputOutput, QStringLiteral("Standard input cannot be read.") };
    QByteArray bytes;
    for (;;) {
        const QByteArray chunk = input.read(1 << 20);
        if (input.error() != QFileDevice::NoError)
            throw TToolFailure { StoreToolExit::InputOutput,
                QStringLiteral("Standard input cannot be read: %1").arg(input.errorString()) };
        if (chunk.isEmpty())
            return bytes;
        if (bytes.size() + chunk.size() > StoreFile::MaxFileSize)
            throw TToolFailure { StoreToolExit::InputOutput,
                QStringLiteral("Standard input holds more than %1 bytes (1 GiB), far more than any "
                               "store holds; nothing was written.")
                    .arg(StoreFile::MaxFileSize) };
        bytes += chunk;
    }
}

// What the program takes as its entries: one root element, "Notes", and
// nothing but comments and processing instructions around it, and no
// instruction after it (there the program keeps its integrity check). The
// parser drops text outside the root, so the plain text is looked at as a
// fragment.
bool isEntryDocument(const QByteArray &plain, const TXmlDocument &document)
{
    if (qstrcmp(document.Root().name(), "Notes") != 0)
        return false;
    pugi::xml_document fragment;
    if (!fragment.load_buffer(plain.constData(), size_t(plain.size()),
            pugi::parse_minimal | pugi::parse_fragment | pugi::parse_pi))
        return false;
    int elements = 0;
    for (pugi::xml_node node = fragment.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element)
            ++elements;
        else if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata
            || (node.type() == pugi::node_pi && elements > 0))
            return false;
    }
    return elements == 1;
}

void decrypt(const QString &path)
{
    TXmlDocument document;
    // Nothing reaches standard output before the whole body has parsed.
    writeStandardOutput(openStore(path, passPhrase(false), document).body);
}

void check(const QString &path)
{
    TXmlDocument document;
    const QString phrase = passPhrase(false);
    const StoreFile::TOpenedStore store = openStore(path, phrase, document);
    if (!isEntryDocument(store.body, document))
        throw TToolFailure { StoreToolExit::NotOpened,
            QStringLiteral("%1 opens with this passphrase, but what it holds is not an entry document "
                           "(one root element \"Notes\", with no text or other element around it).")
                .arg(path) };
    QTextStream(stdout) << path << ": the passphrase opens this store (" << entryCount(document)
                        << (store.passPhrase == StoreFile::PassPhraseBytes(phrase)
                                   ? ""
                                   : "; it is keyed with the passphrase's Windows-1252 bytes, as older "
                                     "versions wrote it")
                        << (store.check == StoreFile::TCheck::OtherWriter
                                   ? "; another program has saved it since Tamsel did, so its integrity "
                                     "check no longer applies: Tamsel writes a new one at its next save"
                                   : "")
                        << ").\n";
}

void encrypt(const QString &path)
{
    const QByteArray plain = readStandardInput();
    TXmlDocument document;
    try {
        document.LoadFromMemory(plain);
    } catch (const EXmlParseError &error) {
        throw TToolFailure { StoreToolExit::NotOpened,
            QStringLiteral("Standard input is not well-formed XML (%1); nothing was written.")
                .arg(StoreFile::ParseFailureReason(error)) };
    }
    if (!isEntryDocument(plain, document))
        throw TToolFailure { StoreToolExit::NotOpened,
            QStringLiteral("Standard input is not an entry document (one root element \"Notes\", with no "
                           "text or other element around it and no processing instruction after it); nothing "
                           "was written.") };
    const QByteArray key = StoreFile::PassPhraseBytes(passPhrase(true));
    try {
        // A copy of Tamsel saving now finishes first; one saving later finds
        // the store replaced and reads it again.
        const TStoreLock lock(path);
        StoreFile::SaveStore(path, key, plain);
    } catch (const ETamselError &error) {
        throw TToolFailure { StoreToolExit::InputOutput, error.message() };
    }
    QTextStream(stdout) << "Wrote the store " << path << " (" << entryCount(document) << ").\n";
}

void rekey(const QString &path)
{
    const QString current = passPhrase(passPhraseVariable, QStringLiteral("Current passphrase: "));
    {
        // A wrong passphrase is told before the new one is asked for.
        TXmlDocument document;
        openStore(path, current, document);
    }
    const QString replacement = passPhrase(newPassPhraseVariable, QStringLiteral("New passphrase: "),
        QStringLiteral("Confirm new passphrase: "));
    if (replacement == current)
        throw TToolFailure { StoreToolExit::Usage,
            QStringLiteral("The new passphrase is the current one; nothing was written.") };
    TXmlDocument document;
    try {
        StoreReKey::ReEncryptStore(path, current, replacement, document);
    } catch (const ETamselError &) {
        failOpening(path);
    }
    QTextStream(stdout) << "Encrypted the store " << path << " under the new passphrase (" << entryCount(document)
                        << "). Where Tamsel keeps the old passphrase, it asks for the new one at its next start.\n";
}
} // namespace

int RunStoreTool(const QStringList &arguments)
{
    if (arguments.size() == 1
        && (arguments[0] == QLatin1String("--help") || arguments[0] == QLatin1String("-h"))) {
        QTextStream(stdout) << usage;
        return StoreToolExit::Success;
    }
    if (arguments.size() != 2) {
        QTextStream(stderr) << usage;
        return StoreToolExit::Usage;
    }
    const QString &command = arguments[0];
    const QString &path = arguments[1];
    try {
        if (command == QLatin1String("decrypt"))
            decrypt(path);
        else if (command == QLatin1String("encrypt"))
            encrypt(path);
        else if (command == QLatin1String("check"))
            check(path);
        else if (command == QLatin1String("rekey"))
            rekey(path);
        else
            throw TToolFailure { StoreToolExit::Usage,
                QStringLiteral("Unknown command \"%1\".\n\n").arg(command) + usage };
        return StoreToolExit::Success;
    } catch (const TToolFailure &failure) {
        printError(failure.message);
        return failure.status;
    } catch (const ETamselError &error) {
        printError(error.message());
        return StoreToolExit::InputOutput;
    }
}
