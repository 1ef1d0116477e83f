#pragma once

#include <QDateTime>
#include <QString>

class CalcWorkbook;

// When the workbook cannot be saved in place, what the open workbook holds beyond the last save
// would go with the office: a copy goes to the user's data folder instead.
namespace RescueCopy {

// $XDG_DATA_HOME/vespolari, ~/.local/share/vespolari by default.
QString folder();
// Stores the open workbook there, with its password, under a name carrying the date and time.
// The copy's path, or empty when it could not be written either.
QString store(const CalcWorkbook &book, const QString &password,
              const QDateTime &when = QDateTime::currentDateTime());

} // namespace RescueCopy
