#pragma once

#include "repeatwindow.h"

#include "domain/appointment.h"

#include <QObject>
#include <QPointer>

class Diary;
class Prompter;
class QAction;
class QLineEdit;
class StoreError;
class StoreFailure;

// "Appuntamento ripetuto...": the series window, pre-filled from the entry area; OK checks the
// first appointment as an insertion does, then stores every one in one write, one sort and one
// save, which one "Annulla" takes back.
class RepeatHandlers : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QWidget *window;  // the series window stands over it
        QAction *repeatAction;
        QLineEdit *dateEdit;
        QLineEdit *timeEdit;
        QLineEdit *textEdit;
    };

    RepeatHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                   QObject *parent);

    // The series window while it is open.
    RepeatWindow *repeatWindow() const { return m_window; }

signals:
    // A series is stored: the entry area and the lists go as after an insertion.
    void seriesStored();

private:
    void open();
    void apply();
    // The occurrences to store; none when the window says what to correct.
    Appointments occurrences();
    // True once the series is in the open workbook; the user has been told either way.
    bool store(const Appointments &series);

    Controls m_controls;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    QPointer<RepeatWindow> m_window;
};
