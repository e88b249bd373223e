// The passphrase scrambler and the registry value "PassKey".
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/PassKey.h"
#include "store/StoreFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray allBytes()
{
    QByteArray bytes(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        bytes[b] = char(b);
    return bytes;
}
} // namespace

class tst_PassKey : public QObject {
    Q_OBJECT

private slots:
    void parametersKeepTheRunningKeyIn16Bits()
    {
        QVERIFY(PassKeyParametersValid(PassKeyParameters));
        QVERIFY(PassKeyParametersValid({ 0, 257, 0 }));
        QVERIFY(PassKeyParametersValid({ 0, 256, 255 }));
        QVERIFY(!PassKeyParametersValid({ 0, 256, 256 }));
        QVERIFY(!PassKeyParametersValid({ 0, 258, 0 }));
        QVERIFY_THROWS_EXCEPTION(ETamselError, EncodePassKey("x", TPassKeyParameters { 0, 258, 0 }));
    }

    // Values from a separate implementation of the rule (seed 47073, × 251,
    // + 1481): the clear byte feeds the next running key in both directions,
    // so a scrambler that feeds the scrambled byte still round-trips but
    // fails here.
    void knownScrambledForms_data()
    {
        QTest::addColumn<QByteArray>("clear");
        QTest::addColumn<QByteArray>("scrambled");
        QTest::newRow("secret") << QByteArray("secret") << QByteArray::fromHex("c43dee0fbf86");
        QTest::newRow("zeros and 255") << QByteArray::fromHex("000000ff") << QByteArray::fromHex("b7e26729");
        QTest::newRow("gives a zero byte") << QByteArray("}ab") << QByteArray::fromHex("ca003a");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void knownScrambledForms()
    {
        QFETCH(QByteArray, clear);
        QFETCH(QByteArray, scrambled);
        QCOMPARE(EncodePassKey(clear).toHex(), scrambled.toHex());
        QCOMPARE(DecodePassKey(scrambled), clear);
    }

    void everyByteRoundTrips_data()
    {
        QTest::addColumn<QByteArray>("clear");
        QTest::newRow("0 to 255") << allBytes();
        QByteArray reversed = allBytes();
        std::reverse(reversed.begin(), reversed.end());
        QTest::newRow("255 to 0") << reversed;
        for (int b = 0; b < 256; ++b)
            QTest::addRow("single byte %d", b) << QByteArray(1, char(b));
        QTest::newRow("runs of zeros") << QByteArray(40, '\0');
        QByteArray noise(1000, Qt::Uninitialized);
        QRandomGenerator generator(2024);
        for (char &byte : noise)
            byte = char(generator.bounded(256));
        QTest::newRow("noise") << noise;
    }
    void everyByteRoundTrips()
    {
        QFETCH(QByteArray, clear);
        const QByteArray scrambled = EncodePassKey(clear);
        QCOMPARE(scrambled.size(), clear.size());
        QCOMPARE(DecodePassKey(scrambled), clear);
    }

    void byteRoutineRefusesUnequalLengths()
    {
        const uchar input[3] = { 1, 2, 3 };
        uchar output[4] = { 9, 9, 9, 9 };
        QVERIFY(!ScramblePassKey(input, 3, output, 4, TScrambleDirection::Forwards));
        QCOMPARE(output[0], uchar(9));
        QVERIFY(ScramblePassKey(input, 3, output, 3, TScrambleDirection::Forwards));
    }

    // Stored as binary, the scrambled form survives with its zero bytes.
    void storedFormKeepsZeroBytes()
    {
        QTemporaryDir dir;
        TRegistry registry(dir.filePath(QStringLiteral("registry.json")));
        QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
        const QByteArray scrambled = EncodePassKey("}ab");
        QVERIFY(scrambled.contains('\0'));
        PassKey::Write(registry, scrambled);

        TRegistry reread(dir.filePath(QStringLiteral("registry.json")));
        QVERIFY(reread.OpenKey(RegistryKeys::program(), false));
        QCOMPARE(PassKey::Read(reread), std::optional<QByteArray>(scrambled));
        QCOMPARE(DecodePassKey(*PassKey::Read(reread)), QByteArray("}ab"));
        QCOMPARE(QFile::permissions(dir.filePath(QStringLiteral("registry.json")))
                & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
            QFile::Permissions());
    }

    void storedValues_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<std::optional<QByteArray>>("expected");
        const QByteArray scrambled = EncodePassKey("Correct Horse");
        QTest::newRow("missing") << QString() << QByteArray() << std::optional<QByteArray>();
        QTest::newRow("binary") << QStringLiteral("binary") << scrambled
                                << std::optional<QByteArray>(scrambled);
        QTest::newRow("empty binary")
            << QStringLiteral("binary") << QByteArray() << std::optional<QByteArray>();
        // Binary blanks are a scrambled form like any other.
        QTest::newRow("binary of blanks")
            << QStringLiteral("binary") << QByteArray("  \t") << std::optional<QByteArray>("  \t");
        QTest::newRow("text") << QStringLiteral("string") << scrambled
                              << std::optional<QByteArray>(scrambled);
        QTest::newRow("blank text") << QStringLiteral("string") << QByteArray(" \t \r\n ")
                                    << std::optional<QByteArray>();
        QTest::newRow("empty text") << QStringLiteral("string") << QByteArray()
                                    << std::optional<QByteArray>();
        QTest::newRow("text padded with blanks is read untrimmed")
            << QStringLiteral("string") << QByteArray(" \xe9x ") << std::optional<QByteArray>(" \xe9x ");
    }
    void storedValues()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, value);
        QFETCH(std::optional<QByteArray>, expected);
        QTemporaryDir dir;
        TRegistry registry(dir.filePath(QStringLiteral("registry.json")));
        QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
        if (type == QLatin1String("binary"))
            registry.WriteBinaryData(PassKey::ValueName, value);
        else if (type == QLatin1String("string"))
            registry.WriteString(PassKey::ValueName, QString::fromLatin1(value));
        QCOMPARE(PassKey::Read(registry), expected);
    }

    void valueOfAnotherTypeIsAReadFailure()
    {
        QTemporaryDir dir;
        TRegistry registry(dir.filePath(QStringLiteral("registry.json")));
        QVERIFY(registry.OpenKey(RegistryKeys::program(), true));
        registry.WriteInteger(PassKey::ValueName, 7);
        QVERIFY_THROWS_EXCEPTION(ETamselError, PassKey::Read(registry));
    }

    void passPhraseTextRoundTrip()
    {
        const QString passPhrase = QStringLiteral("Gr\u00fc\u00dfe \u2603 }ab");
        const QByteArray scrambled = EncodePassKey(StoreFile::PassPhraseBytes(passPhrase));
        QCOMPARE(StoreFile::PassPhraseFromBytes(DecodePassKey(scrambled)), passPhrase);
    }
};

QTEST_GUILESS_MAIN(tst_PassKey)
#include "tst_passkey.moc"
