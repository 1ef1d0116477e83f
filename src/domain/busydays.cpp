#include "busydays.h"

#include <bitset>

QVector<QDate> busyDays(const Appointments &appointments, int year, int month)
{
    QVector<QDate> days;
    const QDate first(year, month, 1);
    if (!first.isValid())
        return days;
    const int length = first.daysInMonth();
    std::bitset<32> busy;
    for (const Appointment &a : appointments) {
        // The day Appointment::isOn reads, as a day number: a subtraction a row, however many.
        const qint64 offset = first.daysTo(a.date.toDate());
        if (!a.date.isNumeric() || offset < 0 || offset >= length)
            continue;
        busy.set(int(offset));
    }
    for (int d = 0; d < length; ++d) {
        if (busy.test(d))
            days.append(first.addDays(d));
    }
    return days;
}
