#include "appointment.h"

Appointment Appointment::typed(const QDate &day, const QTime &time, const QString &text)
{
    return {0, CellValue::fromDate(day), CellValue::fromTime(time), CellValue::fromText(text)};
}

bool Appointment::isOn(const QDate &day) const
{
    return date.isNumeric() && date.toDate() == day;
}

namespace {

// -1, 0 or 1, ordering a column the way the office's ascending sort does.
int compareCells(const CellValue &a, const CellValue &b)
{
    const int rankA = a.isEmpty() ? 2 : (a.isNumeric() ? 0 : 1);
    const int rankB = b.isEmpty() ? 2 : (b.isNumeric() ? 0 : 1);
    if (rankA != rankB)
        return rankA < rankB ? -1 : 1;
    if (rankA == 0)
        return a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
    if (rankA == 1)
        return a.text.compare(b.text, Qt::CaseInsensitive);
    return 0;
}

} // namespace

bool storedBefore(const Appointment &a, const Appointment &b)
{
    const int byDate = compareCells(a.date, b.date);
    if (byDate != 0)
        return byDate < 0;
    return compareCells(a.time, b.time) < 0;
}
