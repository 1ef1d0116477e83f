#include "allview.h"

#include "domain/diary.h"

#include <QCheckBox>
#include <QListWidget>

#include "lines.h"

std::optional<Appointments> AllView::update()
{
    if (m_showAllCheck->isChecked()) {
        m_timesList->clear();
        // The diary's own rows, shared, not copied; each line is written as it comes into view.
        const Appointments all = m_diary.stored();
        setListing(m_textsList, all);
        return all;
    }
    setLines(m_textsList, {});
    return std::nullopt;
}
