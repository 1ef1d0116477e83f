#include "browsehandlers.h"

#include "domain/busydays.h"
#include "domain/diary.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QListWidget>

#include "lines.h"
#include <QTextCharFormat>

BrowseHandlers::BrowseHandlers(const Controls &controls, Diary &diary, Prompter &prompter,
                               StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_controls(controls), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure),
      m_day(controls.timesList, controls.textsList, diary, prompter),
      m_all(controls.showAllCheck, controls.timesList, controls.textsList, diary)
{
    // Every line is one line of text in one font: measuring tens of thousands of them one by one
    // would cost the full listing half a second for nothing.
    controls.timesList->setUniformItemSizes(true);
    controls.textsList->setUniformItemSizes(true);
    // The day comes from the calendar's selection, not from the signal.
    connect(controls.calendar, &QCalendarWidget::clicked, this, [this] { listDay(m_controls.calendar->selectedDate()); });
    connect(controls.calendar, &QCalendarWidget::currentPageChanged, this, &BrowseHandlers::refreshBusyDays);
    // Toggled, not clicked: unticking from code must empty the listing too.
    connect(controls.showAllCheck, &QCheckBox::toggled, this, [this] {
        guarded([this] {
            // Unticked, the times of a listed day stay in their list, and so do their appointments.
            if (const std::optional<Appointments> listed = m_all.update())
                emit appointmentsListed(*listed);
        });
    });
}

void BrowseHandlers::clearLists()
{
    m_controls.timesList->clear();
    setLines(m_controls.textsList, {});
    emit appointmentsListed({});
}

void BrowseHandlers::clearListing()
{
    clearLists();
    // Unticking runs the all-appointments view's own handling.
    m_controls.showAllCheck->setChecked(false);
}

void BrowseHandlers::refreshBusyDays()
{
    QVector<QDate> busy;
    QCalendarWidget *calendar = m_controls.calendar;
    try {
        busy = busyDays(m_diary.stored(), calendar->yearShown(), calendar->monthShown());
    } catch (const StoreError &e) {
        // The marks are no reason to stop the user: the office that went away is replaced, and
        // the user told, by whatever is done next (a click on a day right after this, say), and
        // the marks follow then.
        if (m_storeFailure.officeGone(e))
            return;
        m_storeFailure.unforeseen(e);
        return;
    }
    // Bold alone, merged over the calendar's own colours; a null date clears every day's.
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    calendar->setDateTextFormat(QDate(), QTextCharFormat());
    for (const QDate &day : busy)
        calendar->setDateTextFormat(day, bold);
}

void BrowseHandlers::showDay(const QDate &day)
{
    if (!day.isValid()) {
        clearLists();
        return;
    }
    m_controls.calendar->setSelectedDate(day);
    listDay(day);
}

void BrowseHandlers::listDay(const QDate &day)
{
    guarded([this, &day] {
        emit appointmentsListed({});
        emit appointmentsListed(m_day.show(day, [this](const QString &text) { emit dayChosen(text); }));
    });
}

template <typename F>
void BrowseHandlers::guarded(F &&handler)
{
    try {
        handler();
    } catch (const StoreError &e) {
        // Replaced on the last save, so the next click works; the marks follow that save.
        if (m_storeFailure.recoverIfGone(e)) {
            refreshBusyDays();
            return;
        }
        // Anything else is unforeseen: reported, and the run ends as after any uncaught error.
        m_storeFailure.unforeseen(e);
    }
}
