#include "clockline.h"

#include "regional.h"

namespace ClockLine {

QString text(const QTime &time, const QDate &date)
{
    return QStringLiteral("Ore...") + Regional::longTimeText(time) + QStringLiteral(" del ") + Regional::dateText(date);
}

QString now()
{
    const QTime time = QTime::currentTime();
    const QDate date = QDate::currentDate();
    return text(time, date);
}

} // namespace ClockLine
