#include "browsehandlers.h"

#include "services/errorreport.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QListWidget>

BrowseHandlers::BrowseHandlers(const Controls &controls, Diary &diary, Prompter &prompter,
                               StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_controls(controls), m_prompter(prompter), m_storeFailure(storeFailure),
      m_day(controls.timesList, controls.textsList, diary, prompter),
      m_all(controls.showAllCheck, controls.timesList, controls.textsList, diary)
{
    // Every line is one line of text in one font: measuring tens of thousands of them one by one
    // would cost the full listing half a second for nothing.
    controls.timesList->setUniformItemSizes(true);
    controls.textsList->setUniformItemSizes(true);
    // The day comes from the calendar's selection, not from the signal.
    connect(controls.calendar, &QCalendarWidget::clicked, this, &BrowseHandlers::listDay);
    // Toggled, not clicked: unticking from code must empty the listing too.
    connect(controls.showAllCheck, &QCheckBox::toggled, this, [this] {
        guarded([this] {
            // Unticked, the times of a listed day stay in their list, and so do their appointments.
            if (const std::optional<Appointments> listed = m_all.update())
                emit appointmentsListed(*listed);
        });
    });
}

void BrowseHandlers::listDay()
{
    guarded([this] {
        emit appointmentsListed({});
        emit appointmentsListed(m_day.show(m_controls.calendar->selectedDate(),
                                           [this](const QString &text) { emit dayChosen(text); }));
    });
}

void BrowseHandlers::showDay(const QDate &day)
{
    if (!day.isValid()) {
        clearLists();
        return;
    }
    m_controls.calendar->setSelectedDate(day);
    listDay();
}

void BrowseHandlers::clearLists()
{
    m_controls.timesList->clear();
    m_controls.textsList->clear();
    emit appointmentsListed({});
}

void BrowseHandlers::clearListing()
{
    clearLists();
    // Unticking runs the all-appointments view's own handling.
    m_controls.showAllCheck->setChecked(false);
}

template <typename F>
void BrowseHandlers::guarded(F &&handler)
{
    try {
        handler();
    } catch (const StoreError &e) {
        // Replaced on the last save, so the next click works.
        if (m_storeFailure.recoverIfGone(e))
            return;
        // Anything else is unforeseen: reported, and the run ends as after any uncaught error.
        reportError(m_prompter, e);
        emit runMustEnd();
    }
}
