#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

// Date and time texts under the user's regional settings; without any (C locale) the
// Italian conventions apply.
namespace Regional {

QLocale locale();
// Short date with a four-digit year ("25/05/2009" in Italy).
QString dateText(const QDate &date);
// Long time with seconds and no time-zone suffix ("09:30:00" in Italy).
QString longTimeText(const QTime &time);
// The general date format: short date, a blank and the long time; at midnight the date alone.
QString generalDateText(const QDateTime &moment);
// A typed date in the short date order; a two-digit year is 1930-2029. Invalid if none.
QDate parseDate(const QString &text);
// "9.30" or "09.30": the point separates hours and minutes. Invalid if not a time of day.
QTime parseTime(const QString &text);

} // namespace Regional
