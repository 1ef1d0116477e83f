#include "domain/reminderschedule.h"

#include <QTest>

// When a coming appointment is announced, on rows as the diary holds them. No office.
class TestReminderSchedule : public QObject
{
    Q_OBJECT

private slots:
    void midnightIsNoBorder();
    void withinTheLeadAtStartAtOncePastNever();
    void noRepeatAfterAnUnrelatedChange();
};

namespace {

Appointment at(const QDate &day, const QTime &time, const QString &text, int row = 0)
{
    Appointment a = Appointment::typed(day, time, text);
    a.row = row;
    a.date.kind = CellValue::Number;  // a bulk read leaves dates and times as plain numbers
    a.time.kind = CellValue::Number;
    return a;
}

const QDate kDay(2026, 12, 7);

} // namespace

void TestReminderSchedule::midnightIsNoBorder()
{
    ReminderSchedule schedule;
    const Appointments rows{at(kDay.addDays(1), QTime(0, 10), QStringLiteral("Volo"))};
    const ReminderSchedule::Plan early = schedule.take(rows, QDateTime(kDay, QTime(23, 39, 30)), 30);
    QVERIFY(early.due.isEmpty());
    QCOMPARE(early.next, QDateTime(kDay, QTime(23, 40)));
    const ReminderSchedule::Plan due = schedule.take(rows, QDateTime(kDay, QTime(23, 40, 5)), 30);
    QCOMPARE(due.due.size(), 1);
    QCOMPARE(due.due.first().summary(), QStringLiteral("Appuntamento alle 00.10"));
}

void TestReminderSchedule::withinTheLeadAtStartAtOncePastNever()
{
    ReminderSchedule schedule;
    const Appointments rows{at(kDay, QTime(9, 0), QStringLiteral("Passato")),
                            at(kDay, QTime(9, 30), QStringLiteral("Dentista")),
                            at(kDay, QTime(9, 40), QStringLiteral("Banca")),
                            at(kDay, QTime(11, 0), QStringLiteral("Dopo"))};
    // Started at 09.25 with 15 minutes' lead: 09.30 and the 09.40 at the edge at once, in order.
    const ReminderSchedule::Plan plan = schedule.take(rows, QDateTime(kDay, QTime(9, 25)), 15);
    QCOMPARE(plan.due.size(), 2);
    QCOMPARE(plan.due[0].summary(), QStringLiteral("Appuntamento alle 09.30"));
    QCOMPARE(plan.due[1].text, QStringLiteral("Banca"));
    QCOMPARE(plan.next, QDateTime(kDay, QTime(10, 45)));
    // Without lead, an appointment is still due in its own minute, and gone by the next.
    ReminderSchedule noLead;
    QCOMPARE(noLead.peek(rows, QDateTime(kDay, QTime(11, 0, 40)), 0).due.size(), 1);
    QCOMPARE(noLead.peek(rows, QDateTime(kDay, QTime(11, 1)), 0).due.size(), 0);
}

void TestReminderSchedule::noRepeatAfterAnUnrelatedChange()
{
    ReminderSchedule schedule;
    Appointments rows{at(kDay, QTime(9, 30), QStringLiteral("Dentista"), 5),
                      at(kDay, QTime(18, 0), QStringLiteral("Cena"), 6)};
    QCOMPARE(schedule.take(rows, QDateTime(kDay, QTime(9, 20)), 15).due.size(), 1);
    // Another appointment inserted before it moves it down a row; a clock set back repeats nothing.
    rows.prepend(at(kDay, QTime(8, 0), QStringLiteral("Colazione"), 5));
    rows[1].row = 6;
    rows[2].row = 7;
    QVERIFY(schedule.take(rows, QDateTime(kDay, QTime(9, 21)), 15).due.isEmpty());
    QVERIFY(schedule.take(rows, QDateTime(kDay, QTime(9, 16)), 15).due.isEmpty());
    // A change of its time makes it another appointment, announced at once.
    rows[1] = at(kDay, QTime(9, 35), QStringLiteral("Dentista"), 6);
    QCOMPARE(schedule.take(rows, QDateTime(kDay, QTime(9, 22)), 15).due.size(), 1);
}

QTEST_GUILESS_MAIN(TestReminderSchedule)
#include "tst_reminderschedule.moc"
