// The lead-time table, the index translation between the full and the short
// list, the minute and 1000-year arithmetic, the deadline cut and the filling
// of the lead-time combo boxes.
#include "mainwindow/Main.h"
#include "reminders/LeadTimes.h"
#include "reminders/ReminderInfo.h"
#include "store/DayNumber.h"
#include "store/Deadline.h"
#include "store/LocaleFormat.h"
#include "tests/TestHome.h"

#include <QComboBox>
#include <QTest>

#include <bit>

namespace {
double dayNumber(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return DayNumber::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute, second)));
}
} // namespace

class tst_LeadTimes : public QObject {
    Q_OBJECT

private slots:
    void table()
    {
        const QStringList texts { "Never", "0 minutes", "5 minutes", "10 minutes", "15 minutes", "30 minutes",
            "1 hour", "2 hours", "3 hours", "4 hours", "5 hours", "6 hours", "7 hours", "8 hours", "9 hours",
            "10 hours", "11 hours", "12 hours", "18 hours", "1 day", "2 days", "3 days", "4 days", "5 days",
            "1 week", "2 weeks" };
        const QList<int> minutes { -1, 0, 5, 10, 15, 30, 60, 120, 180, 240, 300, 360, 420, 480, 540, 600, 660,
            720, 1080, 1440, 2880, 4320, 5760, 7200, 10080, 20160 };
        QCOMPARE(LeadTimes::Count, 26);
        for (int i = 0; i < LeadTimes::Count; ++i) {
            QCOMPARE(QString::fromLatin1(LeadTimes::Table[size_t(i)].text), texts.at(i));
            QCOMPARE(LeadTimes::Table[size_t(i)].minutes, minutes.at(i));
        }
    }

    void indexTranslation_data()
    {
        QTest::addColumn<int>("shortRow");
        QTest::addColumn<int>("fullIndex");
        QTest::newRow("Never") << 0 << 0;
        QTest::newRow("5 minutes") << 1 << 2;
        QTest::newRow("1 hour") << 5 << 6;
        QTest::newRow("2 weeks") << 24 << 25;
    }

    void indexTranslation()
    {
        QFETCH(int, shortRow);
        QFETCH(int, fullIndex);
        QCOMPARE(LeadTimes::fullIndexFromShort(shortRow), fullIndex);
        QCOMPARE(LeadTimes::shortRowFromFull(fullIndex), shortRow);
    }

    // The short list has no "0 minutes": a task stored with it shows "Never".
    void zeroMinutesShowsNeverInTheShortList() { QCOMPARE(LeadTimes::shortRowFromFull(1), 0); }

    void reminderDate_data()
    {
        QTest::addColumn<double>("deadline");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<double>("expected");
        QTest::newRow("0 minutes: the deadline itself")
            << dayNumber(2026, 3, 15, 12) << 0 << dayNumber(2026, 3, 15, 12);
        QTest::newRow("1 day: exactly 24 hours before")
            << dayNumber(2026, 3, 15, 12) << 1440 << dayNumber(2026, 3, 14, 12);
        QTest::newRow("2 weeks from 15 March 12:00")
            << dayNumber(2026, 3, 15, 12) << 20160 << dayNumber(2026, 3, 1, 12);
        QTest::newRow("2 weeks from 15 March 12:00, leap year")
            << dayNumber(2028, 3, 15, 12) << 20160 << dayNumber(2028, 3, 1, 12);
        QTest::newRow("1 hour across midnight")
            << dayNumber(2026, 1, 1, 0, 30) << 60 << dayNumber(2025, 12, 31, 23, 30);
        QTest::newRow("Never: 1000 years later, same time")
            << dayNumber(2026, 3, 15, 12) << -1 << dayNumber(3026, 3, 15, 12);
        QTest::newRow("Never on 29 February, leap target")
            << dayNumber(2028, 2, 29, 8, 45) << -1 << dayNumber(3028, 2, 29, 8, 45);
        QTest::newRow("Never on 29 February, target year not leap")
            << dayNumber(2000, 2, 29, 23, 59) << -1 << dayNumber(3000, 2, 28, 23, 59);
        QTest::newRow("Never at midnight") << dayNumber(2026, 12, 31) << -1 << dayNumber(3026, 12, 31);
    }

    void reminderDate()
    {
        QFETCH(double, deadline);
        QFETCH(int, minutes);
        QFETCH(double, expected);
        const double result = LeadTimes::reminderDate(deadline, minutes);
        // Compared as moments to the millisecond: the minute arithmetic is
        // used as it comes out, so the day numbers may differ in the last bits.
        QCOMPARE(DayNumber::toDateTime(result), DayNumber::toDateTime(expected));
    }

    // Any lead time below zero means "Never", not so many minutes after the deadline.
    void anyNegativeLeadIsNever()
    {
        const double deadline = dayNumber(2026, 6, 1, 9);
        QCOMPARE(LeadTimes::reminderDate(deadline, -5), LeadTimes::addThousandYears(deadline));
    }

