#include "celltext.h"

#include "shell/regional.h"
#include "store/cellvalue.h"

#include <QDateTime>

namespace CellText {

namespace {

const QDate kDayZero(1899, 12, 30);

QString number(double value)
{
    QLocale l = Regional::locale();
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(value, 'g', 15);
}

// UTC, so that a local clock change at midnight cannot shift a stored day or time.
QString dateAndTime(const CellValue &value)
{
    return Regional::generalDateText(QDateTime(value.toDate(), value.toTime(), Qt::UTC));
}

} // namespace

QString date(const CellValue &value)
{
    if (!value.isNumeric())
        return value.kind == CellValue::Text ? value.text : QString();
    return dateAndTime(value);
}

QString time(const CellValue &value)
{
    if (!value.isNumeric())
        return value.kind == CellValue::Text ? value.text : QString();
    // A time of day is stored as a fraction of day zero; anything past it was typed in by hand.
    if (value.toDate() == kDayZero)
        return Regional::longTimeText(value.toTime());
    return dateAndTime(value);
}

QString plain(const CellValue &value)
{
    if (value.isNumeric())
        return number(value.number);
    return value.kind == CellValue::Text ? value.text : QString();
}

} // namespace CellText
