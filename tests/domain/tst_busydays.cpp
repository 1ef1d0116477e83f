#include "domain/busydays.h"

#include <QTest>

// Which days of a month the calendar marks: those a click on them would list. No office.
class TestBusyDays : public QObject
{
    Q_OBJECT

private slots:
    void daysOfTheMonthOnlyEachOnceInOrder();
    void monthEdges_data();
    void monthEdges();
    void handEditedRows();
};

namespace {

Appointment at(const QDate &day, const QTime &time = QTime(9, 30), const QString &text = QStringLiteral("x"))
{
    Appointment a = Appointment::typed(day, time, text);
    a.date.kind = CellValue::Number;  // a bulk read leaves dates as plain numbers
    return a;
}

Appointment withDateCell(const CellValue &date)
{
    Appointment a = at(QDate(2024, 3, 1));
    a.date = date;
    return a;
}

} // namespace

void TestBusyDays::daysOfTheMonthOnlyEachOnceInOrder()
{
    // Out of order, as rows edited by hand may stand, with a day held twice.
    const Appointments stored = {at(QDate(2024, 3, 20)), at(QDate(2024, 2, 29)), at(QDate(2024, 3, 7), QTime(8, 0)),
                                 at(QDate(2024, 3, 7), QTime(18, 0)), at(QDate(2024, 4, 1)), at(QDate(2023, 3, 8)),
                                 at(QDate(2025, 3, 9))};
    QCOMPARE(busyDays(stored, 2024, 3), (QVector<QDate>{QDate(2024, 3, 7), QDate(2024, 3, 20)}));
    QCOMPARE(busyDays(stored, 2024, 2), (QVector<QDate>{QDate(2024, 2, 29)}));
    QCOMPARE(busyDays(stored, 2023, 3), (QVector<QDate>{QDate(2023, 3, 8)}));
    QVERIFY(busyDays(stored, 2024, 5).isEmpty());
    QVERIFY(busyDays(stored, 2024, 13).isEmpty());
    QVERIFY(busyDays({}, 2024, 3).isEmpty());
}

void TestBusyDays::monthEdges_data()
{
    QTest::addColumn<QDate>("day");
    QTest::newRow("first of January") << QDate(2024, 1, 1);
    QTest::newRow("last of December") << QDate(2023, 12, 31);
    QTest::newRow("leap day") << QDate(2024, 2, 29);
    QTest::newRow("end of a 30-day month") << QDate(2024, 4, 30);
    QTest::newRow("first day the calendar shows") << QDate(1753, 1, 1);
    QTest::newRow("last day the calendar shows") << QDate(9999, 12, 31);
    QTest::newRow("the office's day zero") << QDate(1899, 12, 30);
}

void TestBusyDays::monthEdges()
{
    QFETCH(QDate, day);
    const Appointments stored = {at(day.addDays(-1)), at(day), at(day.addDays(1))};
    const QVector<QDate> busy = busyDays(stored, day.year(), day.month());
    QVERIFY(busy.contains(day));
    for (const QDate &d : busy)
        QVERIFY2(d.year() == day.year() && d.month() == day.month(), qPrintable(d.toString(Qt::ISODate)));
}

void TestBusyDays::handEditedRows()
{
    const QDate day(2024, 3, 7);
    Appointment wrongTime = at(QDate(2024, 3, 12));
    wrongTime.time = CellValue::fromText(QStringLiteral("mattina"));
    Appointment noText = at(QDate(2024, 3, 13));
    noText.text = CellValue::empty();
    Appointment dateCell = at(QDate(2024, 3, 14));
    dateCell.date = CellValue::fromDate(QDate(2024, 3, 14));  // read one cell at a time: kind Date
    const Appointments stored = {
        // A date typed as text in column A is no date: a click never lists it.
        withDateCell(CellValue::fromText(QStringLiteral("07/03/2024"))),
        withDateCell(CellValue::fromText(QStringLiteral("domani"))),
        // A date carrying a time of day is listed for its day.
        withDateCell(CellValue::fromNumber(CellValue::fromDate(QDate(2024, 3, 8)).number + 0.5)),
        withDateCell(CellValue::fromNumber(CellValue::fromDate(day).number + 31)),
        // Whatever columns B and C hold, a date in column A marks its day.
        wrongTime, noText, dateCell};
    QCOMPARE(busyDays(stored, 2024, 3),
             (QVector<QDate>{QDate(2024, 3, 8), QDate(2024, 3, 12), QDate(2024, 3, 13), QDate(2024, 3, 14)}));
    QCOMPARE(busyDays(stored, 2024, 4), (QVector<QDate>{QDate(2024, 4, 7)}));
}

QTEST_GUILESS_MAIN(TestBusyDays)
#include "tst_busydays.moc"
