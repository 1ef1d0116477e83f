#include "filledworkbook.h"

#include "store/calcworkbook.h"
#include "store/sheetlayout.h"

#include <QHash>
#include <QRandomGenerator>

using namespace SheetLayout;

QDate fillWorkbook(const QString &path, int n, quint32 seed)
{
    QRandomGenerator rng(seed);
    const QDate first(2020, 1, 1);
    const int days = first.daysTo(QDate(2030, 1, 1));
    CellBlock rows;
    rows.reserve(n);
    QHash<QDate, int> perDay;
    for (int i = 0; i < n; ++i) {
        const QDate day = first.addDays(rng.bounded(days));
        ++perDay[day];
        QString text;
        for (int len = 10 + rng.bounded(71); len > 0; --len)
            text += QChar(u'a' + rng.bounded(26));
        rows << CellRow{CellValue::fromDate(day), CellValue::fromTime(QTime(rng.bounded(24), rng.bounded(60))),
                        CellValue::fromText(text)};
    }
    CalcWorkbook book;
    book.start();
    book.open(path, kPassword);
    if (n > 0) {
        book.writeBlock(kFirstDataRow, kDateColumn, rows);
        book.setNumberFormat(kFirstDataRow, kDateColumn, kFirstDataRow + n - 1, kDateColumn, kDateFormat);
        book.sortRows(kFirstDataRow, kLastRow, kTextColumn, {{kDateColumn, true}, {kTimeColumn, true}});
    }
    book.save();
    book.close();
    book.quit();
    QDate busiest = first;
    for (auto it = perDay.constBegin(); it != perDay.constEnd(); ++it) {
        if (it.value() > perDay.value(busiest))
            busiest = it.key();
    }
    return busiest;
}
