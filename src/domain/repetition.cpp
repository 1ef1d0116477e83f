#include "repetition.h"

namespace Repetition {

QDate occurrence(const QDate &first, const Rule &rule, int index)
{
    const int steps = index * qMax(1, rule.interval);
    switch (rule.unit) {
    case Unit::Day:
        return first.addDays(steps);
    case Unit::Week:
        return first.addDays(qint64(steps) * 7);
    case Unit::Month:
        // Counted from the first date, never from the previous occurrence: QDate::addMonths
        // falls back to the month's last day and the day lost there is not lost for good.
        return first.addMonths(steps);
    case Unit::Year:
        return first.addYears(steps);
    }
    return {};
}

Series byCount(const QDate &first, const Rule &rule, int count)
{
    Series series;
    series.tooMany = count > kMaxOccurrences;
    const int made = qBound(0, count, kMaxOccurrences);
    for (int i = 0; i < made && first.isValid(); ++i)
        series.dates.append(occurrence(first, rule, i));
    return series;
}

Series until(const QDate &first, const Rule &rule, const QDate &last)
{
    Series series;
    if (!first.isValid() || !last.isValid())
        return series;
    for (int i = 0;; ++i) {
        const QDate date = occurrence(first, rule, i);
        if (!date.isValid() || date > last)
            break;
        if (i == kMaxOccurrences) {
            series.tooMany = true;
            break;
        }
        series.dates.append(date);
    }
    return series;
}

} // namespace Repetition
