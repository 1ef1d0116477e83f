#include "allview.h"

#include "domain/diary.h"

#include <QCheckBox>
#include <QListWidget>

std::optional<Appointments> AllView::update()
{
    if (m_showAllCheck->isChecked()) {
        m_timesList->clear();
        m_textsList->clear();
        m_textsList->addItems(m_diary.listing());
        return m_diary.stored();
    }
    m_textsList->clear();
    return std::nullopt;
}
