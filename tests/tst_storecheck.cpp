// The integrity check at the end of a store: every change to a written store
// is refused, a store without a check still opens, a store another program
// encrypted anew opens as one without a check, and readers that walk the
// root's children see the document unchanged.
#include "store/HmacSha256.h"
#include "store/StoreFile.h"
#include "store/XmlDocument.h"
#include "tests/TestFiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

namespace {
const QByteArray passPhrase = "secret";
const QByteArray salt = QByteArray::fromHex("5aa500ff10203040");

// Two entries with a comment and an instruction between them, so that a
// moved index shows.
const QByteArray documentText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<Notes><!-- kept --><Note><Title>First</Title><Complete>0</Complete></Note>"
                                "<?kept here?><Note><Title>Second</Title></Note></Notes>\n";

// The decrypted body of a file exactly as stored, check and all (the cipher
// is its own inverse).
QByteArray rawBody(const QByteArray &file)
{
    return StoreFile::Encrypt(file.mid(StoreFile::SaltSize), passPhrase, file.first(StoreFile::SaltSize))
        .mid(StoreFile::SaltSize);
}

QByteArray checked(const QByteArray &text, const QByteArray &checkPassPhrase = passPhrase,
    const QByteArray &checkSalt = salt)
{
    return text + StoreFile::CheckTail(checkSalt, checkPassPhrase, text);
}

// The check as the previous version wrote it: no salt record.
QByteArray checkedAsBefore(const QByteArray &text, const QByteArray &checkSalt = salt)
{
    return text + StoreFile::CheckInstruction(StoreFile::CheckKey(checkSalt, passPhrase), text);
}

// Another program that writes the store from its documented format alone:
// the key is the SHA-1 digest of the salt and the passphrase, the keystream
// RC4 whose two indexes start again at every 8192 bytes.
QByteArray documentedCipher(const QByteArray &fileSalt, QByteArray body)
{
    const QByteArray key = QCryptographicHash::hash(QByteArray(fileSalt + passPhrase), QCryptographicHash::Sha1);
    unsigned char s[256];
    for (int k = 0; k < 256; ++k)
        s[k] = static_cast<unsigned char>(k);
    for (int k = 0, j = 0; k < 256; ++k) {
        j = (j + s[k] + static_cast<unsigned char>(key[k % key.size()])) % 256;
        std::swap(s[k], s[j]);
    }
    int i = 0, j = 0;
    for (qsizetype n = 0; n < body.size(); ++n) {
        if (n % 8192 == 0)
            i = j = 0;
        i = (i + 1) % 256;
        j = (j + s[i]) % 256;
        std::swap(s[i], s[j]);
        body[n] = char(body[n] ^ s[(s[i] + s[j]) % 256]);
    }
    return body;
}

// That program's DOM keeps every node it does not understand, the check
// after the root included, adds an entry and writes the document in its own
// layout under a new random salt.
QByteArray storeSavedByAnotherProgram(
    const QByteArray &file, unsigned format, const char *indent, const QByteArray &lineEnd)
{
    const QByteArray body = documentedCipher(file.first(StoreFile::SaltSize), file.mid(StoreFile::SaltSize));
    pugi::xml_document dom;
    if (!dom.load_buffer(body.constData(), size_t(body.size()), pugi::parse_full))
        return {};
    pugi::xml_node note = dom.document_element().append_child("Note");
    note.append_child("Title").text().set("Added elsewhere");
    std::ostringstream text;
    dom.save(text, indent, format | pugi::format_no_declaration, pugi::encoding_utf8);
    QByteArray newSalt(StoreFile::SaltSize, Qt::Uninitialized);
    for (char &byte : newSalt)
        byte = char(QRandomGenerator::global()->bounded(256));
    return newSalt + documentedCipher(newSalt, QByteArray::fromStdString(text.str()).replace("\n", lineEnd));
}

// Each child of the root as a reader sees it: its position, kind, name and title.
QStringList rootChildren(const QByteArray &text, unsigned options)
{
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(text.constData(), size_t(text.size()), options);
    if (!result)
        return { QStringLiteral("unreadable: %1").arg(QLatin1String(result.description())) };
    QStringList children;
    int position = 0;
    for (pugi::xml_node child = document.document_element().first_child(); child; child = child.next_sibling())
        children << QStringLiteral("%1 %2 %3 %4")
                        .arg(position++)
                        .arg(int(child.type()))
                        .arg(QString::fromUtf8(child.name()), QString::fromUtf8(child.child_value("Title")));
    return children;
}
} // namespace

