#pragma once

#include <QDate>
#include <QDateTime>

// The date and time the diary goes by: the system's, unless a test set another moment. Reminders,
// the clock line, the print header and the "today" of the windows all read it here.
namespace Clock {

QDateTime now();
QDate today();
// From here on the clock shows that moment and runs on from it; an invalid moment gives back
// the system's time. Safe on any thread.
void setNow(const QDateTime &moment);

} // namespace Clock
