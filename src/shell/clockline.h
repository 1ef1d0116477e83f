#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <functional>

namespace ClockLine {

// "Ore...", the time with seconds, " del ", the short date.
QString text(const QTime &time, const QDate &date);
// The line for this moment, the time read before the date.
QString now();
// The same with clock readers of one's own, called in that order.
QString now(const std::function<QTime()> &readTime, const std::function<QDate()> &readDate);

} // namespace ClockLine
