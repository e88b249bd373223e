#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/EntryDocument.h"
#include "store/LocaleFormat.h"

#include <QTest>

namespace {
TXmlDocument parse(const char *xml)
{
    TXmlDocument document;
    document.LoadFromMemory(QByteArray(xml));
    return document;
}
} // namespace

class tst_EntryDocument : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::German, QLocale::Germany)));
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(10, 30)));
    }
    void cleanup() { Clock::clearFixed(); }

    void bodyTextForm()
    {
        const QString body = QStringLiteral("a<b\nc");
        QCOMPARE(EntryDocument::BodyToStored(body), QStringLiteral("a&lt;b^Mc"));
        QCOMPARE(EntryDocument::BodyFromStored(QStringLiteral("a&lt;b^Mc")), body);

        // The document escapes the ampersand once more in the file.
        TXmlDocument document = parse("<Notes><Note/></Notes>");
        TXmlDocument::WriteChildValue(document.Root().first_child(), "Text", EntryDocument::BodyToStored(body));
        QVERIFY(document.SaveToBytes().contains("<Text>a&amp;lt;b^Mc</Text>"));
    }

    void readingTextForms_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("title");
        QTest::newRow("literal &lt;") << "x &lt; y" << "x < y" << "x &lt; y";
        QTest::newRow("capital entity") << "&LT;&Gt;" << "<>" << "&LT;&Gt;";
        QTest::newRow("small marker") << "one^mtwo" << "one\ntwo" << "one\ntwo";
        QTest::newRow("ampersand untouched") << "Tom & Jerry" << "Tom & Jerry" << "Tom & Jerry";
        QTest::newRow("marks at the end") << "end^" << "end^" << "end^";
        QTest::newRow("broken entities") << "a &lt b &g" << "a &lt b &g" << "a &lt b &g";
        QTest::newRow("doubled marks") << "^^M&&gt;x" << "^\n&>x" << "^\n&&gt;x";
        QTest::newRow("only entities") << "&lt;&gt;" << "<>" << "&lt;&gt;";
    }
    void readingTextForms()
    {
        QFETCH(QString, stored);
        QFETCH(QString, body);
        QFETCH(QString, title);
        QCOMPARE(EntryDocument::BodyFromStored(stored), body);
        QCOMPARE(EntryDocument::TitleFromStored(stored), title);
    }

    void titleKeepsBrackets()
    {
        QCOMPARE(EntryDocument::TitleToStored(QStringLiteral("a<b\r\nc")), QStringLiteral("a<b^Mc"));
    }

    void kind_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("task");
        QTest::newRow("N") << QByteArray("<Note><NoteType>N</NoteType></Note>") << false;
        QTest::newRow("T") << QByteArray("<Note><NoteType>T</NoteType></Note>") << true;
        QTest::newRow("small n is a task") << QByteArray("<Note><NoteType>n</NoteType></Note>") << true;
        QTest::newRow("missing is a note") << QByteArray("<Note/>") << false;
        QTest::newRow("empty is a note") << QByteArray("<Note><NoteType/></Note>") << false;
        QTest::newRow("first of a name counts")
            << QByteArray("<Note><NoteType>N</NoteType><NoteType>T</NoteType></Note>") << false;
    }
    void kind()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, task);
        TXmlDocument document;
        document.LoadFromMemory(xml);
        QCOMPARE(TEntryFields(document.Root()).isTask(), task);
    }

    void defaultDocument()
    {
        const QDateTime now = Clock::now();
        const QByteArray text = EntryDocument::DefaultDocumentText(now);
        const QString stamp = DayNumber::text(DayNumber::fromDateTime(now));
        QVERIFY(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Notes>\r\n   <Note>\r\n"
                                "      <Title>Welcome to Tamsel!</Title>\r\n"));
        QVERIFY(text.contains(("      <DateTime>" + stamp + "</DateTime>\r\n").toUtf8()));
        QVERIFY(text.contains(("      <LastModified>" + stamp + "</LastModified>\r\n").toUtf8()));
        QVERIFY(text.endsWith("      <FileName></FileName>\r\n   </Note>\r\n</Notes>\r\n"));
        QCOMPARE(text.count("\r\n"), 11);

        TXmlDocument document;
        document.LoadFromMemory(text);
        QCOMPARE(TXmlDocument::ChildCount(document.Root()), 1);
        QVERIFY(TXmlDocument::ReadChildValue(document.Root().first_child(), "Text")->startsWith(
            QLatin1String("Please see the Help file")));
    }

    void noteDate_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("repaired");
        QTest::addColumn<QDateTime>("moment");
        const QDateTime legacy(QDate(2006, 4, 6), QTime(14, 46, 32));
        QTest::newRow("day number") << "38813,6156481481" << false << legacy;
        QTest::newRow("other separator") << "38813.6156481481" << false << legacy;
        QTest::newRow("legacy date text") << "06.04.2006 14:46:32" << true << legacy;
        QTest::newRow("unreadable becomes now") << "last Tuesday" << true << QDateTime(QDate(2026, 12, 9), QTime(10, 30));
        QTest::newRow("legacy date before year one becomes now")
            << "06.04.-0732" << true << QDateTime(QDate(2026, 12, 9), QTime(10, 30));
    }
    void noteDate()
    {
        QFETCH(QString, stored);
        QFETCH(bool, repaired);
        QFETCH(QDateTime, moment);
        TXmlDocument document = parse("<Notes><Note><Title>t</Title></Note></Notes>");
        const pugi::xml_node entry = document.Root().first_child();
        TXmlDocument::WriteChildValue(entry, "DateTime", stored);

        bool wasRepaired = false;
        const QString display = EntryDocument::ReadNoteDate(entry, Clock::now(), &wasRepaired);
        QCOMPARE(wasRepaired, repaired);
        QCOMPARE(display, DayNumber::displayText(DayNumber::fromDateTime(moment)));
        const QString after = *TXmlDocument::ReadChildValue(entry, "DateTime");
        if (repaired)
            QCOMPARE(after, DayNumber::text(DayNumber::fromDateTime(moment)));
        else
            QCOMPARE(after, stored); // alignment never rewrites the document
    }

    void noteDateWithoutText()
    {
        TXmlDocument document = parse("<Notes><Note><DateTime/></Note></Notes>");
        bool repaired = false;
        QVERIFY_THROWS_EXCEPTION(ETamselError,
                                 EntryDocument::ReadNoteDate(document.Root().first_child(), Clock::now(), &repaired));
    }

    void parseErrorMessage()
    {
        TXmlDocument document;
        try {
            document.LoadFromMemory("<?xml version=\"1.0\"?>\n<Notes>\n  <Note><Title>unclosed and quite a long line of text here</Note>\n</Notes>");
            QFAIL("a document that is not well-formed was accepted");
        } catch (const EXmlParseError &error) {
            const QStringList parts = error.message().split(QStringLiteral("\r\n"));
            QCOMPARE(parts.size(), 3);
            QVERIFY(!parts.at(0).isEmpty());
            QCOMPARE(parts.at(1), QStringLiteral("Line: 3"));
            QCOMPARE(parts.at(2), QStringLiteral("  <Note><Title>unclosed and quite a long"));
        }
    }

    void fieldsByName()
    {
        TXmlDocument document = parse("<Notes><Note><Title>first</Title><Title>second</Title></Note></Notes>");
        const pugi::xml_node entry = document.Root().first_child();
        QCOMPARE(*TXmlDocument::ReadChildValue(entry, "Title"), QStringLiteral("first"));
        TXmlDocument::WriteChildValue(entry, "Title", QStringLiteral("changed"));
        TXmlDocument::WriteChildValue(entry, "Deadline", QStringLiteral("1"));
        QCOMPARE(document.SaveToBytes().contains("<Title>changed</Title>"), true);
        QCOMPARE(QString::fromUtf8(entry.last_child().name()), QStringLiteral("Deadline"));
        QVERIFY(!TXmlDocument::ReadChildValue(entry, "Missing"));
    }
};

QTEST_GUILESS_MAIN(tst_EntryDocument)
#include "tst_entrydocument.moc"
