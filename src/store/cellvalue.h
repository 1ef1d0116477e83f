#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>

// What one cell holds. Dates and times are the office's serial numbers (day 0 = 1899-12-30);
// a single-cell read tells them apart by the cell's number format, a bulk read leaves them Number.
struct CellValue
{
    enum Kind { Empty, Number, Date, Time, Text };

    Kind kind = Empty;
    double number = 0;
    QString text;

    static CellValue empty() { return {}; }
    static CellValue fromNumber(double v) { return {Number, v, {}}; }
    static CellValue fromText(const QString &s) { return {Text, 0, s}; }
    static CellValue fromDate(const QDate &d);
    static CellValue fromTime(const QTime &t);

    bool isEmpty() const { return kind == Empty || (kind == Text && text.isEmpty()); }
    bool isNumeric() const { return kind == Number || kind == Date || kind == Time; }
    // The date part of a numeric value; invalid for text and empty cells.
    QDate toDate() const;
    // The time-of-day part of a numeric value, to the second; invalid for text and empty cells.
    QTime toTime() const;

    bool operator==(const CellValue &o) const;
};

using CellRow = QVector<CellValue>;
using CellBlock = QVector<CellRow>;
