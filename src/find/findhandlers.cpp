#include "findhandlers.h"

#include "findwindow.h"

#include "domain/diary.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

#include <QAction>

FindHandlers::FindHandlers(QAction *findAction, QWidget *windowParent, Diary &diary, Prompter &prompter,
                           StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_windowParent(windowParent), m_diary(diary), m_prompter(prompter),
      m_storeFailure(storeFailure)
{
    // An empty diary can be searched too: it finds nothing, and says so.
    findAction->setEnabled(true);
    connect(findAction, &QAction::triggered, this, &FindHandlers::showWindow);
}

void FindHandlers::showWindow()
{
    if (!m_window) {
        m_window = new FindWindow(m_windowParent);
        connect(m_window, &FindWindow::appointmentChosen, this, &FindHandlers::chosen);
        m_stale = true;
    }
    if (m_stale && !loadAppointments())
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->focusQuery();
}

void FindHandlers::appointmentsChanged()
{
    m_stale = true;
    if (m_window && m_window->isVisible())
        loadAppointments();
}

// One read of what is stored, searched at every keystroke until it changes.
bool FindHandlers::loadAppointments()
{
    try {
        m_window->setAppointments(m_diary.stored());
        m_stale = false;
        return true;
    } catch (const StoreError &e) {
        // An office replaced on the last save: the next search reads that.
        m_storeFailure.unforeseen(e);
        return false;
    }
}

void FindHandlers::chosen(const Appointment &appointment)
{
    const QDate day = appointment.date.toDate();
    if (!day.isValid()) {
        m_prompter.message(QStringLiteral("Questo appuntamento non ha una data valida nella colonna A della "
                                          "cartella di lavoro: non c'è un giorno da mostrare."));
        return;
    }
    emit dayChosen(day);
}