class tst_StoreCheck : public QObject
{
    Q_OBJECT

private slots:
    // The check's code is HMAC-SHA-256 (RFC 4231, case 2, and against Qt's
    // own, whole and fed in pieces), under SHA-256 of the label, a zero
    // byte, the salt and the passphrase.
    void checkIsHmacSha256OfTheText()
    {
        THmacSha256 known("Jefe");
        known.addData("what do ya want for nothing?");
        QCOMPARE(known.result().toHex(), QByteArray("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"));

        const QByteArray key = StoreFile::CheckKey(salt, passPhrase);
        QCOMPARE(key, QCryptographicHash::hash(QByteArray(QByteArray("Tamsel store check", 19) + salt + passPhrase),
                          QCryptographicHash::Sha256));
        const QByteArray text = QByteArray(100000, 'x') + documentText;
        THmacSha256 pieces(key);
        for (qsizetype at = 0; at < text.size(); at += 4093)
            pieces.addData(QByteArrayView(text).sliced(at, qMin<qsizetype>(4093, text.size() - at)));
        const QByteArray code = QMessageAuthenticationCode::hash(text, key, QCryptographicHash::Sha256);
        QCOMPARE(pieces.result(), code);
        QCOMPARE(StoreFile::CheckInstruction(key, text), "<?tamsel-check " + code.toHex() + "?>\n");

        // The salt record: the salt and the start of its code under a key of
        // the passphrase alone; the check covers the record too.
        const QByteArray saltKey = QCryptographicHash::hash(
            QByteArray(QByteArray("Tamsel store salt", 18) + passPhrase), QCryptographicHash::Sha256);
        const QByteArray tag = QMessageAuthenticationCode::hash(salt, saltKey, QCryptographicHash::Sha256).first(16);
        QCOMPARE(StoreFile::SaltTag(salt, passPhrase), tag);
        const QByteArray record = "<!--tamsel-check-salt 5aa500ff10203040 " + tag.toHex() + "-->\n";
        QCOMPARE(StoreFile::SaltRecord(salt, passPhrase), record);
        QCOMPARE(StoreFile::CheckTail(salt, passPhrase, text), record + StoreFile::CheckInstruction(key, QByteArray(text + record)));
    }

    // Every single flipped bit of a written store, salt included, keeps it
    // from opening and is told as damage, never as another passphrase or
    // another writer's copy; the document in memory stays as it was.
    void everyFlippedBitIsRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        TXmlDocument document;
        document.LoadFromMemory(documentText);
        StoreFile::SaveStore(path, passPhrase, document);
        const QByteArray file = readFile(path);
        TXmlDocument control;
        StoreFile::OpenStore(path, passPhrase, control);
        QCOMPARE(control.SaveToBytes(), document.SaveToBytes());

