// The readers of dates in the entry document: day-number texts in either
// decimal separator, legacy date-and-time texts, the creation-date repair of
// an entry, and day numbers of any value. The first byte picks the locale
// (their separators and date formats differ), the rest is the stored text;
// its first eight bytes are also taken as a day number itself.

#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/EntryDocument.h"
#include "store/LocaleFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_daynumber: %s\n", what);
        std::abort();
    }
}

// A day number the program accepts is written and read back as one.
void useDayNumber(double dayNumber)
{
    (void)DayNumber::toDateTime(dayNumber);
    (void)DayNumber::displayText(dayNumber);
    (void)DayNumber::addMinutes(dayNumber, 20160);
    const QString text = DayNumber::text(dayNumber);
    if (DayNumber::toDateTime(dayNumber).isValid())
        check(DayNumber::parse(text).has_value(), "the text of a valid day number does not read back");
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(1, 2, 3)));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const TLocaleFormat formats[] = {
        TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)),
        TLocaleFormat::fromLocale(QLocale(QLocale::German, QLocale::Germany)),
        TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedKingdom)),
        TLocaleFormat::fromLocale(QLocale(QLocale::French, QLocale::France)),
    };
    if (size == 0)
        return 0;
    SetLocaleFormat(formats[data[0] % std::size(formats)]);
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const QString text = QString::fromUtf8(bytes);

    if (bytes.size() >= qsizetype(sizeof(double))) {
        double raw = 0;
        std::memcpy(&raw, bytes.constData(), sizeof raw);
        useDayNumber(raw);
    }
    if (const auto value = DayNumber::parse(text))
        useDayNumber(*value);
    if (const auto value = DayNumber::parseEitherSeparator(text))
        useDayNumber(*value);
    if (const auto moment = DayNumber::parseLocaleDateTime(text))
        useDayNumber(DayNumber::fromDateTime(*moment));

    // An entry whose creation date is the text: read, and repaired when it
    // is a legacy or unreadable one.
    pugi::xml_document document;
    pugi::xml_node entry = document.append_child("Note");
    entry.append_child("DateTime").text().set(bytes.constData());
    bool repaired = false;
    try {
        const QString display = EntryDocument::ReadNoteDate(entry, Clock::now(), &repaired);
        check(!display.isEmpty(), "a creation date read has no display text");
    } catch (const ETamselError &) {
        check(!entry.child("DateTime").child_value()[0], "a creation date with text was refused");
        return 0;
    }
    if (repaired)
        check(DayNumber::parse(QString::fromUtf8(entry.child("DateTime").child_value())).has_value(),
            "a repaired creation date does not read");
    return 0;
}
