#pragma once

#include "domain/appointment.h"

#include <QDate>
#include <QString>
#include <functional>

class Diary;
class Prompter;
class QListView;
class QListWidget;

// A day's appointments: its times go into one list and its texts into the other, in the sheet's
// order, and a box says how many there are.
class DayView
{
public:
    DayView(QListWidget *timesList, QListView *textsList, Diary &diary, Prompter &prompter)
        : m_timesList(timesList), m_textsList(textsList), m_diary(diary), m_prompter(prompter)
    {
    }

    // showDate puts the day's date text where the user sees it, before anything is read.
    // Returns the appointments listed, line for line.
    Appointments show(const QDate &clicked, const std::function<void(const QString &)> &showDate);

private:
    QListWidget *m_timesList;
    QListView *m_textsList;
    Diary &m_diary;
    Prompter &m_prompter;
};
