#include "busydays.h"

#include <bitset>
#include <cmath>

QVector<QDate> busyDays(const Appointments &appointments, int year, int month)
{
    QVector<QDate> days;
    const QDate first(year, month, 1);
    if (!first.isValid())
        return days;
    // Compared as serial numbers: one subtraction a row, whatever the number of rows.
    const double firstSerial = CellValue::fromDate(first).number;
    const int length = first.daysInMonth();
    std::bitset<32> busy;
    for (const Appointment &a : appointments) {
        if (!a.date.isNumeric())
            continue;
        const double offset = a.date.number - firstSerial;
        if (offset < 0 || offset >= length || offset != std::floor(offset))
            continue;
        busy.set(int(offset));
    }
    for (int d = 0; d < length; ++d) {
        if (busy.test(d))
            days.append(first.addDays(d));
    }
    return days;
}
