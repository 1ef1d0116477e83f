#pragma once

#include <QObject>
#include <QPointer>

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
    // The window belongs to windowParent and goes with it.
    FindHandlers(QAction *findAction, QWidget *windowParent, Diary &diary, Prompter &prompter,
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
    bool loadAppointments();
    void chosen(const Appointment &appointment);

    QWidget *m_windowParent;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    QPointer<FindWindow> m_window;
    bool m_stale = true;
};
