#include "allview.h"

#include "domain/diary.h"

#include <QCheckBox>
#include <QListWidget>

#include "lines.h"

std::optional<Appointments> AllView::update()
{
    if (m_showAllCheck->isChecked()) {
        m_timesList->clear();
        // The diary's own list of lines, shared, not copied.
        setLines(m_textsList, m_diary.listing());
        return m_diary.stored();
    }
    setLines(m_textsList, {});
    return std::nullopt;
}
