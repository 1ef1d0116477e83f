#include "clock.h"

#include <atomic>

namespace Clock {

namespace {

// How far the clock stands from the system's, in milliseconds.
std::atomic<qint64> s_offset{0};

} // namespace

QDateTime now()
{
    return QDateTime::currentDateTime().addMSecs(s_offset.load());
}

QDate today()
{
    return now().date();
}

void setNow(const QDateTime &moment)
{
    s_offset.store(moment.isValid() ? QDateTime::currentDateTime().msecsTo(moment) : 0);
}

} // namespace Clock
