#include "period.h"

#include "regional/regional.h"

#include <algorithm>

Period Period::week(const QDate &day)
{
    const QDate monday = day.addDays(1 - day.dayOfWeek());
    return {monday, monday.addDays(6)};
}

Period Period::month(const QDate &day)
{
    const QDate first(day.year(), day.month(), 1);
    return {first, first.addDays(day.daysInMonth() - 1)};
}

std::optional<Period::Rows> Period::rowsIn(const Appointments &stored) const
{
    if (!isValid())
        return std::nullopt;
    // Dates come first in the sorted sheet, whatever a hand edit left below them.
    const auto before = [](const QDate &day) {
        return [day](const Appointment &a) { return a.date.isNumeric() && a.date.toDate() < day; };
    };
    const auto first = std::partition_point(stored.begin(), stored.end(), before(from));
    const auto end = std::partition_point(first, stored.end(), before(to.addDays(1)));
    if (first == end)
        return std::nullopt;
    return Rows{first->row, (end - 1)->row, int(end - first)};
}

QString Period::emptyMessage() const
{
    return QStringLiteral("Nessun appuntamento dal %1 al %2").arg(Regional::dateText(from), Regional::dateText(to));
}

QString Period::fileNamePart() const
{
    const QString format = QStringLiteral("dd-MM-yyyy");
    return QStringLiteral("dal %1 al %2").arg(from.toString(format), to.toString(format));
}
