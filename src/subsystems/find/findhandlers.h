#pragma once

#include <QObject>
#include <QPointer>
#include <QWidgetList>

class Diary;
class FindWindow;
class Prompter;
class QAction;
class QDate;
class QWidget;
class StoreFailure;
struct Appointment;

// "Cerca...": the window that finds appointments by their words, and the day of the one chosen.
class FindHandlers : public QObject
{
    Q_OBJECT

public:
    // The window belongs to windowParent and goes with it; it opens where it leaves dayLists in view.
    FindHandlers(QAction *findAction, QWidget *windowParent, const QWidgetList &dayLists, Diary &diary,
                 Prompter &prompter,
                 StoreFailure &storeFailure, QObject *parent);

public slots:
    // What is stored changed: an open window searches the new list at once, a closed one when
    // it opens again.
    void appointmentsChanged();

signals:
    // The day of the appointment chosen among those found.
    void dayChosen(const QDate &day);

private:
    void showWindow();
    void placeWindow();
    bool loadAppointments();
    void chosen(const Appointment &appointment);

    QWidget *m_windowParent;
    QWidgetList m_dayLists;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    QPointer<FindWindow> m_window;
    bool m_stale = true;
};
