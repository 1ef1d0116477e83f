#include "findhandlers.h"

#include "findplacement.h"
#include "findwindow.h"

#include "domain/diary.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

#include <QAction>
#include <QScreen>

FindHandlers::FindHandlers(QAction *findAction, QWidget *windowParent, const QWidgetList &dayLists, Diary &diary,
                           Prompter &prompter, StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_windowParent(windowParent), m_dayLists(dayLists), m_diary(diary), m_prompter(prompter),
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
    if (!m_window->isVisible())
        placeWindow();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->focusQuery();
}

// Each opening finds a place again: the main window may have moved since.
void FindHandlers::placeWindow()
{
    QRect lists;
    for (const QWidget *list : qAsConst(m_dayLists))
        lists |= QRect(list->mapToGlobal(QPoint(0, 0)), list->size());
    const QScreen *screen = m_windowParent->screen();
    const QRect available = screen ? screen->availableGeometry() : m_windowParent->frameGeometry();
    m_window->move(findWindowPlace(m_windowParent->frameGeometry(), lists, m_window->frameGeometry().size(),
                                   available));
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
