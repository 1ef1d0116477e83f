#include "allview.h"

#include "celltext.h"
#include "shell/form1.h"
#include "storedrows.h"

#include <QCheckBox>
#include <QListWidget>

void AllView::update()
{
    if (m_form.Check1->isChecked()) {
        m_form.List1->clear();
        m_form.List2->clear();
        const QString gap(8, QLatin1Char(' '));
        QStringList lines;
        CellText cellText;
        const StoredRows stored(m_form.book());
        for (const StoredRows::Row &row : stored.rows())
            lines << cellText.date(row.date) + gap + cellText.time(row.time) + gap + cellText.plain(row.text);
        m_form.List2->addItems(lines);
    } else {
        m_form.List2->clear();
    }
}
