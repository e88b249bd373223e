#include "store/DayNumber.h"
#include "store/LocaleFormat.h"
#include "platform/Clock.h"

#include <QTest>

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
        QTest::newRow("comma under dot locale") << english << "38814,25" << true << 38814.25;
        QTest::newRow("dot under comma locale") << german << "38814.25" << true << 38814.25;
        QTest::newRow("own separator") << german << "38814,25" << true << 38814.25;
        QTest::newRow("legacy date text") << german << "06.04.2006 14:46:32" << false << 0.0;
        QTest::newRow("date only") << german << "06.04.2006" << false << 0.0;
        QTest::newRow("two separators") << english << "1,2,3" << false << 0.0;
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
