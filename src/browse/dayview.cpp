#include "dayview.h"

#include "celltext.h"
#include "shell/form1.h"
#include "shell/prompter.h"
#include "shell/regional.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "storedrows.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QListWidget>

void DayView::show()
{
    m_form.List1->clear();
    m_form.List2->clear();
    const QDate clicked = m_form.MonthView1->selectedDate();
    m_form.Text1->setText(Regional::dateText(clicked));

    CalcWorkbook &book = m_form.book();
    if (book.cell(SheetLayout::kFirstDataRow, SheetLayout::kDateColumn).isEmpty()) {
        m_form.prompter().message(QStringLiteral("Non esistono Vespolari registrati"));
        return;
    }

    // The day is the one the date field now shows; should its text not read back, the clicked one.
    QDate day = Regional::parseDate(m_form.Text1->text());
    if (!day.isValid())
        day = clicked;
    // Only a date value equal to the day matches: no text, and no date carrying a time of day.
    const double wanted = CellValue::fromDate(day).number;

    QStringList times;
    QStringList texts;
    CellText cellText;
    const StoredRows stored(book);
    for (const StoredRows::Row &row : stored.rows()) {
        if (row.date.isNumeric() && row.date.number == wanted) {
            times << cellText.time(row.time);
            texts << cellText.plain(row.text);
        }
    }
    m_form.List1->addItems(times);
    m_form.List2->addItems(texts);

    if (times.isEmpty())
        m_form.prompter().message(QStringLiteral("Nessun Appuntamento per questa data"));
    else
        m_form.prompter().message(QStringLiteral("Sono Presenti %1 Vespolari").arg(times.size()));
}
