#include "datelimits.h"

#include "regional/regional.h"

namespace DateLimits {

QDate firstAcceptedDate()
{
    return QDate(1900, 3, 1);
}

bool isAccepted(const QDate &date)
{
    return date.isValid() && date >= firstAcceptedDate();
}

QString tooEarlyMessage(const QString &dateText)
{
    return QStringLiteral("Data non accettata: %1\nLa prima data accettata è il %2.")
        .arg(dateText, Regional::dateText(firstAcceptedDate()));
}

} // namespace DateLimits
