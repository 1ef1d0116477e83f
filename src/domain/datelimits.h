#pragma once

#include <QDate>
#include <QString>

// Which dates an appointment may carry. Every 97-2003 reader but the office counts days with a
// 29 February 1900 that never was, so an earlier date would show as another day elsewhere.
namespace DateLimits {

QDate firstAcceptedDate();
bool isAccepted(const QDate &date);
// Why a date is refused, naming the first one accepted; dateText is the date as the user wrote it.
QString tooEarlyMessage(const QString &dateText);

} // namespace DateLimits
