#pragma once

#include "shell/form1.h"
#include "store/calcworkbook.h"
#include "store/cellvalue.h"
#include "store/sheetlayout.h"
#include "support/diarywalk.h"
#include "support/testsupport.h"

#include <QCalendarWidget>
#include <QListWidget>
#include <QTest>

// One running diary for a whole test class; each case puts its own rows on the sheet.
namespace BrowseFixture {

using DiaryWalk::row;

// Empties the data rows, then writes these from row 5 on, as a hand edit could leave them.
inline void replaceRows(CalcWorkbook &book, const CellBlock &rows)
{
    const int last = book.lastUsedRow();
    if (last >= SheetLayout::kFirstDataRow)
        book.writeBlock(SheetLayout::kFirstDataRow, 1,
                        CellBlock(last - SheetLayout::kFirstDataRow + 1, CellRow(3, CellValue::empty())));
    book.writeBlock(SheetLayout::kFirstDataRow, 1, rows);
}

inline void clickDay(Form1 &form, const QDate &day)
{
    ui(form).MonthView1->setSelectedDate(day);
    emit ui(form).MonthView1->clicked(day);
}

inline QStringList lines(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

inline QStringList lines(const LinesList &list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.text(i);
    return out;
}

} // namespace BrowseFixture
