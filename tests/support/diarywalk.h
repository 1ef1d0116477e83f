#pragma once

#include "shell/form1.h"
#include "store/calcworkbook.h"
#include "store/cellvalue.h"
#include "support/testsupport.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCharFormat>

// Walking the window the way a user does, and putting rows on disk before a diary starts, so
// that what the diary holds comes from its own read of the workbook.
namespace DiaryWalk {

inline CellRow row(const QDate &day, const QTime &time, const QString &text)
{
    return {CellValue::fromDate(day), CellValue::fromTime(time), CellValue::fromText(text)};
}

// Writes these rows from row 5 on into the workbook file and saves it; start the diary after.
inline void storeBeforeStart(const QString &path, const CellBlock &rows)
{
    auto book = openForInspection(path);
    book->writeBlock(5, 1, rows);
    book->save();
}

inline void typeEntry(Form1 &form, const QString &date, const QString &time, const QString &text)
{
    ui(form).Text1->setText(date);
    ui(form).Text2->setText(time);
    ui(form).Text3->setText(text);
}

// Typed into the fields and inserted with "Inserisci  Appuntamento".
inline void insert(Form1 &form, const QString &date, const QString &time, const QString &text)
{
    typeEntry(form, date, time, text);
    ui(form).Command1->click();
}

// The days the calendar shows in bold, in date order.
inline QVector<QDate> boldDays(const QCalendarWidget *calendar)
{
    QVector<QDate> days;
    const QMap<QDate, QTextCharFormat> formats = calendar->dateTextFormat();
    for (auto it = formats.cbegin(); it != formats.cend(); ++it) {
        if (it.value().fontWeight() == QFont::Bold)
            days << it.key();
    }
    return days;
}

} // namespace DiaryWalk
