#include "bench/StoreGenerator.h"

#include "store/DayNumber.h"
#include "store/EntryDocument.h"
#include "store/XmlDocument.h"

#include <QString>
#include <random>

namespace {
const QString alphabet = QStringLiteral(
    "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789 äöüßéèêçñøåÆŒ <> & .,;:!? ");

QString randomText(std::mt19937 &random, int length, bool lineBreaks)
{
    std::uniform_int_distribution<int> pick(0, int(alphabet.size()) - 1);
    std::uniform_int_distribution<int> breakChance(0, 60);
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i) {
        if (lineBreaks && breakChance(random) == 0)
            text += QLatin1Char('\n');
        else
            text += alphabet.at(pick(random));
    }
    return text;
}
} // namespace

QByteArray StoreGenerator::document(int entries)
{
    std::mt19937 random(20261209u + unsigned(entries));
    std::uniform_int_distribution<int> titleLength(20, 80);
    std::uniform_int_distribution<int> bodyLength(0, 1000);
    std::uniform_real_distribution<double> day(43000.0, 47000.0);
    std::uniform_int_distribution<int> lead(0, 25);
    std::uniform_int_distribution<int> tenth(0, 9);

    TXmlDocument document;
    document.LoadFromMemory("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes/>");
    pugi::xml_node root = document.Root();
    for (int i = 0; i < entries; ++i) {
        pugi::xml_node entry = root.append_child("Note");
        const bool task = i % 2 == 1;
        const double created = day(random);
        TXmlDocument::WriteChildValue(entry, "Title",
                                      EntryDocument::TitleToStored(randomText(random, titleLength(random), false)));
        TXmlDocument::WriteChildValue(entry, "Text",
                                      EntryDocument::BodyToStored(randomText(random, bodyLength(random), true)));
        TXmlDocument::WriteChildValue(entry, "DateTime", DayNumber::text(created));
        TXmlDocument::WriteChildValue(entry, "LastModified", DayNumber::text(created + 1.5));
        if (task) {
            const double deadline = created + 10.25;
            const bool complete = tenth(random) < 3;
            TXmlDocument::WriteChildValue(entry, "Deadline", DayNumber::text(deadline));
            TXmlDocument::WriteChildValue(entry, "Complete", complete ? QStringLiteral("1") : QStringLiteral("0"));
            TXmlDocument::WriteChildValue(entry, "DateCompleted", complete ? DayNumber::text(deadline - 1) : QString());
            TXmlDocument::WriteChildValue(entry, "Reminder", QString::number(lead(random)));
            TXmlDocument::WriteChildValue(entry, "ReminderDate", DayNumber::text(deadline - 0.5));
        }
        TXmlDocument::WriteChildValue(entry, "NoteType", task ? QStringLiteral("T") : QStringLiteral("N"));
        if (tenth(random) == 0)
            TXmlDocument::WriteChildValue(entry, "FileName",
                                          QStringLiteral("/home/user/Documents/attachment-%1.pdf").arg(i));
    }
    return document.SaveToBytes();
}

QByteArray StoreGenerator::oneNote(int titleLength, int bodyLength, BodyLines lines)
{
    std::mt19937 random(20261211u);
    TXmlDocument document;
    document.LoadFromMemory("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes/>");
    pugi::xml_node entry = document.Root().append_child("Note");
    TXmlDocument::WriteChildValue(entry, "Title",
                                  EntryDocument::TitleToStored(randomText(random, titleLength, false)));
    TXmlDocument::WriteChildValue(entry, "Text", EntryDocument::BodyToStored(randomText(random, bodyLength, lines == BodyLines::Broken)));
    TXmlDocument::WriteChildValue(entry, "DateTime", DayNumber::text(45000.5));
    TXmlDocument::WriteChildValue(entry, "LastModified", DayNumber::text(45001.0));
    TXmlDocument::WriteChildValue(entry, "NoteType", QStringLiteral("N"));
    return document.SaveToBytes();
}
