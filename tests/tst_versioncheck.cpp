// Version comparison, the update-information document and the update host's
// addresses: no window, no network.
#include "diagnostics/Exception.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/XmlDocument.h"
#include "tests/TestHome.h"
#include "updates/UpdateServer.h"
#include "updates/VerInfo.h"
#include "updates/VersionCheck.h"

#include <QTest>

class TestVersionCheck : public QObject {
    Q_OBJECT

private slots:
    void programVersionHasFourNumbers()
    {
        // Every other comparison against the program's own version relies on it.
        QVERIFY(!VersionCheck::IsNewer(VersionCheck::ProgramVersion(), VersionCheck::ProgramVersion()));
        QCOMPARE(VersionCheck::ProgramVersion().split(QLatin1Char('.')).size(), 4);
    }

    void isNewer_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("own");
        QTest::addColumn<bool>("newer");
        QTest::newRow("same text") << "3.4.1.20"
                                   << "3.4.1.20" << false;
        QTest::newRow("newer minor") << "3.5.0.0"
                                     << "3.4.9.99" << true;
        QTest::newRow("older build") << "3.4.1.19"
                                     << "3.4.1.20" << false;
        QTest::newRow("same numbers, other form") << "3.4.01.20"
                                                  << "3.4.1.20" << true;
        QTest::newRow("numbers, not text") << "10.0.0.0"
                                           << "9.9.9.9" << true;
        QTest::newRow("older major, newer rest") << "2.9.9.99"
                                                 << "3.0.0.0" << false;
        QTest::newRow("newer build") << "3.4.1.21"
                                     << "3.4.1.20" << true;
        QTest::newRow("newer release") << "3.4.2.0"
                                       << "3.4.1.20" << true;
        QTest::newRow("older release") << "3.4.0.99"
                                       << "3.4.1.20" << false;
    }
    void isNewer()
    {
        QFETCH(QString, listed);
        QFETCH(QString, own);
        QFETCH(bool, newer);
        QCOMPARE(VersionCheck::IsNewer(listed, own), newer);
    }

    void unreadableVersion_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::newRow("three parts") << "3.5.0";
        QTest::newRow("five parts") << "3.5.0.0.1";
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "3.5.0.beta";
        QTest::newRow("empty part") << "3..0.1";
        QTest::newRow("sign") << "3.5.-1.0";
        QTest::newRow("blank inside") << "3.5. 1.0";
    }
    void unreadableVersion()
    {
        QFETCH(QString, listed);
        QVERIFY_THROWS_EXCEPTION(ETamselError, VersionCheck::IsNewer(listed, QStringLiteral("3.4.1.20")));
    }

    void readVerInfo_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("expected"); // CurrVersion, Date, FileName, Size
        QTest::newRow("complete, other products ignored")
            << QByteArray("<VerInfo><Brindle><CurrVersion>9.9.9.9</CurrVersion></Brindle>"
                          "<Tamsel><CurrVersion> 3.5.0.2 </CurrVersion><Date>45000</Date>"
                          "<FileName> tamsel-3.5.0.2.exe </FileName><Size> 1.2 MB </Size></Tamsel></VerInfo>")
            << QStringList { "3.5.0.2", "45000", "tamsel-3.5.0.2.exe", " 1.2 MB " };
        QTest::newRow("no Tamsel element") << QByteArray(
            "<VerInfo><Brindle><CurrVersion>9.9.9.9</CurrVersion><FileName>b.exe</FileName>"
            "</Brindle></VerInfo>") << QStringList { "", "", "", "" };
        QTest::newRow("children missing")
            << QByteArray("<VerInfo><Tamsel><CurrVersion>3.5.0.2</CurrVersion></Tamsel></VerInfo>")
            << QStringList { "3.5.0.2", "", "", "" };
        QTest::newRow("Tamsel nested deeper is not the product") << QByteArray(
            "<VerInfo><Other><Tamsel><CurrVersion>9.0.0.0</CurrVersion></Tamsel></Other></VerInfo>")
                                                                 << QStringList { "", "", "", "" };
    }
    void readVerInfo()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, expected);
        TXmlDocument document;
        document.LoadFromMemory(xml);
        const TXMLTamselType tamsel = TXMLVerInfoType::Tamsel(document);
        QCOMPARE((QStringList { tamsel.CurrVersion, tamsel.Date, tamsel.FileName, tamsel.Size }), expected);
    }

    void otherDocumentIsRefused()
    {
        TXmlDocument document;
        document.LoadFromMemory(
            "<html><body><Tamsel><CurrVersion>9.0.0.0</CurrVersion></Tamsel></body></html>");
        QVERIFY_THROWS_EXCEPTION(ETamselError, TXMLVerInfoType::Tamsel(document));
    }

    void dateText()
    {
        TXMLTamselType tamsel;
        tamsel.Date = QStringLiteral("45000");
        QCOMPARE(tamsel.DateText(), QLocale::system().toString(QDate(2023, 3, 15), QLocale::ShortFormat));
        tamsel.Date = QStringLiteral("soon");
        QCOMPARE(tamsel.DateText(), QString());
    }

    void installerName_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "tamsel-setup.exe" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("up a folder") << "../../.bashrc" << false;
        QTest::newRow("absolute") << "/etc/passwd" << false;
        QTest::newRow("windows folder") << "..\\setup.exe" << false;
        QTest::newRow("dots") << ".." << false;
    }
    void installerName()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, accepted);
        TXMLTamselType tamsel;
        tamsel.FileName = fileName;
        if (accepted)
            QCOMPARE(tamsel.InstallerName(), fileName);
        else
            QVERIFY_THROWS_EXCEPTION(ETamselError, tamsel.InstallerName());
    }

    void hostSetting()
    {
        TestHome home;
        QCOMPARE(TUpdateServer::ConfiguredHost(), QString::fromLatin1(TUpdateServer::makersHost));
        const TUpdateServer makers;
        QCOMPARE(makers.VersionInfoUrl().toString(),
            QStringLiteral("http://tamsel.example.org/products/verinfo.xml"));
        QCOMPARE(makers.InstallerUrl(QStringLiteral("setup.exe")).toString(),
            QStringLiteral("http://tamsel.example.org/downloads/setup.exe"));
        QCOMPARE(makers.ProductPageUrl().toString(),
            QStringLiteral("http://tamsel.example.org/products/tamsel.htm"));

        TRegistry registry;
        registry.OpenKey(RegistryKeys::settings(), true);
        registry.WriteString(QStringLiteral("UpdateHost"), QStringLiteral("127.0.0.1:8123"));
        QCOMPARE(TUpdateServer::ConfiguredHost(), QStringLiteral("127.0.0.1:8123"));
        QCOMPARE(TUpdateServer().VersionInfoUrl().toString(),
            QStringLiteral("http://127.0.0.1:8123/products/verinfo.xml"));
        // A name with blanks in it is sent encoded, never as a broken request line.
        QCOMPARE(TUpdateServer().InstallerUrl(QStringLiteral("tamsel setup.exe")).toEncoded(),
            QByteArray("http://127.0.0.1:8123/downloads/tamsel%20setup.exe"));
    }
};

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
