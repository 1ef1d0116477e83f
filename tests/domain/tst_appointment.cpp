#include "domain/appointment.h"
#include "domain/appointmenttext.h"

#include <QLocale>
#include <QTest>

#include <algorithm>

// What a stored appointment is and how it reads, for rows the diary wrote and rows a hand edit
// left behind. No office: the cells are made here as a bulk read returns them.
class TestAppointment : public QObject
{
    Q_OBJECT

private slots:
    void aDayMatchesItsDateValueOnly();
    void storedOrderIsDateThenTimeAndStable();
    void listingLineOfTypedAndHandEditedRows();
};

namespace {

Appointment row(int sheetRow, const CellValue &date, const CellValue &time, const QString &text)
{
    return {sheetRow, date, time, CellValue::fromText(text)};
}

// A bulk read returns dates and times as plain numbers.
CellValue number(const CellValue &value)
{
    return CellValue::fromNumber(value.number);
}

} // namespace

void TestAppointment::aDayMatchesItsDateValueOnly()
{
    const QDate day(2009, 5, 25);
    QVERIFY(Appointment::typed(day, QTime(9, 30), QStringLiteral("x")).isOn(day));
    QVERIFY(row(5, number(CellValue::fromDate(day)), {}, {}).isOn(day));
    QVERIFY(!Appointment::typed(day.addDays(1), QTime(9, 30), QStringLiteral("x")).isOn(day));
    // A date typed with a time of day is the day's (found, it must be listed); a text is not.
    QVERIFY(row(5, CellValue::fromNumber(CellValue::fromDate(day).number + 0.5), {}, {}).isOn(day));
    QVERIFY(!row(5, CellValue::fromNumber(CellValue::fromDate(day).number + 0.99), {}, {}).isOn(day.addDays(1)));
    QVERIFY(!row(5, CellValue::fromText(QStringLiteral("25/05/2009")), {}, {}).isOn(day));
}

void TestAppointment::storedOrderIsDateThenTimeAndStable()
{
    const CellValue may25 = CellValue::fromDate(QDate(2009, 5, 25));
    const CellValue may24 = CellValue::fromDate(QDate(2009, 5, 24));
    const CellValue nine = CellValue::fromTime(QTime(9, 0));
    const CellValue eight = CellValue::fromTime(QTime(8, 0));
    Appointments rows = {row(5, may25, nine, QStringLiteral("a")),
                         row(6, CellValue::fromText(QStringLiteral("domani")), nine, QStringLiteral("b")),
                         row(7, may25, eight, QStringLiteral("c")),
                         row(8, may25, nine, QStringLiteral("d")),
                         row(9, may24, CellValue::fromText(QStringLiteral("sera")), QStringLiteral("e")),
                         row(10, may24, nine, QStringLiteral("f"))};
    std::stable_sort(rows.begin(), rows.end(), storedBefore);
    QString order;
    for (const Appointment &a : rows)
        order += a.text.text;
    // Numbers before texts in each column, as the office sorts; equal keys keep their order.
    QCOMPARE(order, QStringLiteral("fecadb"));
}

void TestAppointment::listingLineOfTypedAndHandEditedRows()
{
    AppointmentText text;
    const QString gap(8, QLatin1Char(' '));
    const Appointment typed = Appointment::typed(QDate(2009, 5, 25), QTime(9, 30), QStringLiteral("Dentista"));
    QCOMPARE(text.listingLine({typed.row, number(typed.date), number(typed.time), typed.text}),
             QStringLiteral("25/05/2009") + gap + QStringLiteral("09:30:00") + gap + QStringLiteral("Dentista"));
    // Whatever a hand edit left: a text date, an empty time, a number as text.
    const Appointment edited{7, CellValue::fromText(QStringLiteral("lunedì")), {}, CellValue::fromNumber(2.5)};
    QCOMPARE(text.listingLine(edited), QStringLiteral("lunedì") + gap + gap + QStringLiteral("2,5"));
    // A date carrying a time of day shows both; a time carrying a day shows the day too.
    QCOMPARE(text.date(CellValue::fromNumber(CellValue::fromDate(QDate(2009, 5, 25)).number + 0.5)),
             QStringLiteral("25/05/2009 12:00:00"));
    QCOMPARE(text.time(CellValue::fromNumber(1.25)), QStringLiteral("31/12/1899 06:00:00"));
}

QTEST_GUILESS_MAIN(TestAppointment)
#include "tst_appointment.moc"
