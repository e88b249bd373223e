// The state of a task row, the font it is drawn with, and the reading of its
// "Due" text.
#include "store/TaskState.h"
#include "controls/TaskStates.h"
#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/LocaleFormat.h"

#include <QTest>

Q_DECLARE_METATYPE(TTaskState)

namespace {
const QDateTime due(QDate(2026, 12, 9), QTime(10, 30));
} // namespace

class tst_TaskStates : public QObject {
    Q_OBJECT

private slots:
    void init() { Clock::setFixed(due); }
    void cleanup() { Clock::clearFixed(); }

    void decideState_data()
    {
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("dueReadable");
        QTest::addColumn<qint64>("nowAfterDueMs");
        QTest::addColumn<QString>("leadTimeIndex");
        QTest::addColumn<TTaskState>("expected");

        QTest::newRow("due in an hour") << false << true << qint64(-3600000) << "5" << TTaskState::Current;
        QTest::newRow("due exactly now") << false << true << qint64(0) << "5" << TTaskState::Current;
        QTest::newRow("due exactly now, never reminded")
            << false << true << qint64(0) << "0" << TTaskState::Current;
        QTest::newRow("a millisecond past due") << false << true << qint64(1) << "5" << TTaskState::Overdue;
        QTest::newRow("a second past due") << false << true << qint64(1000) << "5" << TTaskState::Overdue;
        QTest::newRow("past due, Never") << false << true << qint64(86400000) << "0" << TTaskState::Nevermind;
        QTest::newRow("past due, 0 minutes")
            << false << true << qint64(86400000) << "1" << TTaskState::Overdue;
        QTest::newRow("past due, lead index 10")
            << false << true << qint64(86400000) << "10" << TTaskState::Overdue;
        QTest::newRow("past due, no lead time")
            << false << true << qint64(86400000) << "" << TTaskState::Overdue;
        QTest::newRow("due text unreadable") << false << false << qint64(0) << "0" << TTaskState::Current;
        QTest::newRow("complete and past due")
            << true << true << qint64(86400000) << "0" << TTaskState::Complete;
        QTest::newRow("complete and overdue") << true << true << qint64(1000) << "5" << TTaskState::Complete;
        QTest::newRow("complete before due")
            << true << true << qint64(-3600000) << "5" << TTaskState::Complete;
        QTest::newRow("complete, due unreadable")
            << true << false << qint64(0) << "5" << TTaskState::Complete;
    }

    void decideState()
    {
        QFETCH(bool, complete);
        QFETCH(bool, dueReadable);
        QFETCH(qint64, nowAfterDueMs);
        QFETCH(QString, leadTimeIndex);
        QFETCH(TTaskState, expected);
        const std::optional<double> dueMoment
            = dueReadable ? std::optional(DayNumber::fromDateTime(due)) : std::nullopt;
        const std::optional<int> lead = leadTimeIndex.isEmpty() ? std::nullopt : std::optional(leadTimeIndex.toInt());
        QCOMPARE(DecideTaskState(complete, dueMoment, lead, DayNumber::fromDateTime(due.addMSecs(nowAfterDueMs))),
                 expected);
    }

    void stateFont_data()
    {
        QTest::addColumn<TTaskState>("state");
        QTest::addColumn<bool>("strikeoutComplete");
        QTest::addColumn<bool>("entryStyled"); // entry font bold, italic and underlined
        QTest::addColumn<bool>("styled");
        QTest::addColumn<bool>("struckOut");

        QTest::newRow("complete, strike-out on") << TTaskState::Complete << true << true << false << true;
        QTest::newRow("complete, strike-out on, plain font")
            << TTaskState::Complete << true << false << false << true;
        QTest::newRow("complete, strike-out off") << TTaskState::Complete << false << true << true << false;
        QTest::newRow("complete, strike-out off, plain font")
            << TTaskState::Complete << false << false << false << false;
        for (const auto &[name, state] :
            { std::pair { "current", TTaskState::Current }, std::pair { "overdue", TTaskState::Overdue },
                std::pair { "nevermind", TTaskState::Nevermind } }) {
            for (bool strikeout : { true, false })
                QTest::addRow("%s, strike-out %s", name, strikeout ? "on" : "off")
                    << state << strikeout << true << false << false;
        }
    }

    void stateFont()
    {
        QFETCH(TTaskState, state);
        QFETCH(bool, strikeoutComplete);
        QFETCH(bool, entryStyled);
        QFETCH(bool, styled);
        QFETCH(bool, struckOut);

        QFont entryFont(QStringLiteral("DejaVu Serif"), 13);
        entryFont.setBold(entryStyled);
        entryFont.setItalic(entryStyled);
        entryFont.setUnderline(entryStyled);
        const QFont font = TaskStateFont(state, entryFont, strikeoutComplete);
        QCOMPARE(font.bold(), styled);
        QCOMPARE(font.italic(), styled);
        QCOMPARE(font.underline(), styled);
        QCOMPARE(font.strikeOut(), struckOut);
        QCOMPARE(font.family(), entryFont.family());
        QCOMPARE(font.pointSize(), entryFont.pointSize());
    }
};

QTEST_MAIN(tst_TaskStates)
#include "tst_taskstates.moc"
