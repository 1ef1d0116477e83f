#include "allview.h"

#include "domain/diary.h"

#include <QCheckBox>
#include <QListWidget>

void AllView::update()
{
    if (m_showAllCheck->isChecked()) {
        m_timesList->clear();
        m_textsList->clear();
        m_textsList->addItems(m_diary.listing());
    } else {
        m_textsList->clear();
    }
}