    // Minutes are added as (day number × 1440 + minutes) / 1440, bit for bit:
    // for these inputs adding minutes / 1440 to the day number instead ends
    // one unit in the last place away, which a fuzzy comparison would pass.
    void addMinutesIsUsedAsItComesOut_data()
    {
        QTest::addColumn<double>("dayNumber");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<quint64>("bits");
        QTest::newRow("5 minutes later") << 45000.123456789 << 5 << Q_UINT64_C(0x40e5f9040fcd6e04);
        QTest::newRow("1 hour later") << 45000.1 << 60 << Q_UINT64_C(0x40e5f90488888889);
        QTest::newRow("30 minutes earlier") << 38814.6156499884 << -30 << Q_UINT64_C(0x40e2f3d308bcf015);
        QTest::newRow("2 hours earlier") << 46000.3 << -120 << Q_UINT64_C(0x40e67606eeeeeef0);
    }
    void addMinutesIsUsedAsItComesOut()
    {
        QFETCH(double, dayNumber);
        QFETCH(int, minutes);
        QFETCH(quint64, bits);
        QVERIFY(std::bit_cast<quint64>(dayNumber + minutes / 1440.0) != bits);
        QCOMPARE(std::bit_cast<quint64>(DayNumber::addMinutes(dayNumber, minutes)), bits);
    }

    void deadlineCut_data()
    {
        QTest::addColumn<QString>("longFormat");
        QTest::addColumn<QString>("shortFormat");
        QTest::addColumn<QTime>("expected");
        QTest::newRow("short time without seconds") << "h:mm:ss AP"
                                                    << "h:mm AP" << QTime(10, 15);
        QTest::newRow("short time with seconds") << "HH:mm:ss"
                                                 << "HH:mm:ss" << QTime(10, 15, 42);
        QTest::newRow("long time without seconds") << "HH:mm"
                                                   << "HH:mm:ss" << QTime(10, 15);
        QTest::newRow("quoted letters are no fields") << "HH:mm:ss"
                                                      << "HH' ms'" << QTime(10, 0);
        QTest::newRow("milliseconds only when both show them") << "HH:mm:ss.zzz"
                                                               << "HH:mm:ss.zzz" << QTime(10, 15, 42, 123);
    }

    void deadlineCut()
    {
        QFETCH(QString, longFormat);
        QFETCH(QString, shortFormat);
        QFETCH(QTime, expected);
        QCOMPARE(Deadline::cutToTimeFormats(QTime(10, 15, 42, 123), longFormat, shortFormat), expected);
    }

    // The short date format of many locales has a two-digit year; the cut
    // deadline must stay in its own century.
    void deadlineFromPickersKeepsTheCentury()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        QCOMPARE(DayNumber::toDateTime(Deadline::fromPickers(QDate(2031, 7, 4), QTime(10, 15, 42))),
            QDateTime(QDate(2031, 7, 4), QTime(10, 15)));
        QCOMPARE(DayNumber::toDateTime(Deadline::fromPickers(QDate(1950, 7, 4), QTime(23, 59, 59))),
            QDateTime(QDate(1950, 7, 4), QTime(23, 59)));
    }

    void comboBoxes()
    {
        TestHome home;
        TfrmMain w;
        w.FillReminderComboBox(w.cboReminder);
        QComboBox other;
        w.FillReminderComboBox(&other);

        QCOMPARE(w.cboReminder->count(), 26);
        QCOMPARE(other.count(), 25);
        QCOMPARE(w.cboReminder->currentIndex(), 0);
        QCOMPARE(other.currentIndex(), 0);
        QCOMPARE(w.cboReminder->currentText(), QStringLiteral("Never"));
        QCOMPARE(other.currentText(), QStringLiteral("Never"));
        QCOMPARE(w.cboReminder->itemText(1), QStringLiteral("0 minutes"));
        QCOMPARE(other.itemText(1), QStringLiteral("5 minutes"));
        QCOMPARE(other.itemText(24), QStringLiteral("2 weeks"));

        for (int i = 0; i < w.cboReminder->count(); ++i) {
            const TReminderInfo info = ReminderInfoAt(w.cboReminder, i);
            QCOMPARE(info.ReminderText, w.cboReminder->itemText(i));
            QCOMPARE(info.Minutes, LeadTimes::Table[size_t(i)].minutes);
        }
        for (int s = 0; s < other.count(); ++s)
            QCOMPARE(ReminderInfoAt(&other, s).Minutes,
                ReminderInfoAt(w.cboReminder, LeadTimes::fullIndexFromShort(s)).Minutes);
        QCOMPARE(ReminderInfoAt(&other, 99).Minutes, -1);
    }

    // Each combo box is filled once; a second fill appends, it does not reset.
    void fillingAppends()
    {
        QComboBox box;
        AddReminderToComboBox(&box, QStringLiteral("custom"), 7);
        TestHome home;
        TfrmMain w;
        w.FillReminderComboBox(&box);
        QCOMPARE(box.count(), 26);
        QCOMPARE(box.itemText(0), QStringLiteral("custom"));
        QCOMPARE(ReminderInfoAt(&box, 0).Minutes, 7);
        QCOMPARE(box.currentIndex(), 0);
    }
};

QTEST_MAIN(tst_LeadTimes)
#include "tst_leadtimes.moc"
