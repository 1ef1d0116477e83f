#include "clockline.h"

#include "regional/regional.h"

namespace ClockLine {

QString text(const QTime &time, const QDate &date)
{
    return QStringLiteral("Ore...") + Regional::longTimeText(time) + QStringLiteral(" del ") + Regional::dateText(date);
}

QString now()
{
    return now(&QTime::currentTime, &QDate::currentDate);
}

QString now(const std::function<QTime()> &readTime, const std::function<QDate()> &readDate)
{
    // Separate statements: the order of evaluation of call arguments is unspecified.
    const QTime time = readTime();
    const QDate date = readDate();
    return text(time, date);
}

} // namespace ClockLine
