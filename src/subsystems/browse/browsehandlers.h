#pragma once

#include "allview.h"
#include "dayview.h"

#include <QObject>

class Diary;
class Prompter;
class QDate;
class QCalendarWidget;
class QCheckBox;
class QListView;
class QListWidget;
class StoreFailure;

// The calendar, the two lists and the check box that lists everything.
class BrowseHandlers : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QCalendarWidget *calendar;
        QListWidget *timesList;
        QListView *textsList;
        QCheckBox *showAllCheck;
    };

    BrowseHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                   QObject *parent);

    // Both lists emptied.
    void clearLists();
    // Both lists emptied and the check box unticked.
    void clearListing();

public slots:
    // The days of the shown month that hold an appointment, in bold; every other day plain.
    void refreshBusyDays();
    // The day shown in the calendar and listed, as a click on it does, its message included; an
    // invalid day just empties the lists.
    void showDay(const QDate &day);

signals:
    // A day was clicked: its date, as the date field shows it.
    void dayChosen(const QString &dateText);
    // The appointments the lists now show, line for line (empty when they show none).
    void appointmentsListed(const Appointments &listed);

private:
    template <typename F>
    void guarded(F &&handler);
    void listDay(const QDate &day);

    Controls m_controls;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    DayView m_day;
    AllView m_all;
};
