#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace ClockLine {

// "Ore...", the time with seconds, " del ", the short date.
QString text(const QTime &time, const QDate &date);
// The line for this moment, the time read before the date.
QString now();

} // namespace ClockLine