        QList<qsizetype> accepted;
        QList<qsizetype> notDamage;
        for (qsizetype bit = 0; bit < file.size() * 8; ++bit) {
            QByteArray flipped = file;
            flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
            writeFile(path, flipped);
            TXmlDocument opened;
            opened.LoadFromMemory("<Notes/>");
            const QByteArray before = opened.SaveToBytes();
            try {
                StoreFile::OpenStore(path, passPhrase, opened);
                accepted << bit;
            } catch (const EStoreDamaged &) {
                QCOMPARE(opened.SaveToBytes(), before);
            } catch (const EStoreOpenError &) {
                notDamage << bit;
                QCOMPARE(opened.SaveToBytes(), before);
            }
        }
        QVERIFY2(accepted.isEmpty(), qPrintable(QStringLiteral("opened with bit %1 of %2 flipped")
                                                    .arg(accepted.value(0))
                                                    .arg(file.size() * 8)));
        QVERIFY2(notDamage.isEmpty(), qPrintable(QStringLiteral("bit %1 of %2 flipped is not told as damage")
                                                     .arg(notDamage.value(0))
                                                     .arg(file.size() * 8)));
    }

    // The check follows the root: every child of the root keeps its position,
    // and a reader that knows nothing of the check loads the store's body and
    // walks its entries as before, with comments and instructions or without.
    void checkLeavesTheDocumentAsReadersSeeIt_data()
    {
        QTest::addColumn<unsigned>("options");
        QTest::newRow("default reader") << unsigned(pugi::parse_default);
        QTest::newRow("reader keeping every node") << unsigned(pugi::parse_full);
    }
    void checkLeavesTheDocumentAsReadersSeeIt()
    {
        QFETCH(unsigned, options);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        TXmlDocument document;
        document.LoadFromMemory(documentText);
        StoreFile::SaveStore(path, passPhrase, document);
        const QByteArray body = rawBody(readFile(path));

        const QByteArray file = readFile(path);
        QVERIFY(body.startsWith(document.SaveToBytes()));
        QCOMPARE(body.sliced(document.SaveToBytes().size()),
            StoreFile::CheckTail(file.first(StoreFile::SaltSize), passPhrase, document.SaveToBytes()));
        const QStringList expected = rootChildren(documentText, options);
        QVERIFY(expected.size() >= 2);
        QCOMPARE(rootChildren(body, options), expected);
    }

    // Bodies as they may be found on disk: without a check they open as
    // before; anything after the root other than a matching check of the
    // text before it is damage.
    void bodiesAfterTheRoot_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("opens");
        const QByteArray text = documentText;
        const QByteArray check = checked(text).sliced(text.size());
        const QByteArray otherSalt(8, 'x');
        const QByteArray otherTail = checked(text, passPhrase, otherSalt).sliced(text.size());
        const QByteArray otherRecord = StoreFile::SaltRecord(otherSalt, passPhrase);
        QTest::newRow("as written") << checked(text) << true;
        QTest::newRow("as the previous version wrote it") << checkedAsBefore(text) << true;
        // The previous version keeps the salt record it does not know as a
        // comment, and checks the document with it.
        QTest::newRow("previous version's check after a salt record it kept")
            << checkedAsBefore(text + StoreFile::SaltRecord(otherSalt, passPhrase)) << true;
        QTest::newRow("no check") << text << true;
        QTest::newRow("no check, comment after the root") << text + "<!-- note -->\n" << true;
        QTest::newRow("entry changed") << QByteArray(checked(text)).replace("<Complete>0", "<Complete>1") << false;
        QTest::newRow("entry changed under the previous version's check")
            << QByteArray(checkedAsBefore(text)).replace("<Complete>0", "<Complete>1") << false;
        QTest::newRow("check of other text") << text + checked(text + " ").sliced(text.size() + 1) << false;
        QTest::newRow("check under another passphrase") << checked(text, "other") << false;
        QTest::newRow("previous version's check under another salt") << checkedAsBefore(text, otherSalt) << false;
        // Encrypted anew under this salt by another program: its check and
        // salt record were made for another.
        QTest::newRow("check made for another salt") << text + otherTail << true;
        QTest::newRow("check made for another salt, white space changed")
            << text + "  " + otherRecord.chopped(1) + "\r\n\t" + otherTail.sliced(otherRecord.size()).chopped(1) + "\r\n"
            << true;
        QTest::newRow("check made for another salt, without line ends")
            << text.chopped(1) + otherRecord.chopped(1) + otherTail.sliced(otherRecord.size()).chopped(1) << true;
        QTest::newRow("check made for another salt under another passphrase")
            << text + checked(text, "other", otherSalt).sliced(text.size()) << false;
        QTest::newRow("salt record of this salt before a check made for another")
            << text + StoreFile::SaltRecord(salt, passPhrase) + otherTail.sliced(otherRecord.size()) << false;
        QTest::newRow("salt record with its tag changed")
            << text + QByteArray(otherTail).replace(39, 4, otherTail.mid(39, 4) == "0000" ? "1111" : "0000") << false;
        QTest::newRow("salt record apart from its check")
            << text + otherRecord + "<!-- between -->" + otherTail.sliced(otherRecord.size()) << false;
        QTest::newRow("check made for another salt, followed by a comment")
            << text + otherTail + "<!-- after -->\n" << false;
        QTest::newRow("check upper case") << text + check.toUpper().replace("<?TAMSEL-CHECK ", "<?tamsel-check ")
                                          << false;
        QTest::newRow("check renamed") << text + QByteArray(check).replace("tamsel-check", "tamsel-chedk") << false;
        QTest::newRow("check without its opening bracket") << text + "=" + check.sliced(1) << false;
        QTest::newRow("check without its line end") << text + check.chopped(1) << false;
        QTest::newRow("check followed by text") << checked(text) + "x" << false;
        QTest::newRow("a second check") << checked(checked(text)) << false;
        QTest::newRow("other instruction after the root") << text + "<?other here?>\n" << false;
        QTest::newRow("text after the root") << text + "stray" << false;
        QTest::newRow("second root") << text + "<Notes/>" << false;
    }
    void bodiesAfterTheRoot()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(path, StoreFile::Encrypt(body, passPhrase, salt));
        TXmlDocument document;
        try {
            StoreFile::OpenStore(path, passPhrase, document);
            QVERIFY2(opens, "a damaged store opened");
            QCOMPARE(rootChildren(document.SaveToBytes(), pugi::parse_full), rootChildren(documentText, pugi::parse_full));
        } catch (const EStoreDamaged &error) {
            QVERIFY2(!opens, qPrintable(error.message()));
            QVERIFY2(error.message().contains(QStringLiteral("damaged")), qPrintable(error.message()));
        }
        const std::shared_ptr<StoreFile::TOpenedEntries> entries
            = StoreFile::OpenEntries(path, QString::fromUtf8(passPhrase));
        QCOMPARE(entries->damaged, !opens);
        QCOMPARE(entries->unopenable, false);
    }

    // Another program that follows the documented format and keeps the nodes
    // it does not understand adds an entry and encrypts the store anew, in
    // its own layout: Tamsel opens both entries, as a store without a check
    // of its own, and its next save checks the store again. A copy Tamsel
    // has saved is checked as its own from then on.
    void storeSavedByAnotherProgramOpens_data()
    {
        QTest::addColumn<unsigned>("format");
        QTest::addColumn<QByteArray>("indent");
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::newRow("raw, no line ends") << unsigned(pugi::format_raw) << QByteArray() << QByteArray("\n");
        QTest::newRow("indented by two spaces") << unsigned(pugi::format_indent) << QByteArray("  ") << QByteArray("\n");
        QTest::newRow("CR LF line ends") << unsigned(pugi::format_indent) << QByteArray("\t") << QByteArray("\r\n");
    }
    void storeSavedByAnotherProgramOpens()
    {
        QFETCH(unsigned, format);
        QFETCH(QByteArray, indent);
        QFETCH(QByteArray, lineEnd);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        TXmlDocument document;
        document.LoadFromMemory("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes><Note><Title>Written by Tamsel</Title>"
                                "</Note></Notes>\n");
        StoreFile::SaveStore(path, passPhrase, document);
        const QByteArray resaved = storeSavedByAnotherProgram(readFile(path), format, indent.constData(), lineEnd);
        QVERIFY(!resaved.isEmpty());
        QVERIFY2(documentedCipher(resaved.first(8), resaved.mid(8)).contains("<?tamsel-check "), "the other program dropped the check");
        writeFile(path, resaved);

        TXmlDocument opened;
        const StoreFile::TOpenedStore store = StoreFile::OpenStoreWithPassPhrase(path, QString::fromUtf8(passPhrase), opened);
        QCOMPARE(store.check, StoreFile::TCheck::OtherWriter);
        QCOMPARE(rootChildren(opened.SaveToBytes(), pugi::parse_default),
            QStringList({ QStringLiteral("0 2 Note Written by Tamsel"), QStringLiteral("1 2 Note Added elsewhere") }));
        // Neither the record nor the check is left in what was opened.
        QVERIFY2(!store.body.contains("tamsel-check"), store.body.constData());
        const std::shared_ptr<StoreFile::TOpenedEntries> entries = StoreFile::OpenEntries(path, QString::fromUtf8(passPhrase));
        QVERIFY2(!entries->failure, qPrintable(entries->failure.value_or(QString())));
        QCOMPARE(entries->document.SaveToBytes(), opened.SaveToBytes());

        StoreFile::SaveStore(path, passPhrase, opened);
        TXmlDocument reopened;
        QCOMPARE(StoreFile::OpenStoreWithPassPhrase(path, QString::fromUtf8(passPhrase), reopened).check,
            StoreFile::TCheck::Matched);
        QCOMPARE(reopened.SaveToBytes(), opened.SaveToBytes());
        QCOMPARE(rawBody(readFile(path)).count("tamsel-check"), 2);
    }

    // A store keyed with the passphrase's older Windows-1252 bytes is
    // reported as damaged too, not as opened with another passphrase.
    void damageUnderTheOldCodePageIsNamed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        const QByteArray oldBytes = "caf\xe9";
        QByteArray body = checked(documentText, oldBytes);
        body.replace("<Complete>0", "<Complete>1");
        writeFile(path, StoreFile::Encrypt(body, oldBytes, salt));
        const std::shared_ptr<StoreFile::TOpenedEntries> entries
            = StoreFile::OpenEntries(path, QStringLiteral("caf\u00e9"));
        QVERIFY(entries->damaged);
        QVERIFY2(entries->failure->contains(QStringLiteral("damaged")), qPrintable(*entries->failure));
    }

    // A store without a check, as older versions and the conversion of the
    // legacy file leave it, gains one at its next save.
    void nextSaveAddsTheCheck()
    {
        QTemporaryDir dir;
        const QString legacy = dir.filePath(QStringLiteral("brindo.xml"));
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(legacy, documentText);
        QVERIFY(StoreFile::MigrateLegacyFile(legacy, path, dir.filePath(QStringLiteral("brindo_20240305.bak")), passPhrase));
        QCOMPARE(rawBody(readFile(path)), documentText);

        TXmlDocument document;
        StoreFile::OpenStore(path, passPhrase, document);
        StoreFile::SaveStore(path, passPhrase, document);
        const QByteArray body = rawBody(readFile(path));
        QVERIFY2(body.contains(QByteArray("</Notes>\n<!--tamsel-check-salt " + readFile(path).first(StoreFile::SaltSize).toHex())),
            body.constData());
        QCOMPARE(StoreFile::Decrypt(readFile(path), passPhrase), document.SaveToBytes());
    }

    // The legacy file is converted only when the store it becomes would open.
    void migrationRefusesWhatWouldOpenDamaged_data()
    {
        QTest::addColumn<QByteArray>("legacyText");
        QTest::newRow("instruction after the root") << documentText + "<?tamsel-check 00?>\n";
        QTest::newRow("text after the root") << documentText + "stray";
    }
    void migrationRefusesWhatWouldOpenDamaged()
    {
        QFETCH(QByteArray, legacyText);
        QTemporaryDir dir;
        const QString legacy = dir.filePath(QStringLiteral("brindo.xml"));
        const QString path = dir.filePath(QStringLiteral("brindo.dat"));
        writeFile(legacy, legacyText);
        QVERIFY_THROWS_EXCEPTION(EStoreDamaged,
            StoreFile::MigrateLegacyFile(legacy, path, dir.filePath(QStringLiteral("brindo_20240305.bak")), passPhrase));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(readFile(legacy), legacyText);
    }
};

QTEST_GUILESS_MAIN(tst_StoreCheck)
#include "tst_storecheck.moc"
