#include "cellvalue.h"

#include <cmath>

namespace {
const QDate kNullDate(1899, 12, 30);
constexpr qint64 kSecondsPerDay = 86400;
}

CellValue CellValue::fromDate(const QDate &d)
{
    return {Date, double(kNullDate.daysTo(d)), {}};
}

CellValue CellValue::fromTime(const QTime &t)
{
    return {Time, t.msecsSinceStartOfDay() / (1000.0 * kSecondsPerDay), {}};
}

QDate CellValue::toDate() const
{
    if (!isNumeric())
        return {};
    // A time that rounds up to the next second of midnight belongs to the next day.
    const double seconds = std::round(number * kSecondsPerDay);
    return kNullDate.addDays(qint64(std::floor(seconds / kSecondsPerDay)));
}

QTime CellValue::toTime() const
{
    if (!isNumeric())
        return {};
    const qint64 seconds = qint64(std::round(number * kSecondsPerDay));
    const qint64 ofDay = ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    return QTime::fromMSecsSinceStartOfDay(int(ofDay * 1000));
}

bool CellValue::operator==(const CellValue &o) const
{
    if (isEmpty() || o.isEmpty())
        return isEmpty() == o.isEmpty();
    if (isNumeric() != o.isNumeric())
        return false;
    return isNumeric() ? number == o.number : text == o.text;
}
