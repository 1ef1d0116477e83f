#pragma once

#include "domain/appointment.h"

#include <optional>

class Diary;
class QCheckBox;
class QListView;
class QListWidget;

// Every stored appointment in the texts list while the check box is ticked: date, eight blanks,
// time, eight blanks, text. Unticking empties that list alone. It never shows a message.
class AllView
{
public:
    AllView(QCheckBox *showAllCheck, QListWidget *timesList, QListView *textsList, Diary &diary)
        : m_showAllCheck(showAllCheck), m_timesList(timesList), m_textsList(textsList), m_diary(diary)
    {
    }

    // The appointments listed when the box is ticked, line for line; nothing when it is not.
    std::optional<Appointments> update();

private:
    QCheckBox *m_showAllCheck;
    QListWidget *m_timesList;
    QListView *m_textsList;
    Diary &m_diary;
};
