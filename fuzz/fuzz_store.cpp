// The store reader as the program opens "brindo.dat": read from the file,
// decrypted, parsed and loaded into the entry table, with every entry's texts
// read and a few entries changed. The input is the plain body; it is stored through the program's own
// writer first, since mutated cipher text would only ever decrypt to noise.
// Inputs shorter than a salt are also opened as the file itself.

#include "fuzz/FuzzFolder.h"
#include "platform/Clock.h"
#include "platform/FileSync.h"
#include "store/DayNumber.h"
#include "store/EntryTable.h"
#include "store/StoreFile.h"

#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
const QString passPhrase = QStringLiteral("fuzz");

// Lead-time indexes 0 to 25 as the program's table has them, "Never" first.
std::optional<int> leadMinutes(int lead)
{
    if (lead < 0 || lead > 25)
        return std::nullopt;
    return lead == 0 ? -1 : lead * 60;
}

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_store: %s\n", what);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Written a million times over: the disk need not keep any of them.
    FileSync::SetSync([](int, const QByteArray &) { return 0; });
    Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(1, 2, 3)));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = FuzzFolder() + QStringLiteral("/brindo.dat");
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    if (input.size() < StoreFile::SaltSize) {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(input) == input.size(),
            "the short file could not be written");
        file.close();
        check(StoreFile::OpenEntries(path, passPhrase)->unopenable, "a file shorter than its salt opened");
        return 0;
    }

    StoreFile::SaveStore(path, StoreFile::PassPhraseBytes(passPhrase), input);
    const auto opened = StoreFile::OpenEntries(path, passPhrase);
    if (opened->failure)
        return 0;

    TEntryTable table(opened->document);
    const double now = DayNumber::fromDateTime(Clock::now());
    table.Load(now, leadMinutes);
    for (int i = 0; i < table.count(); ++i) {
        const TEntry *entry = table.at(i);
        (void)entry->title();
        (void)entry->body();
        (void)entry->fileName();
        (void)entry->caption();
    }

    // The changes the windows make, on whatever the document holds; the
    // table must then agree with a table loaded afresh from the document.
    table.setStore([] { return true; });
    for (int i = 0; i < table.count(); ++i) {
        if (table.at(i)->task) {
            table.SetComplete(table.at(i), !table.at(i)->complete, now);
            break;
        }
    }
    if (table.count() > 1)
        table.Delete(table.at(table.count() / 2));
    if (table.count() > 0)
        table.SaveTask(table.at(0), TTaskFields { QStringLiteral("Task\n<b>"), QStringLiteral("Body\r\n&lt;"),
                                        QString(), now + 1, 3, now + 0.5, true },
            now);
    table.SaveNote(nullptr, TNoteFields { QStringLiteral("New note"), QStringLiteral("a > b"), QString() }, now);
    TEntryTable fresh(opened->document);
    fresh.Load(now, leadMinutes);
    check(fresh.count() == table.count(), "the table and the document hold different numbers of entries");
    for (int i = 0; i < table.count(); ++i) {
        const TEntry *kept = table.at(i);
        const TEntry *read = fresh.at(i);
        check(kept->documentIndex == read->documentIndex && kept->element == read->element,
            "an entry's document index went astray");
        check(kept->task == read->task && kept->complete == read->complete && kept->title() == read->title()
                && kept->body() == read->body(),
            "an entry in the table differs from the document");
    }

    // The document is stored as the program stores it after a change, and
    // must open as its own text reads (an empty element written as <a></a>
    // reads back as <a />).
    TXmlDocument expected;
    expected.LoadFromMemory(opened->document.SaveToBytes());
    StoreFile::SaveStore(path, StoreFile::PassPhraseBytes(passPhrase), opened->document);
    const auto reopened = StoreFile::OpenEntries(path, passPhrase);
    check(!reopened->failure, "a stored document does not open again");
    check(reopened->document.SaveToBytes() == expected.SaveToBytes(), "a stored document opens as another document");
    return 0;
}
