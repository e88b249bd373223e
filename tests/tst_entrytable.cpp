// The entry table: reading the document's fields and changing entries, each
// change followed by one store whose outcome the caller learns.
#include "reminders/LeadTimes.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"
#include "store/LocaleFormat.h"

#include <QSignalSpy>
#include <QTest>

namespace {
QByteArray document(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes>" + body + "</Notes>";
}

QString field(const TEntry *entry, const char *name) { return QString::fromUtf8(entry->element.child(name).child_value()); }

// A table over a document, with a store that counts its calls and fails on request.
struct Fixture {
    TXmlDocument xml;
    TEntryTable table{xml};
    int stores = 0;
    bool storeFails = false;

    explicit Fixture(const QByteArray &body)
    {
        xml.LoadFromMemory(document(body));
        table.setStore([this] {
            ++stores;
            return !storeFails;
        });
        table.Load(46000.5, [](int lead) -> std::optional<int> {
            if (lead < 0 || lead >= LeadTimes::Count)
                return std::nullopt;
            return LeadTimes::Table[size_t(lead)].minutes;
        });
    }
};
} // namespace

class tst_EntryTable : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates))); }

    // A store written under one decimal separator reads the same under the
    // other, in every date field, and saving writes the dates back unharmed.
    void everyDateFieldReadsEitherSeparator_data()
    {
        QTest::addColumn<QString>("writtenIn");
        QTest::addColumn<QString>("readIn");
        QTest::newRow("en_US store, de_DE reader") << "en_US" << "de_DE";
        QTest::newRow("de_DE store, en_US reader") << "de_DE" << "en_US";
    }

    void everyDateFieldReadsEitherSeparator()
    {
        QFETCH(QString, writtenIn);
        QFETCH(QString, readIn);
        QLocale writer(writtenIn);
        writer.setNumberOptions(QLocale::OmitGroupSeparator);
        const auto text = [&](double value) { return writer.toString(value, 'g', 15).toUtf8(); };
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(readIn)));
        Fixture f("<Note><Title>t</Title><DateTime>" + text(45000.25) + "</DateTime><LastModified>" + text(45001.5)
                  + "</LastModified><Deadline>" + text(45002.75) + "</Deadline><Complete>1</Complete><DateCompleted>"
                  + text(45003.125) + "</DateCompleted><Reminder>6</Reminder><ReminderDate>" + text(45002.5)
                  + "</ReminderDate><NoteType>T</NoteType></Note>");
        QCOMPARE(f.table.count(), 1);
        const TEntry *entry = f.table.at(0);
        QCOMPARE(entry->created, 45000.25);
        QCOMPARE(entry->modified, std::optional(45001.5));
        QCOMPARE(entry->deadline, std::optional(45002.75));
        QCOMPARE(entry->completed, std::optional(45003.125));
        QCOMPARE(entry->reminderDate, std::optional(45002.5));
        QCOMPARE(f.stores, 0); // reading changes nothing

        // A change of the task leaves its other dates as they were read.
        f.table.SetComplete(f.table.at(0), false, 46000.5);
        QCOMPARE(DayNumber::parseEitherSeparator(field(entry, "Deadline")), std::optional(45002.75));
        QCOMPARE(DayNumber::parseEitherSeparator(field(entry, "ReminderDate")), std::optional(45002.5));
    }

    // Each change stores once and says whether the store was written; a
    // failed store keeps the change in memory until a later store writes it.
    void everyChangeStoresOnceAndReportsTheOutcome()
    {
        Fixture f("<Note><Title>n</Title><DateTime>45000</DateTime><NoteType>N</NoteType></Note>");
        TEntryWrite write = f.table.SaveNote(f.table.at(0), {QStringLiteral("n2"), {}, {}}, 46000);
        QVERIFY(write.stored);
        QCOMPARE(f.stores, 1);

        f.storeFails = true;
        write = f.table.SaveTask(nullptr, {QStringLiteral("t"), {}, {}, 46001, 3, 46000.9, false}, 46000.1);
        QVERIFY(!write.stored);
        QCOMPARE(f.stores, 2);
        QVERIFY(f.table.Unstored());
        QCOMPARE(field(write.entry, "Title"), QStringLiteral("t"));
        QCOMPARE(f.table.count(), 2);

        f.storeFails = false;
        QVERIFY(f.table.Store());
        QVERIFY(!f.table.Unstored());
        QVERIFY(f.table.Delete(f.table.at(0)));
        QCOMPARE(f.stores, 4);
        QVERIFY(f.table.SetComplete(f.table.at(0), true, 46002).stored);
        QCOMPARE(f.stores, 5);
    }

    // Deleting an entry moves every later document index down by one, also
    // past nodes that are not entries.
    void deleteRenumbersLaterEntries()
    {
        Fixture f("<Note><Title>a</Title><DateTime>45000</DateTime></Note><!-- kept -->"
                  "<Note><Title>b</Title><DateTime>45000</DateTime></Note>"
                  "<Note><Title>c</Title><DateTime>45000</DateTime></Note>");
        QCOMPARE(f.table.at(1)->documentIndex, 2);
        QSignalSpy removing(&f.table, &TEntryTable::entryAboutToBeRemoved);
        TEntry *b = f.table.at(1);
        f.table.Delete(b);
        QCOMPARE(removing.count(), 1);
        QCOMPARE(f.table.count(), 2);
        QCOMPARE(f.table.at(1)->documentIndex, 2);
        QCOMPARE(field(f.table.byDocumentIndex(2), "Title"), QStringLiteral("c"));
        QVERIFY(!f.table.byDocumentIndex(3));
        // An entry the table does not hold, even one whose index is taken, is refused.
        TEntry stranger;
        stranger.documentIndex = 2;
        QVERIFY_THROWS_EXCEPTION(ETamselError, f.table.Delete(&stranger));
        QCOMPARE(f.table.count(), 2);
    }

    // A task saved complete keeps the time it was first completed; unticked,
    // the time goes.
    void completionTimeIsKept()
    {
        Fixture f("<Note><Title>t</Title><DateTime>45000</DateTime><NoteType>T</NoteType><Complete>0</Complete>"
                  "<Reminder>0</Reminder><Deadline>45001</Deadline></Note>");
        TTaskFields fields{QStringLiteral("t"), {}, {}, 45001, 0, 45001, true};
        f.table.SaveTask(f.table.at(0), fields, 46000.25);
        f.table.SaveTask(f.table.at(0), fields, 46001.75);
        QCOMPARE(f.table.at(0)->completed, std::optional(46000.25));
        QCOMPARE(field(f.table.at(0), "DateCompleted"), DayNumber::text(46000.25));
        fields.complete = false;
        f.table.SaveTask(f.table.at(0), fields, 46002);
        QCOMPARE(f.table.at(0)->completed, std::nullopt);
        QCOMPARE(field(f.table.at(0), "DateCompleted"), QString());
    }
};

QTEST_GUILESS_MAIN(tst_EntryTable)
#include "tst_entrytable.moc"
