#include "store/DayNumber.h"
#include "store/LocaleFormat.h"
#include "platform/Clock.h"

#include <QTest>

#include <cmath>
#include <limits>

class tst_DayNumber : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    }
    void cleanup() { Clock::clearFixed(); }

    void conversion_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<double>("dayNumber");
        QTest::newRow("epoch") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
        QTest::newRow("six in the morning") << QDateTime(QDate(1899, 12, 30), QTime(6, 0)) << 0.25;
        QTest::newRow("2006") << QDateTime(QDate(2006, 4, 6), QTime(14, 46, 32)) << 38813.6156481481;
        QTest::newRow("leap day") << QDateTime(QDate(2024, 2, 29), QTime(12, 0)) << 45351.5;
    }
    void conversion()
    {
        QFETCH(QDateTime, moment);
        QFETCH(double, dayNumber);
        QVERIFY(qAbs(DayNumber::fromDateTime(moment) - dayNumber) < 1e-9);
        QCOMPARE(DayNumber::toDateTime(dayNumber), moment);
    }

    void text_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("fraction") << english << 38814.6156499884 << "38814.6156499884";
        QTest::newRow("whole day, no separator") << english << 45351.0 << "45351";
        QTest::newRow("no trailing zeros") << english << 45351.5 << "45351.5";
        QTest::newRow("comma locale") << german << 38814.6156499884 << "38814,6156499884";
        QTest::newRow("fifteen digits") << english << 1.0 / 3.0 << "0.333333333333333";
    }
    void text()
    {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, text);
        SetLocaleFormat(TLocaleFormat::fromLocale(locale));
        QCOMPARE(DayNumber::text(value), text);
        QCOMPARE(DayNumber::parse(text).value_or(-1), value == 1.0 / 3.0 ? 0.333333333333333 : value);
    }

    void parseRejects_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("empty") << english << "";
        QTest::newRow("word") << english << "yesterday";
        QTest::newRow("other separator") << english << "38814,5";
        QTest::newRow("dot in comma locale") << german << "38814.5";
        QTest::newRow("thousands") << english << "38,814.5";
        QTest::newRow("date text") << german << "06.04.2006 14:46:32";
    }
    void parseRejects()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        SetLocaleFormat(TLocaleFormat::fromLocale(locale));
        QVERIFY(!DayNumber::parse(text));
    }

    // A number written under the other locale is still a number; a legacy date
    // text is never mistaken for one.
    void eitherSeparator_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("value");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale swiss(QLocale::German, QLocale::Switzerland); // "." with "’" grouping
        QTest::newRow("comma under dot locale") << english << "38814,25" << true << 38814.25;
        QTest::newRow("dot under comma locale") << german << "38814.25" << true << 38814.25;
        QTest::newRow("US-written under German") << german << "45000.75" << true << 45000.75;
        QTest::newRow("German-written under Swiss") << swiss << "45000,75" << true << 45000.75;
        QTest::newRow("own separator") << german << "38814,25" << true << 38814.25;
        QTest::newRow("whole day") << german << "45000" << true << 45000.0;
        // Days before 1899-12-30 are negative.
        QTest::newRow("negative, other separator") << german << "-1.25" << true << -1.25;
        QTest::newRow("negative, own separator") << english << "-693592.5" << true << -693592.5;
        QTest::newRow("negative comma under dot locale") << english << "-36522,75" << true << -36522.75;
        // General format writes an exponent within a second of the epoch.
        QTest::newRow("exponent, other separator") << english << "1,5e-05" << true << 1.5e-05;
        QTest::newRow("blanks around") << german << " 45000.75 " << true << 45000.75;
        QTest::newRow("legacy date text") << german << "06.04.2006 14:46:32" << false << 0.0;
        QTest::newRow("legacy US date text") << english << "4/6/2006 2:46:32 PM" << false << 0.0;
        QTest::newRow("date only") << german << "06.04.2006" << false << 0.0;
        QTest::newRow("two separators") << english << "1,2,3" << false << 0.0;
        QTest::newRow("both separators") << english << "45,000.75" << false << 0.0;
        QTest::newRow("separator alone") << german << "." << false << 0.0;
        QTest::newRow("sign alone") << german << "-" << false << 0.0;
        QTest::newRow("beyond year 9999") << german << "2958466.5" << false << 0.0;
        QTest::newRow("before year 1") << english << "-693593,5" << false << 0.0;
    }
    void eitherSeparator()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(double, value);
        SetLocaleFormat(TLocaleFormat::fromLocale(locale));
        const auto parsed = DayNumber::parseEitherSeparator(text);
        QCOMPARE(bool(parsed), accepted);
        if (accepted)
            QCOMPARE(*parsed, value);
    }

    // Numbers beyond the calendar are unreadable dates: no value when parsed,
    // no text when shown, no moment.
    void unreadableDates_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("1e12") << 1e12;
        QTest::newRow("-1e12") << -1e12;
        QTest::newRow("1e300") << 1e300;
        QTest::newRow("-1e300") << -1e300;
        QTest::newRow("largest double") << std::numeric_limits<double>::max();
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity();
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("10000-01-01") << 2958466.0;
        // Rounds to the millisecond after 9999-12-31 23:59:59.999.
        QTest::newRow("last half-millisecond of 9999") << 2958465.0 + 86399999.6 / 86400000.0;
        QTest::newRow("0000-12-31 23:59:59.999") << -693593.0 - 1.0 / 86400000.0;
        QTest::newRow("year 0") << -693594.0;
    }
    void unreadableDates()
    {
        QFETCH(double, value);
        QCOMPARE(DayNumber::displayText(value), QString());
        QVERIFY(!DayNumber::toDateTime(value).isValid());
        for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany)}) {
            SetLocaleFormat(TLocaleFormat::fromLocale(locale));
            const QString text = DayNumber::text(value);
            QVERIFY2(!DayNumber::parse(text), qPrintable(text));
            QVERIFY2(!DayNumber::parseEitherSeparator(text), qPrintable(text));
        }
    }

    void calendarEnds_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QDateTime>("moment");
        QTest::newRow("0001-01-01") << -693593.0 << QDateTime(QDate(1, 1, 1), QTime(0, 0));
        QTest::newRow("9999-12-31 23:59:59.999")
            << 2958465.0 + 86399999.0 / 86400000.0 << QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999));
    }
    void calendarEnds()
    {
        QFETCH(double, value);
        QFETCH(QDateTime, moment);
        QCOMPARE(DayNumber::toDateTime(value), moment);
        QVERIFY(!DayNumber::displayText(value).isEmpty());
        QVERIFY(DayNumber::parse(DayNumber::text(value)));
    }

    void invalidMomentIsAnUnreadableDate()
    {
        QVERIFY(std::isnan(DayNumber::fromDateTime(QDateTime())));
    }

    // The display text shows the moment rounded to the millisecond: the last
    // half-millisecond of a day is already the next midnight.
    void displayRoundsToTheMillisecond_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        const double day = DayNumber::fromDateTime(QDateTime(QDate(2006, 4, 6), QTime(0, 0)));
        QTest::newRow("23:59:59.9996") << day + 86399999.6 / 86400000.0 << "4/7/06";
        QTest::newRow("23:59:59.9994") << day + 86399999.4 / 86400000.0 << "4/6/06 11:59:59 PM";
        QTest::newRow("00:00:00.0004") << day + 0.4 / 86400000.0 << "4/6/06";
    }
    void displayRoundsToTheMillisecond()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(DayNumber::displayText(value).replace(QChar(0x202F), QLatin1Char(' ')), text);
    }

    void displayText()
    {
        const double afternoon = DayNumber::fromDateTime(QDateTime(QDate(2006, 4, 6), QTime(14, 46, 32)));
        const QString text = DayNumber::displayText(afternoon);
        QVERIFY2(text.startsWith(QLatin1String("4/6/")) && text.endsWith(QLatin1String("2:46:32 PM")),
                 qPrintable(text));
        // The time is left out at midnight.
        const double midnight = DayNumber::fromDateTime(QDateTime(QDate(2006, 4, 6), QTime(0, 0)));
        QVERIFY2(!DayNumber::displayText(midnight).contains(QLatin1Char(':')),
                 qPrintable(DayNumber::displayText(midnight)));
        // Qt's long format carries a time zone; the display text does not.
        QVERIFY(!LocaleFormat().longTimeFormat.contains(QLatin1Char('t')));
    }

    // The hand-built date and time texts match QLocale's, and formats or
    // digits they cannot build go to QLocale.
    void dateAndTimeTextsMatchQLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("US English") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("British English") << QLocale(QLocale::English, QLocale::UnitedKingdom);
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France);
        QTest::newRow("Dutch") << QLocale(QLocale::Dutch, QLocale::Netherlands);
        QTest::newRow("Swedish") << QLocale(QLocale::Swedish, QLocale::Sweden);
        QTest::newRow("Korean") << QLocale(QLocale::Korean, QLocale::SouthKorea);
        QTest::newRow("Chinese") << QLocale(QLocale::Chinese, QLocale::China);
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan);
        QTest::newRow("Hungarian") << QLocale(QLocale::Hungarian, QLocale::Hungary);
        QTest::newRow("Arabic digits") << QLocale(QLocale::Arabic, QLocale::Egypt);
        QTest::newRow("Persian") << QLocale(QLocale::Persian, QLocale::Iran);
        QTest::newRow("C") << QLocale::c();
    }
    void dateAndTimeTextsMatchQLocale()
    {
        QFETCH(QLocale, locale);
        const TLocaleFormat format = TLocaleFormat::fromLocale(locale);
        for (const QTime time : {QTime(0, 0, 1), QTime(9, 5, 7), QTime(12, 0, 0), QTime(12, 59, 59),
                                 QTime(13, 46, 32), QTime(23, 59, 59)})
            QCOMPARE(format.timeText(time), locale.toString(time, format.longTimeFormat));
        for (const QDate date : {QDate(1899, 12, 30), QDate(2006, 4, 6), QDate(2009, 11, 28),
                                 QDate(2026, 12, 10), QDate(2100, 1, 1), QDate(812, 3, 4), QDate(12345, 6, 7)}) {
            QCOMPARE(format.dateText(date), locale.toString(date, format.shortDateFormat));
            QCOMPARE(format.dateText(date), locale.toString(date, format.shortDateFormat)); // remembered
            QCOMPARE(format.dateTimeText(date, QTime(21, 7, 9)),
                     locale.toString(date, format.shortDateFormat) + QLatin1Char(' ')
                         + locale.toString(QTime(21, 7, 9), format.longTimeFormat));
        }
    }

    void legacyDateTimeText_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("moment");
        const QDateTime expected(QDate(2006, 4, 6), QTime(14, 46, 32));
        QTest::newRow("German, four-digit year")
            << QLocale(QLocale::German, QLocale::Germany) << "06.04.2006 14:46:32" << expected;
        QTest::newRow("German, two-digit year")
            << QLocale(QLocale::German, QLocale::Germany) << "06.04.06 14:46:32" << expected;
        QTest::newRow("US English")
            << QLocale(QLocale::English, QLocale::UnitedStates) << "4/6/2006 2:46:32 PM" << expected;
        QTest::newRow("date only")
            << QLocale(QLocale::German, QLocale::Germany) << "06.04.2006"
            << QDateTime(QDate(2006, 4, 6), QTime(0, 0));
        QTest::newRow("year before year one")
            << QLocale(QLocale::German, QLocale::Germany) << "06.04.-0732 14:46:32" << QDateTime();
    }
    void legacyDateTimeText()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(QDateTime, moment);
        SetLocaleFormat(TLocaleFormat::fromLocale(locale));
        QCOMPARE(DayNumber::parseLocaleDateTime(text).value_or(QDateTime()), moment);
    }
};

QTEST_GUILESS_MAIN(tst_DayNumber)
#include "tst_daynumber.moc"
