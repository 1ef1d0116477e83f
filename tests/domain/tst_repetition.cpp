#include "domain/repetition.h"

#include <QTest>

// The dates of a repeated appointment. No office.
class TestRepetition : public QObject
{
    Q_OBJECT

private slots:
    void weeklyKeepsTheWeekday();
    void monthlyOnThe31st();
    void yearlyOn29February();
    void atMost500();
};

using namespace Repetition;

void TestRepetition::weeklyKeepsTheWeekday()
{
    const QDate first(2026, 12, 28);  // a Monday, over the turn of the year
    const Series fortnightly = byCount(first, {Unit::Week, 2}, 4);
    QCOMPARE(fortnightly.dates, (QVector<QDate>{first, QDate(2027, 1, 11), QDate(2027, 1, 25), QDate(2027, 2, 8)}));
}

void TestRepetition::monthlyOnThe31st()
{
    const Series s = until(QDate(2024, 1, 31), {Unit::Month, 1}, QDate(2024, 5, 31));
    QCOMPARE(s.dates, (QVector<QDate>{QDate(2024, 1, 31), QDate(2024, 2, 29), QDate(2024, 3, 31), QDate(2024, 4, 30),
                                      QDate(2024, 5, 31)}));
    // The last day included, and a last day before the first makes none.
    QCOMPARE(until(QDate(2024, 1, 31), {Unit::Month, 1}, QDate(2024, 5, 30)).dates.size(), 4);
    QVERIFY(until(QDate(2024, 1, 31), {Unit::Month, 1}, QDate(2024, 1, 30)).dates.isEmpty());
}

void TestRepetition::yearlyOn29February()
{
    QCOMPARE(byCount(QDate(2024, 2, 29), {Unit::Year, 1}, 5).dates,
             (QVector<QDate>{QDate(2024, 2, 29), QDate(2025, 2, 28), QDate(2026, 2, 28), QDate(2027, 2, 28),
                             QDate(2028, 2, 29)}));
}

void TestRepetition::atMost500()
{
    const QDate first(2026, 1, 1);
    QCOMPARE(byCount(first, {Unit::Day, 1}, 500).dates.size(), 500);
    QVERIFY(byCount(first, {Unit::Day, 1}, 501).tooMany);
    // 500 days to the day fits; one more day is one too many.
    QCOMPARE(until(first, {Unit::Day, 1}, first.addDays(499)).dates.size(), 500);
    const Series over = until(first, {Unit::Day, 1}, first.addDays(500));
    QVERIFY(over.tooMany);
    QCOMPARE(over.dates.size(), 500);
}

QTEST_GUILESS_MAIN(TestRepetition)
#include "tst_repetition.moc"
