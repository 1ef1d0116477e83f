#include "clockline.h"

#include "regional/clock.h"
#include "regional/regional.h"

namespace ClockLine {

QString text(const QTime &time, const QDate &date)
{
    return QStringLiteral("Ore...") + Regional::longTimeText(time) + QStringLiteral(" del ") + Regional::dateText(date);
}

QString now()
{
    // One reading, so that midnight cannot fall between the time and the date.
    const QDateTime moment = Clock::now();
    return text(moment.time(), moment.date());
}

QString now(const std::function<QTime()> &readTime, const std::function<QDate()> &readDate)
{
    // Separate statements: the order of evaluation of call arguments is unspecified.
    const QTime time = readTime();
    const QDate date = readDate();
    return text(time, date);
}

} // namespace ClockLine
